// CCompareResultsDlg: runs the comparison of two folders on its worker and
// shows the matching files of each side as they are found, with a preview,
// delete and going to the files in the browser.
#pragma once

#include "models/search/CompareDirectoriesThread.h"

#include <QDialog>

#include <array>
#include <string>
#include <vector>

class CStaticImgView;
class QCheckBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class CCompareResultsDlg : public QDialog {
    Q_OBJECT
  public:
    // Results of the dialog beyond Accepted and Rejected.
    enum Result : int { ResultNew = 1001, ResultGoToSource = 1002, ResultGoToDestination = 1003 };
    enum Side : int { Source = 0, Destination = 1 };
    // The columns of both lists.
    enum Column : int { ColumnName, ColumnExt, ColumnSize, ColumnDate, ColumnImageSize };

    CCompareResultsDlg(const vkcompare::CompareCriteria& criteria, const std::string& source,
                       const std::string& destination, bool previewSource, bool previewDestination,
                       bool useRecycleBin, QWidget* parent = nullptr);
    ~CCompareResultsDlg() override;

    // Starts the comparison (the dialog does so once it is shown).
    void Start();
    bool IsDone() const { return m_done; }
    // Processes events until the worker has finished or `timeoutMs` ran out (for tests).
    bool WaitUntilDone(int timeoutMs = 10000);

    void OnRowClicked(int side);
    void OnDelete(int side);
    void OnGoToFiles(int side);
    void OnNew();
    void accept() override; // OK: only when done
    void reject() override; // Cancel: stops a comparison, the dialog stays

    bool GetPreview(int side) const;
    // The names (name + "." + extension) of a side's rows, collected by Go To File(s).
    const std::vector<std::string>& GetChosenNames() const { return m_chosen; }
    std::string GetDirectory(int side) const { return m_dirs[size_t(side)]; }

    QTreeWidget* GetList(int side) const { return m_lists[size_t(side)]; }
    QLabel* GetCountLabel(int side) const { return m_counts[size_t(side)]; }
    QLabel* GetInfoLabel(int side) const { return m_infos[size_t(side)]; }
    QCheckBox* GetPreviewCheck(int side) const { return m_previewChecks[size_t(side)]; }
    CStaticImgView* GetPreviewBox(int side) const { return m_previews[size_t(side)]; }
    QPushButton* GetDeleteButton(int side) const { return m_deletes[size_t(side)]; }
    QPushButton* GetGoToButton(int side) const { return m_goTos[size_t(side)]; }
    QLabel* GetStatusLabel() const { return m_status; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void OnRows(const std::vector<CompareRowEntry>& rows);
    void OnFinished(const CompareOutcome& outcome);
    void OnPreviewLoaded(int side, bool ok, const QString& path);
    void UpdateCount(int side);
    void SetDone();
    void EnableButtons(bool enable);
    void StopWorker();
    std::string RowFileName(int side, int row) const;
    // The current row of a side once the comparison is done, with the path
    // of its file; no row while it runs or when none is current.
    QTreeWidgetItem* CurrentRow(int side, std::string& path) const;

    vkcompare::CompareCriteria m_criteria;
    std::array<std::string, 2> m_dirs;
    bool m_useRecycleBin = true;
    bool m_started = false;
    bool m_done = false;
    bool m_finished = false; // the worker reported its end
    std::vector<std::string> m_chosen;
    CCompareDirectoriesThread m_worker;

    std::array<QTreeWidget*, 2> m_lists{};
    std::array<QLabel*, 2> m_counts{};
    std::array<QLabel*, 2> m_infos{};
    std::array<QCheckBox*, 2> m_previewChecks{};
    std::array<CStaticImgView*, 2> m_previews{};
    std::array<QPushButton*, 2> m_deletes{};
    std::array<QPushButton*, 2> m_goTos{};
    QPushButton* m_new = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QLabel* m_status = nullptr;
};
