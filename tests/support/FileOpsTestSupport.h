// Helpers for the file operation tests: folder listings, file times, and a
// small tmpfs mount where the machine allows one.
#pragma once

#include "SmallMount.h"
#include "TestSupport.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdint>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#include <vector>

namespace vkfotest {

// Every name in `dir` (hidden ones too), sorted.
inline std::vector<std::string> List(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..")
                names.push_back(n);
        }
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

inline void SetMtime(const std::string& path, int64_t seconds)
{
    const struct timeval times[2] = {{time_t(seconds), 0}, {time_t(seconds), 0}};
    ::utimes(path.c_str(), times);
}

inline int64_t Mtime(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? int64_t(st.st_mtime) : -1;
}

inline unsigned Mode(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? unsigned(st.st_mode & 07777) : 0;
}

// A file of `size` bytes with a repeating pattern.
inline void MakeFile(const std::string& path, size_t size, char seed = 'a')
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = char(seed + i % 23);
    vktest::WriteFile(path, bytes);
}

using vktest::SmallMount;

// Processes the owner's queued calls until `done` holds; the bound only keeps
// a broken build from hanging, no time is asserted.
template <class Done> bool WaitFor(Done done)
{
    for (int i = 0; i < 30000 && !done(); ++i) {
        QCoreApplication::processEvents();
        ::usleep(1000);
    }
    return done();
}

// Runs the tests as a user who is not root would: read-only folders refuse
// changes to root too, so those cases are skipped for root.
inline bool IsRoot()
{
    return ::geteuid() == 0;
}

} // namespace vkfotest

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>

namespace vkfotest {

// Makes a folder refuse changes: its mode for a normal user, the immutable
// flag for root (whom modes do not stop). False when neither works here.
inline bool LockFolder(const std::string& dir, bool lock)
{
    if (!IsRoot())
        return ::chmod(dir.c_str(), lock ? 0555 : 0755) == 0;
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = lock ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

} // namespace vkfotest

#include <linux/capability.h>
#include <sys/syscall.h>

namespace vkfotest {

// Makes the calling thread obey file modes as a normal user does: root's
// overrides of read, write and search permission are dropped from its
// effective set while the object lives (a normal user has none to drop).
class WithoutAccessOverride {
  public:
    WithoutAccessOverride()
    {
        if (!IsRoot())
            return;
        if (::syscall(SYS_capget, &header, saved) != 0)
            return;
        __user_cap_data_struct lowered[2] = {saved[0], saved[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        dropped = ::syscall(SYS_capset, &header, lowered) == 0;
    }
    ~WithoutAccessOverride()
    {
        if (dropped)
            ::syscall(SYS_capset, &header, saved);
    }
    bool Ok() const { return !IsRoot() || dropped; }

  private:
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved[2] = {};
    bool dropped = false;
};

} // namespace vkfotest

#include "ui/fileops/RenameDlg.h"

#include <QLineEdit>
#include <QRadioButton>

namespace vkfotest {

// Answers Rename Series with `base` over all files; any other dialog is
// rejected.
inline int RenameSeriesOfAll(QDialog& dialog, const char* base)
{
    auto* series = qobject_cast<CRenameSeriesDlg*>(&dialog);
    if (!series)
        return int(QDialog::Rejected);
    series->GetEdit()->setText(base);
    series->GetAllButton()->setChecked(true);
    return int(QDialog::Accepted);
}

} // namespace vkfotest
