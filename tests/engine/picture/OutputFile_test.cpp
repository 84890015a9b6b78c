// The one atomic writer, through both of its callers: the picture writers
// (COutputFile, here under the BMP writer) and small files such as the
// settings (WriteFileAtomically).
#include "ReadOnlyFolder.h"
#include "TestSupport.h"
#include "engine/picture/OutputFile.h"
#include "engine/picture/TextException.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace vktest;

namespace {

// Entries of a folder, hidden ones included, so a temporary left behind shows.
std::vector<std::string> Listing(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

mode_t ModeOf(const std::string& path)
{
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

// Writes `path` through each caller; true for each that succeeded.
struct Outcome {
    bool picture = false;
    bool bytes = false;
};
Outcome WriteBoth(const std::string& picturePath, const std::string& bytesPath)
{
    Outcome o;
    CWinBmp bmp;
    MakeTestPicture(bmp, 7, 5);
    try {
        SaveAsBmpFile(bmp, picturePath);
        o.picture = true;
    } catch (const CTextException&) {
    }
    o.bytes = WriteFileAtomically(bytesPath, "new contents");
    return o;
}

} // namespace

TEST(AtomicWriter, ReplacesInPlaceKeepingModeAndLinks)
{
    TempDir dir;
    // An existing file keeps its permission bits; a new one gets the umask's.
    WriteFile(dir.File("old.set"), "old");
    ::chmod(dir.File("old.set").c_str(), 0640);
    ASSERT_TRUE(WriteFileAtomically(dir.File("old.set"), "new"));
    EXPECT_EQ(ReadFile(dir.File("old.set")), "new");
    EXPECT_EQ(ModeOf(dir.File("old.set")), 0640u);
    const mode_t mask = ::umask(027);
    const bool written = WriteFileAtomically(dir.File("fresh.set"), "x");
    ::umask(mask);
    ASSERT_TRUE(written);
    EXPECT_EQ(ModeOf(dir.File("fresh.set")), 0640u);

    // A link is followed: the file it names is replaced, the link stays.
    ASSERT_EQ(::symlink("old.set", dir.File("link.bmp").c_str()), 0);
    CWinBmp bmp;
    MakeTestPicture(bmp, 3, 2);
    SaveAsBmpFile(bmp, dir.File("link.bmp"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.bmp")));
    EXPECT_EQ(DecodeWithVelkor(dir.File("old.set")), FromBitmap(bmp));
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"fresh.set", "link.bmp", "old.set"}));
}

TEST(AtomicWriter, FailuresLeaveTheOldFileAndNoTemporary)
{
    TempDir dir;
    // A folder in the way, a link to a folder, a missing folder: neither
    // caller writes, and the folder is as it was.
    std::filesystem::create_directory(dir.File("in-the-way"));
    WriteFile(dir.File("in-the-way/inside"), "kept");
    ASSERT_EQ(::symlink("in-the-way", dir.File("link-to-folder").c_str()), 0);
    for (const std::string name : {"in-the-way", "link-to-folder", "missing/file", ""}) {
        const Outcome o = WriteBoth(dir.File(name), dir.File(name));
        EXPECT_FALSE(o.picture) << name;
        EXPECT_FALSE(o.bytes) << name;
    }
    EXPECT_FALSE(WriteFileAtomically("", "x"));
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"in-the-way", "link-to-folder"}));
    EXPECT_EQ(Listing(dir.File("in-the-way")), std::vector<std::string>{"inside"});

    // A folder that refuses new files: the old files stay as they were.
    {
        ReadOnlyFolder locked(dir.File("locked"), {{"a.bmp", "old picture"}, {"vk.set", "old settings"}});
        if (locked.Locked()) {
            const Outcome o = WriteBoth(locked.File("a.bmp"), locked.File("vk.set"));
            EXPECT_FALSE(o.picture);
            EXPECT_FALSE(o.bytes);
            EXPECT_EQ(ReadFile(locked.File("a.bmp")), "old picture");
            EXPECT_EQ(ReadFile(locked.File("vk.set")), "old settings");
            EXPECT_EQ(Listing(locked.Path()), (std::vector<std::string>{"a.bmp", "vk.set"}));
        }
    }

    // A writer given up before Commit (a failed encoder) leaves nothing.
    WriteFile(dir.File("kept.bmp"), "old");
    {
        COutputFile file(dir.File("kept.bmp"));
        file.Write("partial", 7);
        EXPECT_EQ(Listing(dir.Path()).size(), 5u); // the temporary beside it
    }
    EXPECT_EQ(ReadFile(dir.File("kept.bmp")), "old");
    EXPECT_EQ(Listing(dir.Path()),
              (std::vector<std::string>{"in-the-way", "kept.bmp", "link-to-folder", "locked"}));
}

TEST(AtomicWriter, FullFileSystemKeepsTheOldFile)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small file system needs root";
    TempDir dir;
    const std::string small = dir.File("small");
    std::filesystem::create_directory(small);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "cannot mount a small file system here";
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount(path.c_str()); }
    } unmount{small};
    WriteFile(small + "/vk.set", "old settings");
    EXPECT_FALSE(WriteFileAtomically(small + "/vk.set", std::string(64 * 1024, 'x')));
    EXPECT_EQ(ReadFile(small + "/vk.set"), "old settings");
    EXPECT_EQ(Listing(small), std::vector<std::string>{"vk.set"});
}
