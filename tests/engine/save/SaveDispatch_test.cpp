// Save dispatch: the extension table, the remembered options, and writes by
// every writer that fail (a folder in the way, no permission, a full disk,
// sizes the format cannot hold) without touching an existing file, the
// picture, or leaving a temporary one.
#include "ReadOnlyFolder.h"
#include "TestSupport.h"
#include "engine/picture/TextException.h"
#include "engine/save/SaveDispatch.h"

#include <algorithm>
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

// The dialog choices 0 and 1 of every option: 8 and 24 bits, RLE,
// interlacing, the first two TIFF compressions.
SaveOptionValues Choice(int choice)
{
    SaveOptionValues values;
    values.bmpDepth = values.tgaDepth = values.rasDepth = values.pcxDepth = choice;
    values.tgaRle = values.rasRle = values.pictRle = choice;
    values.pngInterlace = values.gifInterlace = values.jpegProgressive = choice;
    values.tiffCompression = choice;
    return values;
}

// Every writer, in every form, must throw and leave the folder, the file
// it would replace and the picture as they were.
void ExpectEveryWriteFails(const std::string& dir, const std::string& name, CBmp& bmp)
{
    const Pixels picture = FromBitmap(bmp);
    const size_t entries = EntriesIn(dir);
    for (int code : kAllCodes)
        for (int choice : {0, 1}) {
            const std::string path = dir + "/" + name + "." + SaveExtensionOf(code);
            const bool replacing = FileExists(path) && !std::filesystem::is_directory(path);
            const std::string old = replacing ? ReadFile(path) : "";
            SCOPED_TRACE(path + " choice " + std::to_string(choice));
            EXPECT_THROW(SavePicture(code, path, bmp, Choice(choice)), CTextException);
            if (replacing) {
                EXPECT_EQ(ReadFile(path), old);
            }
            EXPECT_EQ(EntriesIn(dir), entries);
        }
    EXPECT_EQ(FromBitmap(bmp), picture);
}

} // namespace

TEST(SaveDispatch, ExtensionTableAndParameters)
{
    const char* order[] = {"bmp", "jpg", "png", "ppm", "pgm", "tga",
                           "pcx", "gif", "iff", "pct", "ras", "tif"};
    const int codes[] = {0, 6, 12, 13, 10, 16, 9, 3, 4, 11, 14, 17};
    for (size_t i = 0; i < 12; ++i) {
        EXPECT_STREQ(kSaveExtensions[i].extension, order[i]);
        EXPECT_EQ(SaveFormatFromExtension(order[i]), codes[i]);
    }
    EXPECT_EQ(SaveFormatFromExtension("JPG"), kSaveJpg) << "any case";
    EXPECT_EQ(SaveFormatFromExtension("Tif"), kSaveTif);
    for (const char* unknown : {"jp", "", "jpeg"})
        EXPECT_EQ(SaveFormatFromExtension(unknown), -1) << unknown;

    SaveOptionValues values;
    EXPECT_EQ(MakeSaveParameters(kSaveBmp, values).depth, 8);
    EXPECT_TRUE(MakeSaveParameters(kSavePct, values).rle);
    values.bmpDepth = -1; // nothing selected in the dialog
    values.rasDepth = 1;
    values.rasRle = 1;
    EXPECT_EQ(MakeSaveParameters(kSaveBmp, values).depth, 24);
    EXPECT_EQ(MakeSaveParameters(kSavePcx, values).depth, 8); // its own choice
    const SaveParameters ras = MakeSaveParameters(kSaveRas, values);
    EXPECT_EQ(ras.depth, 24);
    EXPECT_TRUE(ras.rle);
    EXPECT_EQ(MakeSaveParameters(kSaveTif, values).depth, 24);

    TempDir dir;
    CWinBmp bmp;
    MakeTestPicture(bmp, 8, 8);
    EXPECT_FALSE(SavePicture(5, dir.File("x.bmp"), bmp, values));
    EXPECT_EQ(EntriesIn(dir.Path()), 0u);
}

// Each row's remembered values reach its own writer: changing one that the
// row names changes the file written, changing any other value (another
// format's, or one the row does not name) changes nothing.
TEST(SaveDispatch, EveryRowsOptionsReachItsWriter)
{
    const SavedValue SaveOptionsOf::*const slots[] = {&SaveOptionsOf::depth,     &SaveOptionsOf::rle,
                                                      &SaveOptionsOf::interlace, &SaveOptionsOf::quality,
                                                      &SaveOptionsOf::smoothing, &SaveOptionsOf::progressive,
                                                      &SaveOptionsOf::optimize,  &SaveOptionsOf::compression};
    const SavedValue everyValue[] = {&SaveOptionValues::jpegProgressive, &SaveOptionValues::jpegOptimize,
                                     &SaveOptionValues::jpegQuality,     &SaveOptionValues::jpegSmoothing,
                                     &SaveOptionValues::tiffCompression, &SaveOptionValues::bmpDepth,
                                     &SaveOptionValues::pngInterlace,    &SaveOptionValues::tgaRle,
                                     &SaveOptionValues::tgaDepth,        &SaveOptionValues::pcxDepth,
                                     &SaveOptionValues::gifInterlace,    &SaveOptionValues::pictRle,
                                     &SaveOptionValues::rasRle,          &SaveOptionValues::rasDepth};
    auto changed = [](SaveOptionValues v, SavedValue member) {
        const bool slider =
            member == &SaveOptionValues::jpegQuality || member == &SaveOptionValues::jpegSmoothing;
        v.*member = slider ? v.*member + 30 : v.*member ? 0 : 1;
        return v;
    };
    TempDir dir;
    CWinBmp bmp;
    MakeTestPicture(bmp, 40, 24);
    auto write = [&](int code, const SaveOptionValues& values) {
        const std::string path = dir.File(std::string("out.") + SaveExtensionOf(code));
        EXPECT_TRUE(SavePicture(code, path, bmp, values));
        return ReadFile(path);
    };
    for (const SaveTarget& target : kSaveTargets) {
        SCOPED_TRACE(target.extension);
        const SaveOptionValues defaults;
        const std::string plain = write(target.code, defaults);
        std::vector<SavedValue> named;
        for (auto slot : slots)
            if (target.options.*slot) {
                named.push_back(target.options.*slot);
                EXPECT_NE(write(target.code, changed(defaults, target.options.*slot)), plain);
            }
        EXPECT_EQ(target.options.dialog == SaveDialog::None, named.empty());
        SaveOptionValues others = defaults;
        for (SavedValue member : everyValue)
            if (std::find(named.begin(), named.end(), member) == named.end())
                others = changed(others, member);
        EXPECT_EQ(write(target.code, others), plain);
    }
}

TEST(SaveDispatch, SizesTheFormatCannotHoldAreRefused)
{
    TempDir dir;
    WriteFile(dir.File("old.jpg"), "old contents");
    const struct {
        int code;
        int width; // 16-bit size fields; PICT's 14-bit row bytes; libjpeg's 65500
        int error;
    } cases[] = {
        {kSaveGif, 70000, ErrUnsupported},  {kSaveTga, 70000, ErrUnsupported},
        {kSavePcx, 70000, ErrUnsupported},  {kSaveIff, 70000, ErrUnsupported},
        {kSavePct, 0x4000, ErrUnsupported}, {kSaveJpg, 65501, ErrWriting},
    };
    for (const auto& c : cases) {
        CWinBmp wide;
        wide.Create(c.width, 1, 32, false);
        const std::string path = dir.File(std::string("old.") + SaveExtensionOf(c.code));
        for (int choice : {0, 1})
            try {
                SavePicture(c.code, path, wide, Choice(choice));
                ADD_FAILURE() << path << " written";
            } catch (const CTextException& e) {
                EXPECT_EQ(e.GetCode(), c.error) << path;
                if (c.code == kSaveJpg) {
                    EXPECT_EQ(e.GetText(), "Error writing image.");
                }
            }
    }
    EXPECT_EQ(ReadFile(dir.File("old.jpg")), "old contents");
    EXPECT_TRUE(OnlyFile(dir.Path(), "old.jpg"));
}

TEST(SaveDispatch, FailedWritesLeaveFilesAlone)
{
    CWinBmp bmp, big;
    MakeTestPicture(bmp, 300, 200); // a file larger than the disk that is full
    MakeTestPicture(big, 640, 480); // larger than the small file system
    TempDir dir;

    // A folder where the file should go, holding a file of its own.
    const std::string blocked = dir.File("blocked");
    for (int code : kAllCodes)
        std::filesystem::create_directories(blocked + "/x." + SaveExtensionOf(code) + "/inside");
    ExpectEveryWriteFails(blocked, "x", bmp);
    // A missing folder.
    ExpectEveryWriteFails(dir.File("blocked/x.bmp/inside"), "missing/x", bmp);

    // A folder that refuses new files, with existing files in it.
    std::vector<std::pair<std::string, std::string>> old;
    for (int code : kAllCodes)
        old.emplace_back(std::string("old.") + SaveExtensionOf(code), "keep me");
    {
        ReadOnlyFolder locked(dir.File("locked"), old);
        if (locked.Locked())
            ExpectEveryWriteFails(locked.Path(), "old", bmp);
    }

    // A full disk, as a file size limit: the old files stay.
    const std::string full = dir.File("full");
    std::filesystem::create_directory(full);
    for (const auto& [name, bytes] : old)
        WriteFile(full + "/" + name, bytes);
    {
        FileSizeLimit limit(4096);
        ExpectEveryWriteFails(full, "old", bmp);
    }

    // A really full file system, when we may mount a small one.
    const std::string small = dir.File("small");
    std::filesystem::create_directory(small);
    if (::geteuid() != 0 || mount("tmpfs", small.c_str(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "cannot mount a small file system here";
    struct Unmount {
        std::string path;
        ~Unmount() { umount(path.c_str()); }
    } unmount{small};
    WriteFile(small + "/old.bmp", "keep me");
    ExpectEveryWriteFails(small, "old", big);
}
