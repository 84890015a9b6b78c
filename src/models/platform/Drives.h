// Mounted file systems standing in for drives, and free space.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vkplatform {

// Mount points of the file systems that hold user files, root first, then
// the others in mount-table order; pseudo file systems (proc, sysfs, tmpfs
// except at /tmp, cgroup, ...) and system trees (/proc, /sys, /dev, /run
// but /run/media, /snap, /boot) are left out, and duplicates are dropped.
std::vector<std::string> ListDrives();
// The same from the text of a mount table (/proc/self/mounts format).
std::vector<std::string> ParseDrives(const std::string& mountTable);

// The drive box entry for a mount point: "[-" + mount point + "-]".
std::string DriveEntry(const std::string& mountPoint);
// The mount point back from an entry; "" when `entry` is not one.
std::string DriveFromEntry(const std::string& entry);

// The mount point that contains `path` (the longest matching mount point
// of the mount table; "/" when nothing else matches).
std::string MountPointOf(const std::string& path);
std::string MountPointOf(const std::string& path, const std::vector<std::string>& mountPoints);

// Bytes available to the user on the file system of `path`, 64-bit;
// 0 when it cannot be queried.
uint64_t FreeBytes(const std::string& path);

} // namespace vkplatform
