// Set file associations over the fifteen boxes, and Set Wallpaper: the BMP
// copy in the data folder and the desktop programs tried in turn (fakes on
// PATH record their calls).
#include "settings/Associations.h"
#include "settings/Wallpaper.h"

#include "ScopedEnv.h"
#include "TestSupport.h"
#include "picture/AnyPicDecoder.h"
#include "platform/Folders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

namespace {

// HOME, the XDG folders and PATH pointed into a temporary directory.
class TempDesktop {
public:
    TempDesktop()
    {
        vktest::ScopedEnv::Set("HOME", dir.Path());
        vktest::ScopedEnv::Set("XDG_CONFIG_HOME", dir.File("config"));
        vktest::ScopedEnv::Set("XDG_DATA_HOME", dir.File("data"));
        vktest::Run("mkdir -p " + vktest::Quote(dir.File("bin")));
    }
    // The desktop call with only the fakes on PATH: no real desktop is touched.
    std::string Apply(const std::string& path, bool background = false)
    {
        const std::string old = std::getenv("PATH") ? std::getenv("PATH") : "";
        ::setenv("PATH", dir.File("bin").c_str(), 1);
        std::string taken;
        if (background) {
            vkshell::ApplyDesktopWallpaperInBackground(path);
            vkshell::WaitForDesktopWallpaper();
        } else {
            taken = vkshell::ApplyDesktopWallpaper(path);
        }
        ::setenv("PATH", old.c_str(), 1);
        return taken;
    }
    // A program on PATH that appends its arguments to `log` and exits with `status`.
    void Fake(const std::string& program, int status, const std::string& output = "")
    {
        const std::string path = dir.File("bin/" + program);
        vktest::WriteFile(path, "#!/bin/sh\necho \"" + program + " $*\" >> " + vktest::Quote(Log()) + "\nprintf '" +
                                    output + "'\nexit " + std::to_string(status) + "\n");
        ::chmod(path.c_str(), 0755);
    }
    std::string Log() const { return dir.File("calls.log"); }
    std::string Calls() const { return vktest::FileExists(Log()) ? vktest::ReadFile(Log()) : ""; }
    vktest::ScopedEnv env{"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "PATH"};
    vktest::TempDir dir;
};

} // namespace

TEST(Associations, CheckedBoxesInOrderAndFailuresSkipped)
{
    // The boxes' labels are checked on the dialog (OptionsDialogs_test).
    CSettings s;
    s.associateGif = 0;
    const auto checks = vkshell::InitialChecks(s);
    EXPECT_FALSE(checks[2]);
    EXPECT_TRUE(checks[0]);

    TempDesktop home;
    // An existing list keeps its other entries.
    vktest::Run("mkdir -p " + vktest::Quote(home.dir.File("config")));
    vktest::WriteFile(home.dir.File("config/mimeapps.list"),
                      "[Default Applications]\ntext/plain=gedit.desktop\nimage/gif=gimp.desktop;\n");
    CRegistry registry(home.dir.File("bin"), "velkor", "Velkor");
    vkshell::AssociationChecks only{};
    only[4] = true;  // JPG
    only[13] = true; // TIF
    EXPECT_TRUE(vkshell::AssociateChecked(registry, only).empty());
    const std::string list = vktest::ReadFile(home.dir.File("config/mimeapps.list"));
    EXPECT_NE(list.find("text/plain=gedit.desktop\n"), std::string::npos) << list;
    EXPECT_NE(list.find("image/gif=gimp.desktop;\n"), std::string::npos) << list;
    EXPECT_NE(list.find("image/jpeg=velkor.desktop;\n"), std::string::npos) << list;
    EXPECT_NE(list.find("image/tiff=velkor.desktop;\n"), std::string::npos) << list;
    EXPECT_EQ(list.find("image/png"), std::string::npos) << list;
    // The modern types, which have no box, go with any association.
    for (const char* mime : {"image/webp", "image/avif", "image/heic", "image/heif", "image/jxl"})
        EXPECT_NE(list.find(std::string(mime) + "=velkor.desktop;\n"), std::string::npos) << mime << list;
    // The desktop entry's lines are checked where it is written (Registry_test).

    if (vktest::HasProgram("xdg-mime")) {
        std::string out;
        vktest::Run("XDG_DATA_DIRS=" + vktest::Quote(home.dir.File("data")) + " xdg-mime query default image/jpeg",
                    &out);
        EXPECT_NE(out.find("velkor.desktop"), std::string::npos) << out;
    }

    // Nothing was written outside the temporary home.
    std::string found;
    vktest::Run("cd " + vktest::Quote(home.dir.Path()) + " && find . -type f | sort", &found);
    EXPECT_EQ(found, "./config/mimeapps.list\n./data/applications/velkor.desktop\n");

    // A type that cannot be written is skipped; the rest still go through.
    vktest::Run("chmod a-w " + vktest::Quote(home.dir.File("config")));
    vktest::Run("chmod a-w " + vktest::Quote(home.dir.File("config/mimeapps.list")));
    if (::access(home.dir.File("config/mimeapps.list").c_str(), W_OK) != 0) {
        vkshell::AssociationChecks all;
        all.fill(true);
        EXPECT_EQ(vkshell::AssociateChecked(registry, all).size(), size_t(20));
        // With no box checked nothing is tried at all.
        EXPECT_TRUE(vkshell::AssociateChecked(registry, vkshell::AssociationChecks{}).empty());
    }
    vktest::Run("chmod u+w " + vktest::Quote(home.dir.File("config")));
}

TEST(Wallpaper, CopyIntoTheDataFolder)
{
    TempDesktop home;
    EXPECT_EQ(vkshell::WallpaperCopyPath("beach.png"), home.dir.File("data/velkor/beach.bmp"));
    EXPECT_EQ(vkshell::WallpaperCopyPath("Sea.BMP"), home.dir.File("data/velkor/Sea.BMP"));
    EXPECT_EQ(vkshell::WallpaperCopyPath("noext"), home.dir.File("data/velkor/noext.bmp"));
    EXPECT_EQ(vkshell::WallpaperCopyPath(".hidden"), home.dir.File("data/velkor/.hidden.bmp"));

    // A PNG's decoded picture is written as a BMP that others read back.
    CWinBmp picture;
    vktest::MakeTestPicture(picture, 37, 21);
    std::string copy;
    ASSERT_TRUE(vkshell::WriteWallpaperCopy(home.dir.File("beach.png"), "beach.png", picture, copy));
    EXPECT_EQ(copy, home.dir.File("data/velkor/beach.bmp"));
    const vktest::Pixels back = vktest::ReadWithImageMagick(copy);
    EXPECT_EQ(vktest::Diff(back, vktest::Opaque(vktest::FromBitmap(picture))), "");

    // A BMP file is copied byte for byte, replacing an older copy.
    vktest::WriteFile(home.dir.File("sea.bmp"), "BM not really a bitmap");
    vktest::WriteFile(home.dir.File("data/velkor/sea.bmp"), "old");
    CWinBmp empty;
    ASSERT_TRUE(vkshell::WriteWallpaperCopy(home.dir.File("sea.bmp"), "sea.bmp", empty, copy));
    EXPECT_EQ(vktest::ReadFile(copy), "BM not really a bitmap");
    // A vanished source fails and leaves the older copy.
    EXPECT_FALSE(vkshell::WriteWallpaperCopy(home.dir.File("gone.bmp"), "sea.bmp", empty, copy));
    EXPECT_EQ(vktest::ReadFile(home.dir.File("data/velkor/sea.bmp")), "BM not really a bitmap");
    // A data folder that cannot be made: false, nothing written.
    vktest::WriteFile(home.dir.File("blocked"), "a file");
    ::setenv("XDG_DATA_HOME", home.dir.File("blocked/data").c_str(), 1);
    EXPECT_FALSE(vkshell::WriteWallpaperCopy(home.dir.File("beach.png"), "beach.png", picture, copy));
    EXPECT_FALSE(vkshell::WriteWallpaperCopy(home.dir.File("sea.bmp"), "sea.bmp", empty, copy));
}

TEST(Wallpaper, DesktopProgramsTriedInTurn)
{
    TempDesktop home;
    const std::string path = home.dir.File("data/velkor/my sea.bmp");
    // No desktop program at all: no error, nothing called.
    EXPECT_EQ(home.Apply(path), "");

    // GNOME-like: both keys set with the file's URI.
    home.Fake("gsettings", 0);
    home.Fake("xfconf-query", 0);
    EXPECT_EQ(home.Apply(path), "gsettings");
    const std::string uri = "file://" + home.dir.File("data/velkor/my%20sea.bmp");
    EXPECT_EQ(home.Calls(), "gsettings set org.gnome.desktop.background picture-uri " + uri + "\n" +
                                "gsettings set org.gnome.desktop.background picture-uri-dark " + uri + "\n");

    // gsettings without the schema fails: Xfce's backdrops take it.
    vktest::Run("rm -f " + vktest::Quote(home.Log()));
    home.Fake("gsettings", 1);
    home.Fake("xfconf-query", 0,
              "/backdrop/screen0/monitor0/workspace0/last-image\\n/backdrop/screen0/monitor0/image-style\\n"
              "/backdrop/screen0/monitorHDMI/workspace1/last-image\\n");
    EXPECT_EQ(home.Apply(path), "xfconf-query");
    const std::string calls = home.Calls();
    EXPECT_NE(calls.find("xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitor0/workspace0/last-image -s " +
                         path + "\n"),
              std::string::npos)
        << calls;
    EXPECT_NE(calls.find("monitorHDMI/workspace1/last-image -s "), std::string::npos) << calls;
    EXPECT_EQ(calls.find("image-style -s"), std::string::npos) << calls;

    // Neither: the Plasma shell's scripting call.
    vktest::Run("rm -f " + vktest::Quote(home.Log()) + " " + vktest::Quote(home.dir.File("bin/xfconf-query")));
    home.Fake("qdbus", 0);
    EXPECT_EQ(home.Apply(path), "plasmashell");
    EXPECT_NE(home.Calls().find("qdbus org.kde.plasmashell /PlasmaShell org.kde.PlasmaShell.evaluateScript"),
              std::string::npos)
        << home.Calls();
    EXPECT_NE(home.Calls().find(uri), std::string::npos);

    // In the background: the call has happened once the wait returns.
    vktest::Run("rm -f " + vktest::Quote(home.Log()));
    home.Fake("gsettings", 0);
    home.Apply(path, true);
    EXPECT_NE(home.Calls().find("picture-uri-dark"), std::string::npos);
}
