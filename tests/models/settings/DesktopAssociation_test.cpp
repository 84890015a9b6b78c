// File associations written into a temporary home, read back through the
// desktop entry and mimeapps.list models and through GLib's own reader (gio).
#include "models/settings/DesktopAssociation.h"

#include "ScopedEnv.h"
#include "TestSupport.h"
#include "engine/picture/FormatRegistry.h"
#include "models/platform/Folders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sys/stat.h>

namespace {

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

CFileAssociation MakeAssociation()
{
    return CFileAssociation("/opt/Velkor App/bin", "Velkor", "Velkor");
}

std::string DefaultOf(const std::string& mimeType)
{
    CMimeApps list;
    return list.Load() ? list.DefaultFor(mimeType) : "unreadable";
}

CDesktopEntry Entry()
{
    CDesktopEntry entry;
    EXPECT_TRUE(entry.Load());
    return entry;
}

} // namespace

TEST(DesktopAssociation, AssociationWrittenAndReadBack)
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

    const CFileAssociation reg = MakeAssociation();
    EXPECT_EQ(reg.ExePath(), "/opt/Velkor App/bin/Velkor"); // case kept
    EXPECT_EQ(DefaultOf("image/jpeg"), "eog.desktop");
    EXPECT_EQ(Entry().Get("Comment"), "");

    ASSERT_TRUE(reg.AssociateExtension(".jpg"));
    EXPECT_EQ(DefaultOf("image/jpeg"), "velkor.desktop");
    EXPECT_EQ(Entry().Get("Comment"), "Velkor Image");
    EXPECT_EQ(Entry().Get("Icon"), "velkor");
    EXPECT_EQ(Entry().Get("Exec"), "\"/opt/Velkor App/bin/Velkor\" %F");
    EXPECT_EQ(Entry().Get("Exec"), reg.ExecLine());
    // .jpeg shares the MIME type of .jpg; a type not associated has no default.
    EXPECT_EQ(DefaultOf("image/png"), "");
    EXPECT_EQ(CFileAssociation::MimeTypeFor(".JPEG"), "image/jpeg");

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
                         "image/jxl;image/x-adobe-dng;image/x-canon-cr2;"),
              std::string::npos)
        << entry;
    EXPECT_NE(entry.find("image/x-samsung-srw;image/x-canon-crw;image/x-dcraw;\n"), std::string::npos)
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
TEST(DesktopAssociation, WrittenEntryValidatesWithoutStrayKeys)
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
        const CFileAssociation reg = MakeAssociation();
        ASSERT_TRUE(reg.AssociateExtension(".png"));
        ASSERT_TRUE(reg.AssociateExtension(".gif"));
        const std::string entry = vktest::ReadFile(home.Entry());
        EXPECT_EQ(entry.find("X-Velkor"), std::string::npos) << entry;
        EXPECT_NE(entry.find("\nIcon=velkor\n"), std::string::npos) << entry;
        EXPECT_NE(entry.find("\nCategories=Graphics;Viewer;2DGraphics;RasterGraphics;\n"), std::string::npos)
            << entry;
        // The program's Exec line replaces the old one.
        EXPECT_EQ(Entry().Get("Exec"), "\"/opt/Velkor App/bin/Velkor\" %F");
        std::string remarks;
        EXPECT_EQ(vktest::Run("desktop-file-validate " + vktest::Quote(home.Entry()) + " 2>&1", &remarks), 0);
        EXPECT_EQ(remarks, "") << entry;
    }
}

TEST(DesktopAssociation, GioSeesTheDefaultApplication)
{
    if (!vktest::HasProgram("gio"))
        GTEST_SKIP() << "gio not installed";
    TempHome home;
    // GLib only trusts an entry whose program exists.
    vktest::Run("mkdir -p " + vktest::Quote(home.dir.File("bin dir")));
    vktest::WriteFile(home.dir.File("bin dir/Velkor"), "#!/bin/sh\n");
    ::chmod(home.dir.File("bin dir/Velkor").c_str(), 0755);
    const CFileAssociation reg(home.dir.File("bin dir"), "Velkor", "Velkor");
    ASSERT_TRUE(reg.AssociateExtension(".tif"));
    std::string out;
    vktest::Run("XDG_DATA_DIRS=/nonexistent gio mime image/tiff 2>&1", &out);
    EXPECT_NE(out.find("velkor.desktop"), std::string::npos) << out;
}

TEST(DesktopAssociation, FailuresStopAtTheFirstStep)
{
    TempHome home;
    const CFileAssociation reg = MakeAssociation();
    // An extension with no known type fails before writing anything.
    EXPECT_FALSE(reg.AssociateExtension(".txt"));
    EXPECT_FALSE(vktest::FileExists(home.MimeApps()));
    EXPECT_FALSE(vktest::FileExists(home.Entry()));

    // A file where the applications folder should be: the entry cannot be
    // written, so the type is never pointed at an entry that does not
    // exist.
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

TEST(DesktopAssociation, MimeTypesOfTheAssociableExtensions)
{
    const CFileAssociation self = CFileAssociation::ForThisProgram();
    EXPECT_EQ(self.ExePath(), vkplatform::ExecutablePath());

    for (const char* ext :
         {".bmp", ".eps", ".gif", ".ico", ".iff", ".jpg",  ".pbm",  ".pct",  ".pcx",  ".pgm",
          ".png", ".ppm", ".ras", ".tga", ".tif", ".webp", ".avif", ".heic", ".heif", ".jxl"})
        EXPECT_EQ(CFileAssociation::MimeTypeFor(ext).rfind("image/", 0), 0u) << ext;
    EXPECT_EQ(CFileAssociation::MimeTypeFor(".HEIC"), "image/heic");
    EXPECT_EQ(CFileAssociation::MimeTypeFor(".JPG"), "image/jpeg");
    EXPECT_EQ(CFileAssociation::MimeTypeFor(".jfif"), "image/jpeg");
    EXPECT_EQ(CFileAssociation::MimeTypeFor(".tiff"), "image/tiff");
    EXPECT_EQ(CFileAssociation::MimeTypeFor(".txt"), "");
}

// Every kind of the format registry, by each extension it is known by:
// its MIME type's lines are written once and read back, and the entry
// declares it.
TEST(DesktopAssociation, EveryKindOfTheRegistryReadsBack)
{
    TempHome home;
    const CFileAssociation reg = MakeAssociation();
    std::vector<std::string> types;
    for (const PictureFormatInfo& row : kPictureFormats)
        for (const FileKind& kind : row.kinds)
            for (const char* extension : kind.extensions) {
                if (!extension)
                    continue;
                SCOPED_TRACE(extension);
                ASSERT_TRUE(reg.AssociateExtension(std::string(".") + extension));
                CMimeApps list;
                ASSERT_TRUE(list.Load());
                EXPECT_EQ(list.DefaultFor(kind.mimeType), "velkor.desktop");
                EXPECT_EQ(list.AddedFor(kind.mimeType), std::vector<std::string>{"velkor.desktop"});
                if (std::find(types.begin(), types.end(), kind.mimeType) == types.end())
                    types.push_back(kind.mimeType);
            }
    const std::string list = vktest::ReadFile(home.MimeApps());
    size_t lines = 0;
    for (const std::string& type : types) {
        const std::string line = type + "=velkor.desktop;\n";
        const size_t first = list.find(line);
        ASSERT_NE(first, std::string::npos) << type;
        // Once under each group.
        EXPECT_NE(list.find(line, first + 1), std::string::npos) << type;
        EXPECT_EQ(list.find(line, list.find(line, first + 1) + 1), std::string::npos) << type;
        lines += 2;
    }
    EXPECT_EQ(size_t(std::count(list.begin(), list.end(), '\n')), lines + 3) << list; // two headers, a gap
    std::vector<std::string> declared = Entry().MimeTypes();
    std::sort(declared.begin(), declared.end());
    std::sort(types.begin(), types.end());
    EXPECT_EQ(declared, types);
}
