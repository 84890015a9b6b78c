// CBrowseDlg: the small "Browse" folder picker. It moves through folders the
// way the browser does, by changing the working directory, and leaves the
// chosen folder in the file list model's destination directory.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

class CFileList;
class QComboBox;
class QLabel;
class QListWidget;

class CBrowseDlg : public QDialog {
    Q_OBJECT
  public:
    CBrowseDlg(CFileList& fileList, QWidget* parent = nullptr);

    void OnDriveSelected(int index);
    void OnDirectoryDoubleClicked(int row);
    // OK and Cancel return to the browser's directory first.
    void accept() override;
    void reject() override;

    QString GetShownFolder() const;
    QComboBox* GetDriveBox() const { return m_driveBox; }
    QListWidget* GetDirectoryList() const { return m_dirList; }

  private:
    void FillDirectoryList(const std::string& dir);
    void SelectDrive(const std::string& dir);
    void ShowFolder(const std::string& dir);
    void ReturnToBrowser();

    CFileList& m_fileList;
    QLabel* m_folder = nullptr;
    QComboBox* m_driveBox = nullptr;
    QListWidget* m_dirList = nullptr;
    std::vector<std::string> m_drives;
};
