// Set file associations over the fifteen boxes, and Set Wallpaper: the one
// wallpaper file in the data folder and each desktop's own call (a runner
// records the calls and runs nothing).
#include "models/settings/Associations.h"
#include "models/settings/Wallpaper.h"

#include "ScopedEnv.h"
#include "TestSupport.h"
#include "engine/picture/AnyPicDecoder.h"
#include "engine/save/PNGEncoder.h"
#include "models/platform/Folders.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>

#include <cstdlib>
#include <functional>
#include <sys/stat.h>

namespace {

// HOME and the XDG folders pointed into a temporary directory.
class TempDesktop {
  public:
    TempDesktop()
    {
        vktest::ScopedEnv::Set("HOME", dir.Path());
        vktest::ScopedEnv::Set("XDG_CONFIG_HOME", dir.File("config"));
        vktest::ScopedEnv::Set("XDG_DATA_HOME", dir.File("data"));
        vktest::Run("mkdir -p " + vktest::Quote(dir.File("bin")));
    }
    vktest::ScopedEnv env{"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"};
    vktest::TempDir dir;
};

using Argv = std::vector<std::string>;

// The desktop named `desktop`, and a runner that records every program's
// argv instead of running it, answering with `succeeds`.
class FakeDesktop : public TempDesktop {
  public:
    explicit FakeDesktop(const std::string& desktop)
    {
        vktest::ScopedEnv::Set("XDG_CURRENT_DESKTOP", desktop);
        vktest::ScopedEnv::Unset("SWAYSOCK");
        vkshell::SetProgramRunner([this](const Argv& argv, std::string* output) {
            calls.push_back(argv);
            if (output)
                *output = listing;
            return succeeds(argv);
        });
    }
    ~FakeDesktop() { vkshell::SetProgramRunner({}); }
    std::vector<Argv> calls;
    std::function<bool(const Argv&)> succeeds = [](const Argv&) { return true; };
    std::string listing;
    vktest::ScopedEnv desktopEnv{"XDG_CURRENT_DESKTOP", "SWAYSOCK"};
};

std::string Uri(const std::string& path)
{
    return QUrl::fromLocalFile(QString::fromStdString(path)).toString(QUrl::FullyEncoded).toStdString();
}

// The string literal the Plasma script holds, and the script around it.
std::pair<std::string, std::string> SplitScript(const std::string& script)
{
    const std::string head = "var uri = ";
    const size_t end = script.find(";\n");
    if (!script.starts_with(head) || end == std::string::npos)
        return {};
    return {script.substr(head.size(), end - head.size()), script.substr(end)};
}

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
    const CFileAssociation registry(home.dir.File("bin"), "velkor", "Velkor");
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
    // The desktop entry's lines are checked where it is written (DesktopAssociation_test).

    if (vktest::HasProgram("xdg-mime")) {
        std::string out;
        vktest::Run("XDG_DATA_DIRS=" + vktest::Quote(home.dir.File("data")) +
                        " xdg-mime query default image/jpeg",
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

TEST(Wallpaper, EachDesktopGetsItsOwnCall)
{
    const std::string path = "/home/me/.local/share/velkor/wallpaper-1.png";
    const std::string uri = "file://" + path;
    const std::vector<std::pair<std::string, std::vector<Argv>>> cases = {
        {"ubuntu:GNOME",
         {{"gsettings", "set", "org.gnome.desktop.background", "picture-uri", uri},
          {"gsettings", "set", "org.gnome.desktop.background", "picture-uri-dark", uri}}},
        {"Budgie:GNOME",
         {{"gsettings", "set", "org.gnome.desktop.background", "picture-uri", uri},
          {"gsettings", "set", "org.gnome.desktop.background", "picture-uri-dark", uri}}},
        {"unity",
         {{"gsettings", "set", "org.gnome.desktop.background", "picture-uri", uri},
          {"gsettings", "set", "org.gnome.desktop.background", "picture-uri-dark", uri}}},
        {"X-Cinnamon", {{"gsettings", "set", "org.cinnamon.desktop.background", "picture-uri", uri}}},
        {"MATE", {{"gsettings", "set", "org.mate.background", "picture-filename", path}}},
        {"XFCE",
         {{"xfconf-query", "-c", "xfce4-desktop", "-l"},
          {"xfconf-query", "-c", "xfce4-desktop", "-p", "/backdrop/screen0/monitor0/workspace0/last-image",
           "-s", path},
          {"xfconf-query", "-c", "xfce4-desktop", "-p",
           "/backdrop/screen0/monitorHDMI-1/workspace3/last-image", "-s", path}}},
        {"LXQt", {{"pcmanfm-qt", "--set-wallpaper", path}}},
        {"sway", {{"swaymsg", "output", "*", "bg", path, "fill"}}},
    };
    for (const auto& [desktop, want] : cases) {
        FakeDesktop fake(desktop);
        fake.listing =
            "/backdrop/screen0/monitor0/workspace0/last-image\n/backdrop/screen0/monitor0/image-style\n"
            "/backdrop/screen0/monitorHDMI-1/workspace3/last-image\n";
        EXPECT_NE(vkshell::ApplyDesktopWallpaper(path), "") << desktop;
        EXPECT_EQ(fake.calls, want) << desktop;
    }

    // Plasma: one script through the first D-Bus tool there is.
    FakeDesktop plasma("KDE");
    plasma.succeeds = [](const Argv& argv) { return argv[0] == "dbus-send"; };
    EXPECT_EQ(vkshell::ApplyDesktopWallpaper(path), "KDE Plasma");
    ASSERT_EQ(plasma.calls.size(), 3u);
    EXPECT_EQ(plasma.calls[0][0], "qdbus6");
    EXPECT_EQ(Argv(plasma.calls[1].begin(), plasma.calls[1].end() - 1),
              (Argv{"qdbus", "org.kde.plasmashell", "/PlasmaShell", "org.kde.PlasmaShell.evaluateScript"}));
    const Argv& send = plasma.calls[2];
    ASSERT_EQ(send.size(), 8u);
    EXPECT_EQ(Argv(send.begin(), send.end() - 1),
              (Argv{"dbus-send", "--session", "--print-reply", "--dest=org.kde.plasmashell",
                    "--type=method_call", "/PlasmaShell", "org.kde.PlasmaShell.evaluateScript"}));
    EXPECT_EQ(send[7], "string:" + plasma.calls[1].back());
    EXPECT_EQ(SplitScript(plasma.calls[1].back()).first, "\"" + uri + "\"");

    // A desktop that refuses passes to the next one named.
    FakeDesktop both("GNOME:KDE");
    both.succeeds = [](const Argv& argv) { return argv[0] != "gsettings"; };
    EXPECT_EQ(vkshell::ApplyDesktopWallpaper(path), "KDE Plasma");
    EXPECT_EQ(both.calls.size(), 2u);
}

TEST(Wallpaper, AQuoteInTheNameStaysInsideThePlasmaScript)
{
    FakeDesktop fake("KDE");
    const std::string plain = "/tmp/sea.png";
    const std::string odd = "/tmp/it's \"x\"\\ ');evil(' \n$(rm -rf).png";
    vkshell::ApplyDesktopWallpaper(plain);
    vkshell::ApplyDesktopWallpaper(odd);
    ASSERT_EQ(fake.calls.size(), 2u);
    const auto [plainLiteral, plainRest] = SplitScript(fake.calls[0].back());
    const auto [oddLiteral, oddRest] = SplitScript(fake.calls[1].back());
    // The script around the name is the same; the name is one string
    // literal that reads back as the file's URI.
    EXPECT_EQ(oddRest, plainRest);
    EXPECT_EQ(oddLiteral.find('\''), std::string::npos) << oddLiteral;
    const QJsonDocument parsed = QJsonDocument::fromJson(QByteArray::fromStdString("[" + oddLiteral + "]"));
    ASSERT_TRUE(parsed.isArray()) << oddLiteral;
    EXPECT_EQ(parsed.array().at(0).toString().toStdString(), Uri(odd));
    EXPECT_EQ(QUrl(parsed.array().at(0).toString()).toLocalFile().toStdString(), odd);
}

TEST(Wallpaper, NoDesktopTookIt)
{
    {
        FakeDesktop fake("i3");
        EXPECT_EQ(vkshell::ApplyDesktopWallpaper("/tmp/sea.png"), "");
        EXPECT_TRUE(fake.calls.empty());
        const std::string message = vkshell::NoDesktopMessage();
        EXPECT_NE(message.find("not set"), std::string::npos) << message;
        EXPECT_NE(message.find("\"i3\""), std::string::npos) << message;
        // sway is known by its socket as well.
        vktest::ScopedEnv::Set("SWAYSOCK", "/run/user/1/sway-ipc.sock");
        EXPECT_EQ(vkshell::ApplyDesktopWallpaper("/tmp/sea.png"), "sway");
    }
    FakeDesktop fake("GNOME");
    fake.succeeds = [](const Argv&) { return false; };
    EXPECT_EQ(vkshell::ApplyDesktopWallpaper("/tmp/sea.png"), "");
    EXPECT_NE(vkshell::NoDesktopMessage().find("(GNOME) did not take it"), std::string::npos)
        << vkshell::NoDesktopMessage();
}

TEST(Wallpaper, OneFileKeptTheOriginalWhenUnedited)
{
    FakeDesktop fake("LXQt");
    const std::string data = fake.dir.File("data/velkor/");
    CWinBmp picture;
    vktest::MakeTestPicture(picture, 37, 21);
    const std::string png = fake.dir.File("sea.png");
    CPNGEncoder().Save(png, picture, false);
    auto apply = [&](const std::string& file) {
        std::string taken = "?";
        vkshell::ApplyDesktopWallpaperInBackground(file,
                                                   [&](const std::string& desktop) { taken = desktop; });
        vkshell::WaitForDesktopWallpaper();
        QCoreApplication::processEvents();
        return taken;
    };
    auto files = [&] {
        std::string listing;
        vktest::Run("ls " + vktest::Quote(data), &listing);
        return listing;
    };

    // An unedited PNG is handed over as it is.
    std::string file;
    ASSERT_TRUE(vkshell::WriteWallpaperFile(png, picture, false, file));
    EXPECT_EQ(file, data + "wallpaper-1.png");
    EXPECT_EQ(vktest::ReadFile(file), vktest::ReadFile(png));
    EXPECT_EQ(apply(file), "LXQt");

    // Edited: the picture shown is written, under the other name (a desktop
    // given the name it has would keep the old picture); the old file goes.
    vktest::MakeTestPicture(picture, 20, 10, 7);
    ASSERT_TRUE(vkshell::WriteWallpaperFile(png, picture, true, file));
    EXPECT_EQ(file, data + "wallpaper-2.png");
    EXPECT_EQ(vktest::Diff(vktest::DecodeWithVelkor(file), vktest::Opaque(vktest::FromBitmap(picture))), "");
    EXPECT_EQ(apply(file), "LXQt");
    EXPECT_EQ(files(), "wallpaper-2.png\n");

    // A type not every desktop reads is written as PNG too.
    vktest::WriteFile(fake.dir.File("sea.ppm"), vktest::ToPpm(picture));
    ASSERT_TRUE(vkshell::WriteWallpaperFile(fake.dir.File("sea.ppm"), picture, false, file));
    EXPECT_EQ(file, data + "wallpaper-1.png");
    EXPECT_EQ(vktest::Diff(vktest::DecodeWithVelkor(file), vktest::Opaque(vktest::FromBitmap(picture))), "");

    // No desktop took it: the new file goes, the one in use stays.
    fake.succeeds = [](const Argv&) { return false; };
    EXPECT_EQ(apply(file), "");
    EXPECT_EQ(files(), "wallpaper-2.png\n");

    // A data folder that cannot be made: false, nothing written.
    vktest::WriteFile(fake.dir.File("blocked"), "a file");
    ::setenv("XDG_DATA_HOME", fake.dir.File("blocked/data").c_str(), 1);
    EXPECT_FALSE(vkshell::WriteWallpaperFile(png, picture, false, file));
}
