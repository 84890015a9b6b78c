// A small tmpfs for the full-disk tests, mounted on a fresh folder. Where
// this process may not mount, a test can run itself again in a private
// user and mount namespace (unshare -rm), where a user may.
#pragma once

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <string>
#include <sys/mount.h>
#include <unistd.h>

namespace vktest {

class SmallMount {
  public:
    explicit SmallMount(const std::string& size)
    {
        const std::string options = "size=" + size;
        ok = ::mount("tmpfs", dir.Path().c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallMount()
    {
        if (ok)
            ::umount2(dir.Path().c_str(), MNT_DETACH);
    }
    SmallMount(const SmallMount&) = delete;
    SmallMount& operator=(const SmallMount&) = delete;
    bool Ok() const { return ok; }
    const std::string& Path() const { return dir.Path(); }
    std::string File(const std::string& name) const { return dir.File(name); }

    // Fills the file system with the hidden file ".filler" until no more
    // than `room` bytes are left; returns whether it got full.
    bool Fill(size_t room = 0)
    {
        const int fd = ::open(File(".filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0)
            return false;
        const std::string block(65536, 'f');
        size_t written = 0;
        bool full = false;
        for (;;) {
            const ssize_t n = ::write(fd, block.data(), block.size());
            if (n > 0) {
                written += size_t(n);
                continue;
            }
            full = n < 0 && errno == ENOSPC;
            if (n < 0 && errno == EINTR)
                continue;
            break;
        }
        if (full && room > 0)
            full = ::ftruncate(fd, off_t(written > room ? written - room : 0)) == 0;
        ::close(fd);
        return full;
    }

  private:
    TempDir dir;
    bool ok = false;
};

// Every file of `dir`, hidden ones too, with its bytes: what a full disk
// must leave as it was.
inline std::map<std::string, std::string> FilesIn(const std::string& dir)
{
    std::map<std::string, std::string> files;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..")
                files[name] = ReadFile(dir + "/" + name);
        }
        ::closedir(d);
    }
    return files;
}

enum class Rerun { NotPossible, Passed, Skipped, Failed };

// Runs the current test again under `unshare -rm`, for a user who may not
// mount here; `output` gets what it printed. NotPossible inside that run,
// or where user namespaces are not allowed.
inline Rerun RerunInMountNamespace(std::string& output)
{
    if (std::getenv("VELKOR_TEST_MOUNT_NAMESPACE") || Run("unshare -rm true >/dev/null 2>&1") != 0)
        return Rerun::NotPossible;
    char exe[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return Rerun::NotPossible;
    exe[n] = '\0';
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter = std::string(test->test_suite_name()) + "." + test->name();
    const int status = Run("VELKOR_TEST_MOUNT_NAMESPACE=1 unshare -rm " + Quote(exe) +
                               " --gtest_filter=" + Quote(filter) + " 2>&1",
                           &output);
    if (status != 0)
        return Rerun::Failed;
    return output.find("[  SKIPPED ]") != std::string::npos ? Rerun::Skipped : Rerun::Passed;
}

} // namespace vktest

// Mounts `mount`, or runs the test again where a user may mount and ends
// this run with its outcome; skips when neither can be done.
#define VK_REQUIRE_MOUNT(mount)                                                                              \
    if (!(mount).Ok()) {                                                                                     \
        std::string rerunOutput;                                                                             \
        switch (vktest::RerunInMountNamespace(rerunOutput)) {                                                \
        case vktest::Rerun::Passed:                                                                          \
            return;                                                                                          \
        case vktest::Rerun::Failed:                                                                          \
            FAIL() << "in a private mount namespace:\n" << rerunOutput;                                      \
        default:                                                                                             \
            GTEST_SKIP() << "no tmpfs mount allowed here, nor a private mount namespace";                    \
        }                                                                                                    \
    }
