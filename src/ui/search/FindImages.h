// CFindImagesDlg: the "Find Images" dialog. Reads the criteria, runs the
// search on its worker, lists the files as they are found, previews the
// one selected and, on Close, names the file the browser may go to.
#pragma once

#include "models/search/FindImageThread.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <string>

class CFileList;
class CStaticImgView;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class CFindImagesDlg : public QDialog {
    Q_OBJECT
  public:
    // Starts in `lookIn` with the two check boxes as given.
    CFindImagesDlg(const std::string& lookIn, bool goToFile, bool preview, QWidget* parent = nullptr);
    ~CFindImagesDlg() override;

    void OnFindNow();
    void OnStop();
    void OnBrowse();
    // Close: remembers the selected result and stops the search.
    void OnClose();

    bool IsSearching() const { return m_searching; }
    bool GetGoToFile() const;
    bool GetPreview() const;
    // The result chosen when the dialog closed: folder and name ("" for none).
    std::string GetChosenFolder() const { return m_chosenFolder; }
    std::string GetChosenName() const { return m_chosenName; }
    // The folder searched last (the "Look in" text without a trailing separator).
    std::string GetSearchedFolder() const { return m_searchedFolder; }

    // The folder picker; replaceable for tests. Returns "" when cancelled.
    void SetFolderPicker(std::function<std::string(const std::string& start)> picker)
    {
        m_picker = std::move(picker);
    }

    QLineEdit* GetNameEdit() const { return m_name; }
    QComboBox* GetExtensionBox() const { return m_extension; }
    QLineEdit* GetLookInEdit() const { return m_lookIn; }
    QCheckBox* GetSizeCheck() const { return m_sizeCheck; }
    QComboBox* GetSizeCompareBox() const { return m_sizeCompare; }
    QLineEdit* GetSizeEdit() const { return m_sizeText; }
    QComboBox* GetSizeUnitBox() const { return m_sizeUnit; }
    QCheckBox* GetDateCheck() const { return m_dateCheck; }
    QLineEdit* GetDateEdit(int index) const { return m_date[size_t(index)]; }
    QLabel* GetStatusLabel() const { return m_status; }
    QListWidget* GetResultList() const { return m_results; }
    QCheckBox* GetGoToFileCheck() const { return m_goToFile; }
    QCheckBox* GetPreviewCheck() const { return m_preview; }
    CStaticImgView* GetPreviewBox() const { return m_previewBox; }
    QPushButton* GetFindNowButton() const { return m_findNow; }
    QPushButton* GetStopButton() const { return m_stop; }
    QPushButton* GetCloseButton() const { return m_close; }

  protected:
    void reject() override; // Escape and the window's close button act as Close

  private:
    void UpdateSizeControls();
    void UpdateDateControls();
    void OnResultSelected();
    void OnFound(uint64_t searchId, const std::vector<std::string>& paths);
    void OnFinished(uint64_t searchId, const vkfind::SearchTotals& totals);
    void StopWorker(int pollCount);
    void ShowCount();

    CFindImageThread m_worker;
    uint64_t m_searchId = 0;
    bool m_searching = false;
    std::string m_searchedFolder;
    std::string m_chosenFolder;
    std::string m_chosenName;
    std::function<std::string(const std::string&)> m_picker;

    QLineEdit* m_name = nullptr;
    QComboBox* m_extension = nullptr;
    QLineEdit* m_lookIn = nullptr;
    QPushButton* m_browse = nullptr;
    QCheckBox* m_sizeCheck = nullptr;
    QComboBox* m_sizeCompare = nullptr;
    QLineEdit* m_sizeText = nullptr;
    QComboBox* m_sizeUnit = nullptr;
    QCheckBox* m_dateCheck = nullptr;
    std::array<QLineEdit*, 6> m_date{};
    QLabel* m_status = nullptr;
    QListWidget* m_results = nullptr;
    QCheckBox* m_goToFile = nullptr;
    QCheckBox* m_preview = nullptr;
    CStaticImgView* m_previewBox = nullptr;
    QPushButton* m_findNow = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_close = nullptr;
};
