// velkor-cli on camera RAW files (convert develops them in full, info reads
// the size beside the preview) and on multi-page files (--page).
#include "CliTestSupport.h"
#include "RawFiles.h"

#include <gtest/gtest.h>

using namespace vktest;
using vkclitest::Cli;
using vkclitest::CliOut;
using vkclitest::Has;

TEST(CliRaw, ConvertDevelopsTheWholePictureAndInfoGivesItsSize)
{
    if (!HasProgram("dcraw_emu") || !HasProgram("identify"))
        GTEST_SKIP() << "dcraw_emu or ImageMagick missing";
    TempDir dir;
    const std::string preview = dir.File("preview.jpg");
    ASSERT_EQ(vktest::Run(ImageMagick() + " -size 20x15 xc:red " + Quote(preview)), 0);
    const std::string dng = dir.File("shot.dng");
    ASSERT_TRUE(WriteBayerDng(dng, {.width = 64,
                                    .height = 48,
                                    .orientation = 8,
                                    .previewJpeg = ReadFile(preview),
                                    .previewWidth = 20,
                                    .previewHeight = 15}));
    int status;
    // The developed size, upright, read beside the preview.
    EXPECT_EQ(CliOut("info " + Quote(dng), &status).rfind(dng + ": DNG 48x64 24 bpp\n", 0), 0u);
    EXPECT_EQ(status, 0);

    Cli("convert " + Quote(dng) + " " + Quote(dir.File("shot.ppm")), &status);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(vktest::Run("dcraw_emu -w " + Quote(dng) + " 2>/dev/null"), 0);
    EXPECT_EQ(Diff(ParsePnm(ReadFile(dir.File("shot.ppm"))), ParsePnm(ReadFile(dng + ".ppm"))), "");
}

TEST(CliPages, PageChoosesThePictureAndInfoCountsThem)
{
    if (!HasProgram("tiffcp") || !HasProgram("identify"))
        GTEST_SKIP() << "libtiff tools or ImageMagick missing";
    TempDir dir;
    std::string pages;
    for (int i = 0; i < 3; ++i) {
        const std::string tif = dir.File("p" + std::to_string(i) + ".tif");
        ASSERT_EQ(
            vktest::Run(ImageMagick() + " -size " + std::to_string(10 + i) + "x7 xc:blue " + Quote(tif)), 0);
        pages += " " + Quote(tif);
    }
    const std::string joined = dir.File("joined.tif");
    ASSERT_EQ(vktest::Run("tiffcp" + pages + " " + Quote(joined)), 0);
    int status;
    const std::string info = CliOut("info " + Quote(joined), &status);
    EXPECT_TRUE(Has(info, ": TIFF 10x7 ")) << info;
    EXPECT_TRUE(Has(info, " 3 pages\n")) << info;
    EXPECT_TRUE(Has(CliOut("info --json " + Quote(joined), &status), "\"pages\": 3")) << info;
    EXPECT_TRUE(Has(CliOut("info --page 3 " + Quote(joined), &status), ": TIFF 12x7 "));

    Cli("convert --page 2 " + Quote(joined) + " " + Quote(dir.File("second.ppm")), &status);
    ASSERT_EQ(status, 0);
    const Pixels second = ParsePnm(ReadFile(dir.File("second.ppm")));
    EXPECT_EQ(second.width, 11);
    EXPECT_EQ(Diff(Opaque(second), Opaque(ReadWithImageMagick(joined, 1))), "");

    const std::string out =
        Cli("convert --page 4 " + Quote(joined) + " " + Quote(dir.File("x.ppm")), &status);
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(Has(out, kTextNoSuchPage)) << out;
    EXPECT_FALSE(FileExists(dir.File("x.ppm")));
    EXPECT_EQ(Cli("convert --page 0 " + Quote(joined) + " " + Quote(dir.File("x.ppm")), &status).empty(),
              false);
    EXPECT_EQ(status, 2);
}
