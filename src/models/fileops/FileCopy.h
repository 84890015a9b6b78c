// Copying, moving and renaming single files so that nothing is lost: a
// copy is written to a temporary file beside the target and renamed into
// place only when it is complete and flushed; a rename never replaces an
// existing file unless asked to.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vkfileops {

enum class FileResult {
    Ok,       // done
    Exists,   // the target exists and was not to be replaced
    Failed,   // any other failure; the error text says why
    Cancelled // the progress callback asked to stop
};

// Called with the bytes copied of the current file so far; returning false
// cancels. Called at least once per chunk.
using CopyProgress = std::function<bool(uint64_t bytesDone)>;

// Bytes copied between two progress calls and cancel checks.
inline constexpr uint64_t kCopyChunk = 4u << 20;

// Copies the regular file `from` to `to`. With `replace` an existing `to`
// is replaced in one step; without it an existing `to` gives Exists. The
// copy keeps the source's modification time and permission bits. The copy
// itself is flushed before it takes its name, and its folder after, so a
// copy never waits for the rest of the file system. On any failure or
// cancel `to` is as it was and no temporary file remains.
FileResult CopyFile(const std::string& from, const std::string& to, bool replace,
                    const CopyProgress& progress = {}, std::string* error = nullptr);

// Renames `from` to `to` within one file system without ever replacing an
// existing `to` (Exists then); with `replace` an existing file is replaced.
// Works for files and folders. A target that differs only in case is a
// different name here.
FileResult RenameFile(const std::string& from, const std::string& to, bool replace = false,
                      std::string* error = nullptr);

// Moves a file: a rename within one file system, else a copy followed by
// deleting the source once the copy is complete. When the source cannot be
// deleted after the copy, the result is Ok and `sourceKept` is set: both
// files exist.
FileResult MoveFile(const std::string& from, const std::string& to, bool replace,
                    const CopyProgress& progress = {}, std::string* error = nullptr,
                    bool* sourceKept = nullptr);

// Deletes a file, or a symbolic link itself (never what it points to).
bool DeleteFile(const std::string& path, std::string* error = nullptr);

// Modification time in seconds and size; false when the status cannot be
// read. Symbolic links are followed.
bool FileTimeAndSize(const std::string& path, int64_t& mtime, uint64_t& size);

} // namespace vkfileops
