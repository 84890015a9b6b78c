// The Linux platform layer: paths, drives, file status, working directory,
// folders and the trash.
#include "models/platform/Drives.h"
#include "models/platform/FileStatus.h"
#include "models/platform/Folders.h"
#include "models/platform/Path.h"
#include "models/platform/Trash.h"

#include "FileOpsTestSupport.h"
#include "ScopedEnv.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <regex>
#include <sys/stat.h>
#include <unistd.h>

using namespace vkplatform;
using vktest::ScopedEnv;

TEST(PlatformPath, JoinSplitAndRoots)
{
    EXPECT_EQ(vkpath::Join("/", "a.png"), "/a.png");
    EXPECT_EQ(vkpath::Join("/home/u", "a.png"), "/home/u/a.png");
    EXPECT_EQ(vkpath::Join("/home/u/", "a.png"), "/home/u/a.png");
    EXPECT_EQ(vkpath::Split("/a/b.png"), (std::pair<std::string, std::string>{"/a", "b.png"}));
    EXPECT_EQ(vkpath::Split("/b.png"), (std::pair<std::string, std::string>{"/", "b.png"}));
    EXPECT_EQ(vkpath::Split("b.png"), (std::pair<std::string, std::string>{"", "b.png"}));
    EXPECT_EQ(vkpath::StripTrailingSeparator("/a/b//"), "/a/b");
    EXPECT_EQ(vkpath::StripTrailingSeparator("/"), "/");
    EXPECT_EQ(vkpath::StripTrailingSeparator("//"), "/");
    EXPECT_EQ(vkpath::WithTrailingSeparator("/a"), "/a/");
    EXPECT_EQ(vkpath::WithTrailingSeparator("/"), "/");
    EXPECT_TRUE(vkpath::IsRoot("/"));
    EXPECT_FALSE(vkpath::IsRoot("/home"));
    EXPECT_TRUE(vkpath::IsInside("/media/usb/x", "/media/usb"));
    EXPECT_TRUE(vkpath::IsInside("/media/usb", "/media/usb/"));
    EXPECT_FALSE(vkpath::IsInside("/media/usb2", "/media/usb"));
    EXPECT_TRUE(vkpath::IsInside("/anything", "/"));
    EXPECT_FALSE(vkpath::IsInside("relative", "/"));
}

TEST(PlatformDrives, MountTableToDrives)
{
    const std::string table = "sysfs /sys sysfs rw 0 0\n"
                              "proc /proc proc rw 0 0\n"
                              "/dev/sda2 /home ext4 rw 0 0\n"
                              "overlay / overlay rw 0 0\n"
                              "tmpfs /run tmpfs rw 0 0\n"
                              "tmpfs /tmp tmpfs rw 0 0\n"
                              "/dev/sdb1 /media/u/USB\\040STICK vfat rw 0 0\n"
                              "/dev/sdc1 /run/media/u/CAM exfat rw 0 0\n"
                              "/dev/sda1 /boot/efi vfat rw 0 0\n"
                              "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n"
                              "/dev/sda2 /home ext4 rw 0 0\n"
                              "/dev/loop3 /snap/core/1 squashfs ro 0 0\n"
                              "nas:/pics /mnt/nas nfs4 rw 0 0\n"
                              "garbage\n";
    const auto drives = ParseDrives(table);
    EXPECT_EQ(drives, (std::vector<std::string>{"/", "/home", "/tmp", "/media/u/USB STICK",
                                                "/run/media/u/CAM", "/mnt/nas"}));
    EXPECT_EQ(MountPointOf("/home/u/Pictures/a.png", drives), "/home");
    EXPECT_EQ(MountPointOf("/home", drives), "/home");
    EXPECT_EQ(MountPointOf("/homework", drives), "/");
    EXPECT_EQ(MountPointOf("/media/u/USB STICK/DCIM", drives), "/media/u/USB STICK");
    EXPECT_EQ(MountPointOf("/etc", drives), "/");

    EXPECT_EQ(DriveEntry("/"), "[-/-]");
    EXPECT_EQ(DriveEntry("/media/u/USB STICK"), "[-/media/u/USB STICK-]");
    EXPECT_EQ(DriveFromEntry("[-/home-]"), "/home");
    EXPECT_EQ(DriveFromEntry("[-/-]"), "/");
    EXPECT_EQ(DriveFromEntry("/home"), "");
    EXPECT_EQ(DriveFromEntry("[--]"), "");

    // The live table: root first, and every path has a drive in it.
    const auto live = ListDrives();
    ASSERT_FALSE(live.empty());
    EXPECT_EQ(live.front(), "/");
    const std::string cwdDrive = MountPointOf(WorkingDirectory());
    EXPECT_NE(std::find(live.begin(), live.end(), cwdDrive), live.end());
}

TEST(PlatformDrives, FreeSpaceAgreesWithDf)
{
    vktest::TempDir dir;
    const uint64_t ours = FreeBytes(dir.Path());
    std::string out;
    ASSERT_EQ(vktest::Run("df -B1 --output=avail " + vktest::Quote(dir.Path()) + " | tail -1", &out), 0);
    const uint64_t df = std::strtoull(out.c_str(), nullptr, 10);
    ASSERT_GT(df, 0u);
    const uint64_t diff = ours > df ? ours - df : df - ours;
    EXPECT_LT(diff, 256ull << 20) << ours << " vs " << df; // other writers meanwhile
    EXPECT_EQ(FreeBytes(dir.File("missing/below")), 0u);
}

TEST(PlatformFileStatus, AttributeMapping)
{
    vktest::TempDir dir;
    vktest::WriteFile(dir.File("plain.png"), std::string(1234, 'x'));
    vktest::WriteFile(dir.File(".hidden.png"), "x");
    ASSERT_EQ(::mkdir(dir.File("sub.jpg").c_str(), 0755), 0);
    ASSERT_EQ(::mkfifo(dir.File("pipe.png").c_str(), 0644), 0);
    vktest::WriteFile(dir.File("locked.png"), "x");
    ASSERT_EQ(::chmod(dir.File("locked.png").c_str(), 0444), 0);

    FileStatus st;
    ASSERT_TRUE(GetFileStatus(dir.File("plain.png"), st));
    EXPECT_EQ(st.name, "plain.png");
    EXPECT_EQ(st.size, 1234u);
    EXPECT_EQ(st.attributes, kAttrArchive);
    EXPECT_GT(st.lastWriteTime, 1500000000);
    EXPECT_GT(st.lastAccessTime, 1500000000);

    ASSERT_TRUE(GetFileStatus(dir.File(".hidden.png"), st));
    EXPECT_EQ(st.attributes, kAttrArchive | kAttrHidden);
    ASSERT_TRUE(GetFileStatus(dir.File("sub.jpg"), st));
    EXPECT_EQ(st.attributes, kAttrDirectory);
    EXPECT_EQ(st.size, 0u);
    ASSERT_TRUE(GetFileStatus(dir.File("pipe.png"), st));
    EXPECT_EQ(st.attributes, kAttrSystem);
    ASSERT_TRUE(GetFileStatus(dir.File("locked.png"), st));
    EXPECT_EQ(st.attributes, kAttrArchive | kAttrReadOnly);
    EXPECT_FALSE(GetFileStatus(dir.File("missing.png"), st));

    EXPECT_EQ(AttributesFor("..", S_IFDIR | 0755, true), kAttrDirectory);
    EXPECT_EQ(AttributesFor(".git", S_IFDIR | 0555, false), kAttrDirectory | kAttrHidden | kAttrReadOnly);
    EXPECT_EQ(AttributesFor("dev", S_IFCHR | 0666, true), kAttrSystem);

    EXPECT_TRUE(IsDirectory(dir.File("sub.jpg")));
    EXPECT_FALSE(IsRegularFile(dir.File("sub.jpg")));
    EXPECT_TRUE(IsRegularFile(dir.File("plain.png")));
    EXPECT_TRUE(Exists(dir.File("pipe.png")));
    EXPECT_FALSE(Exists(dir.File("nothing")));
}

TEST(PlatformFolders, EnteringDirectories)
{
    ScopedEnv restore({"HOME"});
    vktest::TempDir dir;
    ASSERT_TRUE(MakePath(dir.File("a b/c")));
    std::string error;
    ASSERT_TRUE(EnterDirectory(dir.File("a b/c"), &error));
    EXPECT_EQ(WorkingDirectory(), dir.File("a b/c"));
    EXPECT_FALSE(EnterDirectory(dir.File("missing"), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(WorkingDirectory(), dir.File("a b/c")); // unchanged by the failure
    vktest::WriteFile(dir.File("file"), "x");
    EXPECT_FALSE(EnterDirectory(dir.File("file")));
    EXPECT_FALSE(EnterDirectory(""));
    EXPECT_TRUE(EnterDirectory("/"));
    EXPECT_EQ(WorkingDirectory(), "/");
    EXPECT_FALSE(MakePath(dir.File("file/below")));
    EXPECT_EQ(SystemDirectory(), "/");
    EXPECT_FALSE(ExecutablePath().empty());
}

TEST(PlatformFolders, ConfigAndDataFoldersAndAnchoring)
{
    ScopedEnv restore({"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "VELKOR_CONFIG_DIR"});
    ::setenv("HOME", "/home/some one", 1);
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("VELKOR_CONFIG_DIR");
    EXPECT_EQ(ConfigDirectory(), "/home/some one/.config/velkor");
    EXPECT_EQ(DataDirectory(), "/home/some one/.local/share/velkor");
    ::setenv("XDG_CONFIG_HOME", "/xdg/conf/", 1);
    ::setenv("XDG_DATA_HOME", "/xdg/data", 1);
    EXPECT_EQ(ConfigDirectory(), "/xdg/conf/velkor");
    EXPECT_EQ(DataDirectory(), "/xdg/data/velkor");
    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    EXPECT_EQ(ConfigDirectory(), "/home/some one/.config/velkor");
    ::setenv("VELKOR_CONFIG_DIR", "/tmp/vk-test-conf", 1);
    EXPECT_EQ(ConfigDirectory(), "/tmp/vk-test-conf");

    // A relative folder is anchored once, where Velkor started.
    vktest::TempDir dir;
    ASSERT_TRUE(EnterDirectory(dir.Path()));
    ::setenv("VELKOR_CONFIG_DIR", "./conf/../settings/", 1);
    AnchorConfigDirectory();
    EXPECT_EQ(ConfigDirectory(), dir.File("settings"));
    // Moving on does not move the settings, and anchoring again keeps them.
    ASSERT_TRUE(EnterDirectory("/"));
    AnchorConfigDirectory();
    EXPECT_EQ(ConfigDirectory(), dir.File("settings"));
    // Absolute values stay as they are.
    ::setenv("VELKOR_CONFIG_DIR", "/abs/conf", 1);
    AnchorConfigDirectory();
    EXPECT_EQ(ConfigDirectory(), "/abs/conf");
}

TEST(PlatformFolders, ManualFoundWhereItIsInstalled)
{
    vktest::TempDir dir;
    const auto install = [](const std::string& folder) {
        EXPECT_TRUE(MakePath(folder));
        vktest::WriteFile(folder + "/index.html", "<html></html>");
        return folder + "/index.html";
    };
    // Moved to the documentation folder by a distribution, found from bin.
    const std::string doc = install(dir.File("usr/share/doc/velkor/manual"));
    EXPECT_EQ(FindManual(dir.File("usr/bin"), {}), doc);
    // The package's own folder comes first.
    const std::string own = install(dir.File("usr/share/velkor/manual"));
    EXPECT_EQ(FindManual(dir.File("usr/bin"), {}), own);
    // A program elsewhere finds it through the desktop's data folders.
    EXPECT_TRUE(MakePath(dir.File("opt/velkor/bin")));
    EXPECT_EQ(FindManual(dir.File("opt/velkor/bin"), {dir.File("nothing"), dir.File("usr/share")}), own);

    // The running program finds one too (the build's copy here), whatever
    // the data folders say.
    ScopedEnv restore({"XDG_DATA_DIRS"});
    ::setenv("XDG_DATA_DIRS", "relative:/nowhere:", 1);
    EXPECT_FALSE(ManualPath().empty());
}

TEST(PlatformTrash, MovesIntoTheUsersTrash)
{
    ScopedEnv restore({"HOME", "XDG_DATA_HOME"});
    vktest::TempDir dir;
    ::setenv("HOME", dir.Path().c_str(), 1);
    ::setenv("XDG_DATA_HOME", dir.File("share").c_str(), 1);
    vktest::WriteFile(dir.File("pic one.png"), "pixels");
    std::string error;
    ASSERT_TRUE(MoveToTrash(dir.File("pic one.png"), &error)) << error;
    EXPECT_FALSE(vktest::FileExists(dir.File("pic one.png")));
    std::string found;
    vktest::Run("find " + vktest::Quote(dir.Path()) + " -path '*Trash*/files/*' -name 'pic one*'", &found);
    EXPECT_FALSE(found.empty());
    EXPECT_FALSE(MoveToTrash(dir.File("pic one.png"), &error));
    EXPECT_FALSE(error.empty());
}

namespace {

// The info file of `name` in `trash`, checked for the fields every desktop reads.
std::string TrashInfo(const std::string& trash, const std::string& name)
{
    const std::string info = vktest::ReadFile(trash + "/info/" + name + ".trashinfo");
    EXPECT_TRUE(
        std::regex_search(info, std::regex("^\\[Trash Info\\]\nPath=[^\n]*\n"
                                           "DeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n$")))
        << info;
    return info;
}

} // namespace

TEST(PlatformTrash, PathsAreEscapedAndClashingNamesNumbered)
{
    EXPECT_EQ(EscapeTrashPath("/a b/100%/\xC3\xA9t\xC3\xA9\nx~_-.png"),
              "/a%20b/100%25/%C3%A9t%C3%A9%0Ax~_-.png");
    EXPECT_EQ(EscapeTrashPath("/#?&=+;'\"[]"), "/%23%3F%26%3D%2B%3B%27%22%5B%5D");

    ScopedEnv restore({"XDG_DATA_HOME"});
    vktest::TempDir dir;
    ::setenv("XDG_DATA_HOME", dir.File("share").c_str(), 1);
    const std::string trash = dir.File("share/Trash");
    for (const char* name : {"100% sure.png", "\xC3\x9Cml\xC3\xA4ut.jpg", "two\nlines.bmp"}) {
        vktest::WriteFile(dir.File(name), name);
        std::string error;
        ASSERT_EQ(Trash(dir.File(name), &error), TrashResult::Ok) << error;
        EXPECT_EQ(vktest::ReadFile(trash + "/files/" + name), name);
        const std::string info = TrashInfo(trash, name);
        EXPECT_NE(info.find("\nPath=" + EscapeTrashPath(dir.File(name)) + "\n"), std::string::npos) << info;
    }
    EXPECT_EQ(TrashDirectoryFor(dir.Path()), trash);
    EXPECT_EQ(vkfotest::Mode(trash) & 0777, 0700u);

    // A name taken by an info file or by a file alone is passed over, and
    // no info file is left for a name not used.
    ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0755), 0);
    vktest::WriteFile(dir.File("sub/100% sure.png"), "second");
    vktest::WriteFile(trash + "/files/100% sure.2.png", "orphan");
    ASSERT_EQ(Trash(dir.File("sub/100% sure.png")), TrashResult::Ok);
    EXPECT_EQ(vktest::ReadFile(trash + "/files/100% sure.3.png"), "second");
    EXPECT_NE(TrashInfo(trash, "100% sure.3.png").find("/sub/100%25%20sure.png\n"), std::string::npos);
    EXPECT_FALSE(vktest::FileExists(trash + "/info/100% sure.2.png.trashinfo"));
    EXPECT_EQ(Trash(dir.File("gone.png")), TrashResult::Failed);
}

TEST(PlatformTrash, OtherFileSystemsUseTheirOwnTrashOrNone)
{
    ScopedEnv restore({"XDG_DATA_HOME"});
    vktest::TempDir home;
    ::setenv("XDG_DATA_HOME", home.Path().c_str(), 1);
    vkfotest::SmallMount disk("1m"), full("1m");
    if (!disk.Ok() || !full.Ok())
        GTEST_SKIP() << "no tmpfs mount allowed here";
    const std::string uid = std::to_string(::geteuid());

    // $topdir/.Trash-$uid, made private, with a Path= relative to the top.
    ASSERT_EQ(::mkdir(disk.File("pics").c_str(), 0755), 0);
    vktest::WriteFile(disk.File("pics/a b.png"), "a");
    std::string error;
    ASSERT_EQ(Trash(disk.File("pics/a b.png"), &error), TrashResult::Ok) << error;
    const std::string own = disk.File(".Trash-" + uid);
    EXPECT_EQ(vktest::ReadFile(own + "/files/a b.png"), "a");
    EXPECT_EQ(vkfotest::Mode(own) & 0777, 0700u);
    EXPECT_NE(TrashInfo(own, "a b.png").find("\nPath=pics/a%20b.png\n"), std::string::npos);

    // A shared $topdir/.Trash is used only with the sticky bit.
    ASSERT_EQ(::mkdir(disk.File(".Trash").c_str(), 0777), 0);
    EXPECT_EQ(TrashDirectoryFor(disk.File("pics")), own);
    ASSERT_EQ(::chmod(disk.File(".Trash").c_str(), 01777), 0);
    EXPECT_EQ(TrashDirectoryFor(disk.File("pics")), disk.File(".Trash/" + uid));

    // No usable trash there: the file stays, nothing is copied home.
    vktest::WriteFile(full.File(".Trash-" + uid), "not a folder");
    vktest::WriteFile(full.File("b.png"), "b");
    EXPECT_EQ(Trash(full.File("b.png"), &error), TrashResult::NoTrash);
    EXPECT_NE(error.find(full.Path()), std::string::npos) << error;
    EXPECT_EQ(vktest::ReadFile(full.File("b.png")), "b");
    EXPECT_FALSE(vktest::FileExists(home.File("Trash/files/b.png")));
}
