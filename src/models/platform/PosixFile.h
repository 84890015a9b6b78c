// Small POSIX file steps shared by the trash and the file operations.
#pragma once

#include <cstddef>
#include <string>

namespace vkplatform {

// Renames without ever replacing a file: renameat2(RENAME_NOREPLACE), or
// link + unlink where the kernel or the file system has no such rename.
// Returns 0 or an errno value.
int RenameNoReplace(const std::string& from, const std::string& to);

// Writes all of `data`, going on after interrupted calls.
bool WriteAll(int fd, const char* data, size_t size);

} // namespace vkplatform
