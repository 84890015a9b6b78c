// Save dispatch: the extension table, the remembered options, and writes
// that fail without touching an existing file or leaving a temporary one.
#include "TestSupport.h"
#include "picture/TextException.h"
#include "save/SaveDispatch.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace vktest;

namespace {

const int kAllCodes[] = {kSaveBmp, kSaveGif, kSaveIff, kSaveJpg, kSavePcx, kSavePgm,
                         kSavePct, kSavePng, kSavePpm, kSaveRas, kSaveTga, kSaveTif};

size_t EntriesIn(const std::string& dir)
{
    size_t n = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir))
        ++n;
    return n;
}

// Every writer, with 8-bit and RLE forms where they exist, must throw and
// leave the folder as it was.
void ExpectEveryWriteFails(const std::string& dir, const std::string& name, CBmp& bmp)
{
    const std::string before = FileExists(dir + "/" + name + ".bmp") ? ReadFile(dir + "/" + name + ".bmp") : "";
    const size_t entries = EntriesIn(dir);
    for (int code : kAllCodes)
        for (int choice : {0, 1}) {
            SaveOptionValues values;
            values.bmpDepth = values.tgaDepth = values.rasDepth = values.pcxDepth = choice;
            values.tgaRle = values.rasRle = choice;
            const std::string path = dir + "/" + name + "." + SaveExtensionOf(code);
            const std::string old = FileExists(path) && !std::filesystem::is_directory(path) ? ReadFile(path) : "";
            SCOPED_TRACE(path);
            EXPECT_THROW(SavePicture(code, path, bmp, values), CTextException);
            if (!old.empty()) {
                EXPECT_EQ(ReadFile(path), old);
            }
            EXPECT_EQ(EntriesIn(dir), entries);
        }
    if (!before.empty()) {
        EXPECT_EQ(ReadFile(dir + "/" + name + ".bmp"), before);
    }
}

} // namespace

TEST(SaveDispatch, ExtensionTableAndParameters)
{
    const char* order[] = {"bmp", "jpg", "png", "ppm", "pgm", "tga", "pcx", "gif", "iff", "pct", "ras", "tif"};
    const int codes[] = {0, 6, 12, 13, 10, 16, 9, 3, 4, 11, 14, 17};
    for (size_t i = 0; i < 12; ++i) {
        EXPECT_STREQ(kSaveExtensions[i].extension, order[i]);
        EXPECT_EQ(SaveFormatFromExtension(order[i]), codes[i]);
    }
    EXPECT_EQ(SaveFormatFromExtension("JPG"), kSaveJpg) << "any case";
    EXPECT_EQ(SaveFormatFromExtension("Tif"), kSaveTif);
    EXPECT_EQ(SaveFormatFromExtension("jp"), -1);
    EXPECT_EQ(SaveFormatFromExtension(""), -1);
    EXPECT_EQ(SaveFormatFromExtension("jpeg"), -1);

    SaveOptionValues values;
    EXPECT_EQ(values.jpegQuality, 60);
    EXPECT_EQ(values.tiffSecondOption, 60);
    EXPECT_EQ(values.pictRle, 1);
    EXPECT_EQ(MakeSaveParameters(kSaveBmp, values).depth, 8);
    EXPECT_TRUE(MakeSaveParameters(kSavePct, values).rle);
    values.bmpDepth = -1; // nothing selected in the dialog
    values.rasDepth = 1;
    values.rasRle = 1;
    EXPECT_EQ(MakeSaveParameters(kSaveBmp, values).depth, 24);
    EXPECT_EQ(MakeSaveParameters(kSavePcx, values).depth, 8); // its own choice
    SaveParameters ras = MakeSaveParameters(kSaveRas, values);
    EXPECT_EQ(ras.depth, 24);
    EXPECT_TRUE(ras.rle);
    EXPECT_EQ(MakeSaveParameters(kSaveTif, values).depth, 24);

    TempDir dir;
    CWinBmp bmp;
    MakeTestPicture(bmp, 8, 8);
    EXPECT_FALSE(SavePicture(5, dir.File("x.bmp"), bmp, values));
    EXPECT_EQ(EntriesIn(dir.Path()), 0u);
}

TEST(SaveDispatch, SizesBeyondSixteenBitFieldsAreRefused)
{
    TempDir dir;
    CWinBmp wide;
    MakeTestPicture(wide, 70000, 1);
    for (int code : {kSaveGif, kSaveTga}) {
        const std::string path = dir.File(std::string("wide.") + SaveExtensionOf(code));
        try {
            SavePicture(code, path, wide, SaveOptionValues{});
            ADD_FAILURE() << path << " written";
        } catch (const CTextException& e) {
            EXPECT_EQ(e.GetCode(), ErrUnsupported);
        }
    }
    EXPECT_EQ(EntriesIn(dir.Path()), 0u);
}

TEST(SaveDispatch, FailedWritesLeaveFilesAlone)
{
    CWinBmp bmp;
    MakeTestPicture(bmp, 40, 30);
    TempDir dir;

    // A directory where the file should go.
    const std::string blocked = dir.File("blocked");
    std::filesystem::create_directory(blocked);
    for (int code : kAllCodes)
        std::filesystem::create_directory(blocked + "/x." + SaveExtensionOf(code));
    ExpectEveryWriteFails(blocked, "x", bmp);

    // A folder without write permission, with an existing file in it.
    // Root ignores permissions, so this part needs an ordinary user.
    const std::string locked = dir.File("locked");
    std::filesystem::create_directory(locked);
    WriteFile(locked + "/old.bmp", "keep me");
    if (geteuid() != 0) {
        std::filesystem::permissions(locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        ExpectEveryWriteFails(locked, "old", bmp);
    }

    // A read-only file system stands in for the folder without permission
    // when we run as root.
    const std::string readOnly = dir.File("readonly");
    std::filesystem::create_directory(readOnly);
    if (geteuid() == 0 && mount("tmpfs", readOnly.c_str(), "tmpfs", 0, "size=64k") == 0) {
        WriteFile(readOnly + "/old.bmp", "keep me");
        if (mount(nullptr, readOnly.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0)
            ExpectEveryWriteFails(readOnly, "old", bmp);
        umount(readOnly.c_str());
    }

    // A full file system, when we may mount a small one.
    const std::string small = dir.File("small");
    std::filesystem::create_directory(small);
    if (mount("tmpfs", small.c_str(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "cannot mount a small file system here";
    struct Unmount {
        std::string path;
        ~Unmount() { umount(path.c_str()); }
    } unmount{small};
    WriteFile(small + "/old.bmp", "keep me");
    CWinBmp big;
    MakeTestPicture(big, 640, 480);
    ExpectEveryWriteFails(small, "old", big);
}
