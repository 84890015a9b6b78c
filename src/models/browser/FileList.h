// CFileList: the browser's files as a Qt item model. It holds the current
// folder's entries and their selection (a QItemSelectionModel every view
// of the list shares), the current and previous directory, the current
// file, the selected names as last taken from the selection, and the file
// clipboard. Views show it; commands ask it.
#pragma once

#include <QAbstractListModel>
#include <QItemSelectionModel>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vkfill {
struct ReselectResult;
}

class CFileList : public QAbstractListModel {
    Q_OBJECT
  public:
    // The roles a view may ask for besides Qt::DisplayRole (the name).
    enum Role {
        PathRole = Qt::UserRole + 1, // QString: the full path
        IsFolderRole,                // bool: a folder entry (the list holds files only today)
        SizeRole,                    // qulonglong: the file's size in bytes (0 when unreadable)
        DateRole,                    // qlonglong: the last write, seconds since the epoch (-1 unknown)
    };

    explicit CFileList(QObject* parent = nullptr);
    ~CFileList() override;

    // QAbstractListModel
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QHash<int, QByteArray> roleNames() const override;

    // File clipboard: true after Copy / Copy To, false after Cut / Move To.
    bool isCopy = false;

    // ---- Entries: the files listed from the current directory.
    // Replaces the entries (a model reset: the selection model is emptied
    // without a signal). The selected names are kept until the selection
    // is taken again, so a refill can find them.
    void SetEntries(std::vector<std::string> names);
    // Replaces the entries and selects those named by the selected names
    // (an exact name first, else one differing in case only).
    vkfill::ReselectResult Refill(std::vector<std::string> names);
    const std::vector<std::string>& Entries() const { return m_entries; }
    int Count() const { return int(m_entries.size()); }
    // The entry's name, "" outside the list.
    std::string EntryName(int row) const;
    std::string EntryPath(int row) const;
    // The row of `name`: an exact match wins, else the first match ignoring
    // case; -1 when none.
    int Find(const std::string& name) const;

    // ---- Selection. Changes made here reach every view but do not emit
    // SelectionEdited, which says that a view (the user) changed it.
    QItemSelectionModel* SelectionModel() const { return m_selection; }
    std::vector<bool> SelectedRows() const;
    // Replaces the selection; the views' current row stays.
    void SelectRows(const std::vector<bool>& selected);
    // Selects `row` alone (-1: nothing) and makes it the views' current row
    // (they scroll to it).
    void SelectOnly(int row);
    // Selects the entry named `name` alone; its row or -1.
    int SelectEntry(const std::string& name);
    // Selects every named entry found, the last of them current; the number
    // found and the last row.
    int SelectNamed(const std::vector<std::string>& names, int& lastRow);
    // The selected names, the total and the current file are taken from
    // the selection model (the last selected becomes the current file).
    void TakeSelection();

    // ---- Directories and the current file.
    std::string GetCurrentFile() const { return currentFile; }
    void SetCurrentFile(const std::string& name) { currentFile = name; }
    // The current file's full path ("" without one).
    std::string GetCurrentPath() const;

    std::string GetCurrentDir() const { return currentDir; }
    std::string GetCurrentDrive() const { return currentDrive; }
    std::string GetPreviousDir() const { return previousDir; }
    std::string GetPreviousDrive() const { return previousDrive; }

    // The previous directory becomes the old current one; `path` (without a
    // trailing separator, the root stays "/") becomes current; its drive is
    // the mount point that holds it. With `resetSelection` the selection,
    // its total and the current file are cleared.
    void SetCurrentDir(const std::string& path, bool resetSelection);

    void SetDestinationDir(const std::string& path);
    std::string GetDestinationDir() const { return destinationDir; }
    std::string GetDestinationDrive() const { return destinationDrive; }

    void SetGoToFile(const std::string& path) { goToFile = path; }
    std::string GetGoToFile() const { return goToFile; }

    // ---- The selected names as last taken.
    // Appends a name and adds its file size (0 when unreadable).
    void AddSelected(const std::string& name);
    void ClearSelected();
    // Sets the names from a selection: entries 0..count-1 in order, each
    // added when selected; the last selected becomes the current file.
    void UpdateSelection(size_t count, const std::function<bool(size_t)>& isSelected,
                         const std::function<std::string(size_t)>& text);
    // The same from the entries and their selection flags.
    void UpdateSelection(const std::vector<std::string>& entries, const std::vector<bool>& selected);
    // The same from the selected texts, already in list order.
    void UpdateSelection(const std::vector<std::string>& selectedInListOrder);

    int GetSelectedCount() const { return static_cast<int>(selectedNames.size()); }
    std::string GetSelected(int index) const;
    const std::vector<std::string>& SelectedNames() const { return selectedNames; }
    std::vector<std::string> SelectedPaths() const;
    // Sum of the sizes of the selected files in bytes (64-bit).
    uint64_t GetSelectedTotal() const { return selectedTotal; }

    // Copies the selection into the file clipboard; returns its count.
    int RememberClipboard();
    int GetClipboardCount() const { return static_cast<int>(names.size()); }
    std::string GetClipboardName(int index) const;
    std::string GetSourceDir() const { return sourceDir; }
    uint64_t GetTotalSize() const { return totalSize; }
    void ClearClipboard() { names.clear(); }

    // Text after the last "." (the whole name without one); `name` not empty.
    static std::string GetExtension(const std::string& name);
    // Text before the last "." ("" without one).
    static std::string GetTitle(const std::string& name);
    std::string GetCurrentExtension() const { return GetExtension(currentFile); }
    std::string GetCurrentTitle() const { return GetTitle(currentFile); }

  signals:
    // A view changed the selection (a click, a key, a drag over rows).
    void SelectionEdited();

  private:
    struct Status {
        uint64_t size = 0;
        int64_t lastWrite = -1;
    };
    // The entry's size and date, read once per fill.
    const Status& StatusOf(size_t row) const;
    // Sets the selection model without SelectionEdited; `currentRow` -1
    // leaves the current row.
    void ApplySelection(const std::vector<bool>& selected, int currentRow);

    QItemSelectionModel* m_selection = nullptr;
    std::vector<std::string> m_entries;
    std::string m_entriesDir; // the folder the entries were read from
    mutable std::vector<std::optional<Status>> m_status;
    int m_applying = 0; // > 0 while the model itself changes the selection

    std::string currentFile;
    std::string previousDrive;
    std::string currentDrive;
    std::string previousDir;
    std::string destinationDir;
    std::string destinationDrive;
    std::string goToFile;
    uint64_t totalSize = 0; // 64-bit: a 32-bit total wraps at 4 GB
    uint64_t selectedTotal = 0;
    std::string sourceDir;
    std::string currentDir;
    std::vector<std::string> names;
    std::vector<std::string> selectedNames;
};
