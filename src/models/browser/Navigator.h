// CNavigator: the steps every move between folders shares, without a
// window. The process's working directory follows the browser (the file
// scans read it), so a folder is first entered and only then recorded in
// the file list model. Also the recent folders, in the order of first visit.
#pragma once

#include <string>
#include <vector>

class CFileList;

namespace vknav {

// Messages of the moves between folders.
constexpr const char* kTextDeviceNotReady = "The device is not ready.";
constexpr const char* kTextFolderNotExist = "Folder not exist.";
constexpr const char* kTextFolderNotExists = "Folder not exists.";
constexpr const char* kTextFolderNotFound = "Folder not found";

// Enters the nearest ancestor of `dir` that can be entered, skipping
// ancestors that vanished; the walk ends at the root. Returns the folder
// entered, or "" when not even the root could be entered.
std::string EnterNearestAncestor(const std::string& dir);

// The message for a folder that cannot be read or entered, from the error
// number the attempt gave: "Cannot read the folder DIR: Permission denied.".
std::string UnreadableFolderText(const std::string& dir, int error);
// UnreadableFolderText when the entries of `dir` cannot be listed, else "".
std::string FolderReadProblem(const std::string& dir);

// The viewer's file after the list was read again: the file that was at
// `index` of `before` when it is still listed, else the first one after it
// that is, else the last one before it; its row in `after`, -1 for none.
int NeighbourAfterRefill(const std::vector<std::string>& before, int index,
                         const std::vector<std::string>& after);

// Folders are told apart exactly (two may differ only in case); a
// trailing separator does not count.
bool SameDir(const std::string& a, const std::string& b);

// A path typed into the path box as an absolute, clean path: "~" and
// "~/..." start at `home`, a relative path at `currentDir`; "." and ".."
// are resolved by name. "" for blank input.
std::string ResolveTypedPath(const std::string& typed, const std::string& currentDir,
                             const std::string& home);

} // namespace vknav

class CNavigator {
  public:
    explicit CNavigator(CFileList& files) : m_files(files) {}

    // Makes `dir` the working directory; false ("" or a folder that cannot
    // be entered) leaves the working directory as it was.
    static bool Enter(const std::string& dir);
    // Records an entered folder as the current one (the old one becomes
    // the previous one; the selection is reset).
    void Record(const std::string& dir);

    // Enters and records the first folder: the start-up file's folder when
    // a file is named ("" when that cannot be entered: start-up fails),
    // else the home folder when `startInHome` and it can be entered, else
    // the working directory (or, when that vanished, the user's home or the
    // system root). Returns the folder recorded.
    std::string EnterStart(const std::string& startupFile, bool startInHome, const std::string& home);

    // What re-entering the current folder found.
    enum class Recovery {
        Same,  // the current folder is still there
        Moved, // it vanished: the nearest ancestor, or the system root, is recorded
        Lost,  // not even the system root could be entered: nothing changed
    };
    Recovery EnterCurrentOrNearest();

    // Recent folders: never removed, never repeated.
    const std::vector<std::string>& RecentFolders() const { return m_recent; }
    void SetRecentFolders(std::vector<std::string> folders) { m_recent = std::move(folders); }
    // Appends the current folder unless it is listed; its index.
    size_t AddRecentFolder();
    // The index of `dir` in the recent folders, -1 when it is not there.
    int FindRecentFolder(const std::string& dir) const;

  private:
    CFileList& m_files;
    std::vector<std::string> m_recent;
};
