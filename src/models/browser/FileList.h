// CFileList: the browser's current and previous directory, current file,
// the selection mirrored from the file list control, and the file clipboard.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CFileList {
  public:
    // File clipboard: true after Copy / Copy To, false after Cut / Move To.
    bool isCopy = false;

    std::string GetCurrentFile() const { return currentFile; }
    void SetCurrentFile(const std::string& name) { currentFile = name; }

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

    // Appends a name and adds its file size (0 when unreadable).
    void AddSelected(const std::string& name);
    void ClearSelected();
    // Mirrors a control's selection: entries 0..count-1 in order, each
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

  private:
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
