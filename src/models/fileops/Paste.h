// Copy, move and paste: the overwrite policy, the checks made before a
// run, the run itself (file by file, clashes resolved by the policy or by
// the Confirm Replace answers) and CPasteThread, which runs it off the GUI
// thread.
#pragma once

#include "models/fileops/JobThread.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// How a name clash is resolved; persisted as its number.
enum class OverwritePolicy : int { Ask = 0, Replace = 1, Rename = 2, Skip = 3 };

namespace vkfileops {

// Results of the Confirm Replace dialog.
enum class ReplaceAnswer : int {
    Rename = 1,
    Cancel = 2,
    ReplaceAll = 1107,
    Replace = 1108,
    Skip = 1110,
    ReplaceAllOlder = 1111,
    SkipAll = 1112
};

// What the Confirm Replace dialog shows.
struct ReplaceQuestion {
    std::string destinationPath;
    std::string destinationLine; // size + " bytes,  " + long date and time
    std::string sourcePath;
    std::string sourceLine;
    std::string renameText; // the clashing name without its extension
};

struct ReplaceReply {
    ReplaceAnswer answer = ReplaceAnswer::Cancel;
    std::string renameText; // the field, for Rename
};

// "1234 bytes,  " + the modification time in the user's long format.
std::string FileLine(uint64_t size, int64_t mtime);

// One paste run.
struct PasteRequest {
    bool isCopy = true;
    std::string sourceDir;
    std::string destinationDir;
    std::vector<std::string> names;
    uint64_t totalSize = 0; // bytes of all names; 0 counts as 1
    OverwritePolicy policy = OverwritePolicy::Ask;
};

// What the run tells its dialog and asks its user. Every member may be empty.
struct PasteHooks {
    std::function<void(const std::string& name)> showName;
    std::function<void(int percent)> progress;
    std::function<ReplaceReply(const ReplaceQuestion&)> confirmReplace;
    std::function<void(const std::string& text)> message;
    // A file that could not be copied or moved; `message` when empty.
    std::function<void(const std::string& text)> failed;
    // True when the user cancelled; tested before each file and each chunk.
    std::function<bool()> aborted;
};

struct PasteResult {
    int written = 0; // files now at the destination from this run
    int skipped = 0;
    int failed = 0;
    bool cancelled = false;
    bool stopped = false;                  // the destination folder vanished
    std::vector<std::string> writtenNames; // names at the destination
};

// Checks made before any file is touched; the message to show, or "".
// "You must select another directory." when the folders are the same,
// "Not enough free space on target drive." when `freeBytes` < `totalSize`.
std::string PastePreflight(const std::string& sourceDir, const std::string& destinationDir,
                           uint64_t totalSize, uint64_t freeBytes);
// "Copy 3 file(s)\n\nFrom: /a\nTo:    /b"
std::string PasteConfirmText(bool isCopy, int count, const std::string& sourceDir,
                             const std::string& destinationDir);

// Runs a paste file by file; each copy is on the disk under its name before
// the next file starts. A failure of one file shows a message and the run
// goes on, unless the destination folder has vanished: one message then
// and the run stops. A cancel ends it after the current chunk with the
// current file left as it was.
PasteResult RunPaste(const PasteRequest& request, const PasteHooks& hooks);

// One paste run on CPasteThread. Its hooks and `finished` are called on
// the worker thread; the dialog that owns it forwards them to the GUI thread.
struct PasteJob {
    static constexpr const char* kLockName = "CPasteThread";
    static void Run(const PasteJob& job, CThread& worker);

    PasteRequest request;
    PasteHooks hooks;
    std::function<void(const PasteResult&)> finished;
};

} // namespace vkfileops

using CPasteThread = CJobThread<vkfileops::PasteJob>;
