// "Copy To" / "Move To": chooses the destination folder from the recent
// folders, the favorite folders or the folder picker.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

class CFileList;
class QLabel;
class QListWidget;
class QPushButton;

class CCopyToDlg : public QDialog {
    Q_OBJECT
  public:
    // `count` files from the file list's current folder; the lists are
    // shown sorted.
    CCopyToDlg(CFileList& fileList, bool isCopy, int count, const std::vector<std::string>& recentFolders,
               const std::vector<std::string>& favoriteFolders, QWidget* parent = nullptr);

    std::string GetDestination() const { return m_destination; }
    void SetDestination(const std::string& dir);
    QListWidget* GetRecentList() const { return m_recent; }
    QListWidget* GetFavoriteList() const { return m_favorites; }
    QPushButton* GetBrowseButton() const { return m_browse; }
    QLabel* GetDestinationLabel() const { return m_destLabel; }

    // OK: refuses the source folder; stores the destination in the file list.
    void accept() override;
    void OnBrowse();

  private:
    CFileList& m_fileList;
    std::string m_source;
    std::string m_destination;
    QLabel* m_destLabel = nullptr;
    QListWidget* m_recent = nullptr;
    QListWidget* m_favorites = nullptr;
    QPushButton* m_browse = nullptr;
};
