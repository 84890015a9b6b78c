// File status with the attribute bits the browser works with.
#pragma once

#include <cstdint>
#include <string>

namespace vkplatform {

// Attribute bits, mapped from POSIX: hidden = the name starts with ".";
// system = neither a regular file nor a directory; read-only = the user
// may not write it; archive = a regular file.
inline constexpr uint32_t kAttrReadOnly = 0x01;
inline constexpr uint32_t kAttrHidden = 0x02;
inline constexpr uint32_t kAttrSystem = 0x04;
inline constexpr uint32_t kAttrDirectory = 0x10;
inline constexpr uint32_t kAttrArchive = 0x20;

struct FileStatus {
    uint32_t attributes = 0;
    // Seconds since 1970-01-01 UTC; -1 where the file system has none.
    int64_t creationTime = -1;
    int64_t lastAccessTime = -1;
    int64_t lastWriteTime = -1;
    uint64_t size = 0;
    std::string name; // last component, no path
};

// Status of `path` (symbolic links followed). False when it cannot be read.
bool GetFileStatus(const std::string& path, FileStatus& status);

// The attribute bits for a name with the given st_mode and write permission.
uint32_t AttributesFor(const std::string& name, unsigned mode, bool writable);

// Write permission from the mode bits of the class the user falls in
// (owner, group, others), so a mode of 0444 reads as read-only for root too.
bool WritableByUser(unsigned mode, unsigned ownerUid, unsigned ownerGid);

bool IsDirectory(const std::string& path);
bool IsRegularFile(const std::string& path);
bool Exists(const std::string& path);
// Both paths name one file or folder (device and inode, links followed):
// ".", "a/../a" or a link to it. False when either cannot be read.
bool IsSameFile(const std::string& a, const std::string& b);

} // namespace vkplatform
