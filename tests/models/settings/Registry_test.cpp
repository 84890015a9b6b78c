// File associations written into a temporary home, read back through the
// module and through GLib's own reader (gio).
#include "models/settings/Registry.h"

#include "ScopedEnv.h"
#include "TestSupport.h"
#include "models/platform/Folders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

namespace {

const std::string kRoot = "HKEY_CLASSES_ROOT\\";

// HOME and the XDG folders pointed into a temporary directory.
struct TempHome {
    TempHome()
    {
        vktest::ScopedEnv::Set("HOME", dir.Path());
        vktest::ScopedEnv::Set("XDG_CONFIG_HOME", dir.File("config"));
        vktest::ScopedEnv::Set("XDG_DATA_HOME", dir.File("data"));
    }
    std::string MimeApps() const { return dir.File("config/mimeapps.list"); }
    std::string Entry() const { return dir.File("data/applications/velkor.desktop"); }
    vktest::ScopedEnv env{"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"};
    vktest::TempDir dir;
};

CRegistry MakeRegistry()
{
    return CRegistry("/opt/Velkor App/bin", "Velkor", "Velkor");
}

} // namespace

TEST(Registry, SplittingKeyPaths)
{
    struct Case {
        const char* path;
        bool ok;
        const char* root;
        const char* sub;
    };
    for (const Case& c :
         {Case{"HKEY_CLASSES_ROOT\\.jpg", true, "HKEY_CLASSES_ROOT", ".jpg"},
          Case{"HKEY_CURRENT_USER\\Software\\Velkor", true, "HKEY_CURRENT_USER", "Software\\Velkor"},
          Case{"HKEY_USERS", true, "HKEY_USERS", ""},
          Case{"HKEY_NONSENSE\\x", true, "HKEY_CLASSES_ROOT", "x"},
          Case{"HKEY_CLASSES_ROOT\\.jpg\\", false, "", ""}, Case{"SOFTWARE\\x", false, "", ""},
          Case{"", false, "", ""}}) {
        SCOPED_TRACE(c.path);
        std::string root, sub;
        EXPECT_EQ(CRegistry::SplitKeyPath(c.path, root, sub), c.ok);
        if (c.ok) {
            EXPECT_EQ(root, c.root);
            EXPECT_EQ(sub, c.sub);
        }
    }
}

TEST(Registry, AssociationWrittenAndReadBack)
{
    TempHome home;
    vktest::Run("mkdir -p " + vktest::Quote(home.dir.File("config")));
    const std::string others = "# kept\n"
                               "[Default Applications]\n"
                               "text/plain=gedit.desktop\n"
                               "image/jpeg=eog.desktop;\n"
                               "\n"
                               "[Added Associations]\n"
                               "image/png=gimp.desktop;\n"
                               "\n"
                               "[Removed Associations]\n"
                               "image/gif=foo.desktop;\n";
    vktest::WriteFile(home.MimeApps(), others);

    CRegistry reg = MakeRegistry();
    EXPECT_EQ(reg.ExePath(), "/opt/Velkor App/bin/Velkor"); // case kept
    EXPECT_EQ(reg.GetDefaultValue(kRoot + ".jpg"), "eog");
    EXPECT_EQ(reg.GetDefaultValue(kRoot + "Velkor"), CRegistry::kReadError);

    ASSERT_TRUE(reg.AssociateExtension(".jpg"));
    EXPECT_EQ(reg.GetDefaultValue(kRoot + ".jpg"), "Velkor");
    EXPECT_EQ(reg.GetDefaultValue(kRoot + "Velkor"), "Velkor Image");
    EXPECT_EQ(reg.GetDefaultValue(kRoot + "Velkor\\DefaultIcon"), "/opt/Velkor App/bin/Velkor, 0");
    EXPECT_EQ(reg.GetDefaultValue(kRoot + "Velkor\\shell\\open\\command"),
              "\"/opt/Velkor App/bin/Velkor\" \"%1\"");
    // .jpeg shares the MIME type of .jpg; other roots and keys unknown.
    EXPECT_EQ(reg.GetDefaultValue(kRoot + ".png"), CRegistry::kReadError); // no default set
    EXPECT_EQ(reg.GetDefaultValue(kRoot + ".JPEG"), "Velkor");
    EXPECT_EQ(reg.GetDefaultValue("HKEY_CURRENT_USER\\.jpg"), CRegistry::kReadError);

    const std::string list = vktest::ReadFile(home.MimeApps());
    EXPECT_EQ(list, "# kept\n"
                    "[Default Applications]\n"
                    "text/plain=gedit.desktop\n"
                    "image/jpeg=velkor.desktop;\n"
                    "\n"
                    "[Added Associations]\n"
                    "image/png=gimp.desktop;\n"
                    "image/jpeg=velkor.desktop;\n"
                    "\n"
                    "[Removed Associations]\n"
                    "image/gif=foo.desktop;\n");

    const std::string entry = vktest::ReadFile(home.Entry());
    EXPECT_NE(entry.find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(entry.find("Type=Application\n"), std::string::npos);
    // The entry declares every type the program opens.
    EXPECT_NE(entry.find("MimeType=image/bmp;image/x-eps;image/gif;image/x-ilbm;image/jpeg;"),
              std::string::npos)
        << entry;
    EXPECT_NE(entry.find("image/tiff;image/vnd.microsoft.icon;image/webp;image/avif;image/heic;image/heif;"
                         "image/jxl;\n"),
              std::string::npos)
        << entry;
    EXPECT_NE(entry.find("Exec=\"/opt/Velkor App/bin/Velkor\" %F\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("Icon=velkor\n"), std::string::npos) << entry;

    // A second type joins the first; associating again changes nothing.
    ASSERT_TRUE(reg.AssociateExtension(".png"));
    ASSERT_TRUE(reg.AssociateExtension(".png"));
    const std::string list2 = vktest::ReadFile(home.MimeApps());
    EXPECT_NE(list2.find("image/png=velkor.desktop;gimp.desktop;\n"), std::string::npos) << list2;
    EXPECT_NE(list2.find("[Default Applications]\ntext/plain=gedit.desktop\nimage/jpeg=velkor.desktop;\n"
                         "image/png=velkor.desktop;\n"),
              std::string::npos)
        << list2;
    const std::string entry2 = vktest::ReadFile(home.Entry());
    EXPECT_EQ(entry2.find("image/png;", entry2.find("image/png;") + 1), std::string::npos) << entry2;
}

// Fresh, and over an entry an older version wrote with keys of its own.
TEST(Registry, WrittenEntryValidatesWithoutStrayKeys)
{
    if (!vktest::HasProgram("desktop-file-validate"))
        GTEST_SKIP() << "desktop-file-validate not installed";
    for (const bool old : {false, true}) {
        SCOPED_TRACE(old ? "old entry" : "fresh");
        TempHome home;
        if (old) {
            vktest::Run("mkdir -p " + vktest::Quote(home.dir.File("data/applications")));
            vktest::WriteFile(home.Entry(), "[Desktop Entry]\nType=Application\nName=Velkor\n"
                                            "X-Velkor-DefaultIcon=/old/velkor, 0\n"
                                            "X-Velkor-Command=\"/old/velkor\" \"%1\"\n");
        }
        CRegistry reg = MakeRegistry();
        ASSERT_TRUE(reg.AssociateExtension(".png"));
        ASSERT_TRUE(reg.AssociateExtension(".gif"));
        const std::string entry = vktest::ReadFile(home.Entry());
        EXPECT_EQ(entry.find("X-Velkor"), std::string::npos) << entry;
        EXPECT_NE(entry.find("\nIcon=velkor\n"), std::string::npos) << entry;
        EXPECT_NE(entry.find("\nCategories=Graphics;Viewer;2DGraphics;RasterGraphics;\n"), std::string::npos)
            << entry;
        // The steps' values still read back.
        EXPECT_EQ(reg.GetDefaultValue(kRoot + "Velkor\\DefaultIcon"), "/opt/Velkor App/bin/Velkor, 0");
        EXPECT_EQ(reg.GetDefaultValue(kRoot + "Velkor\\shell\\open\\command"),
                  "\"/opt/Velkor App/bin/Velkor\" \"%1\"");
        std::string remarks;
        EXPECT_EQ(vktest::Run("desktop-file-validate " + vktest::Quote(home.Entry()) + " 2>&1", &remarks), 0);
        EXPECT_EQ(remarks, "") << entry;
    }
}

TEST(Registry, GioSeesTheDefaultApplication)
{
    if (!vktest::HasProgram("gio"))
        GTEST_SKIP() << "gio not installed";
    TempHome home;
    // GLib only trusts an entry whose program exists.
    vktest::Run("mkdir -p " + vktest::Quote(home.dir.File("bin dir")));
    vktest::WriteFile(home.dir.File("bin dir/Velkor"), "#!/bin/sh\n");
    ::chmod(home.dir.File("bin dir/Velkor").c_str(), 0755);
    CRegistry reg(home.dir.File("bin dir"), "Velkor", "Velkor");
    ASSERT_TRUE(reg.AssociateExtension(".tif"));
    std::string out;
    vktest::Run("XDG_DATA_DIRS=/nonexistent gio mime image/tiff 2>&1", &out);
    EXPECT_NE(out.find("velkor.desktop"), std::string::npos) << out;
}

TEST(Registry, FailuresStopAtTheFirstStep)
{
    TempHome home;
    CRegistry reg = MakeRegistry();
    // An extension with no known type fails before writing anything.
    EXPECT_FALSE(reg.AssociateExtension(".txt"));
    EXPECT_FALSE(vktest::FileExists(home.MimeApps()));
    EXPECT_FALSE(vktest::FileExists(home.Entry()));

    // Keys outside the association cannot be created or written.
    EXPECT_FALSE(reg.CreateKey("HKEY_LOCAL_MACHINE\\Software\\Velkor"));
    EXPECT_FALSE(reg.SetDefaultValue(kRoot + "Other\\shell", "x"));
    EXPECT_FALSE(reg.CreateKey(kRoot + ".jpg\\"));

    // A file where the applications folder should be: the type's keys
    // cannot be created, so the extension is never pointed at an entry
    // that does not exist.
    vktest::Run("mkdir -p " + vktest::Quote(home.dir.File("data")));
    vktest::WriteFile(home.dir.File("data/applications"), "in the way");
    EXPECT_FALSE(reg.AssociateExtension(".gif"));
    EXPECT_FALSE(vktest::FileExists(home.MimeApps()));

    // An unreadable mimeapps.list (a folder here) is never replaced.
    vktest::Run("rm -f " + vktest::Quote(home.dir.File("data/applications")));
    vktest::Run("mkdir -p " + vktest::Quote(home.MimeApps()));
    EXPECT_FALSE(reg.AssociateExtension(".gif"));
    struct stat st {};
    ASSERT_EQ(::stat(home.MimeApps().c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
}

TEST(Registry, MimeTypesOfTheAssociableExtensions)
{
    const CRegistry self = CRegistry::ForThisProgram();
    EXPECT_EQ(self.ExePath(), vkplatform::ExecutablePath());

    for (const char* ext :
         {".bmp", ".eps", ".gif", ".ico", ".iff", ".jpg",  ".pbm",  ".pct",  ".pcx",  ".pgm",
          ".png", ".ppm", ".ras", ".tga", ".tif", ".webp", ".avif", ".heic", ".heif", ".jxl"})
        EXPECT_EQ(CRegistry::MimeTypeFor(ext).rfind("image/", 0), 0u) << ext;
    EXPECT_EQ(CRegistry::MimeTypeFor(".HEIC"), "image/heic");
    EXPECT_EQ(CRegistry::MimeTypeFor(".JPG"), "image/jpeg");
    EXPECT_EQ(CRegistry::MimeTypeFor(".jfif"), "image/jpeg");
    EXPECT_EQ(CRegistry::MimeTypeFor(".tiff"), "image/tiff");
    EXPECT_EQ(CRegistry::MimeTypeFor(".txt"), "");
}
