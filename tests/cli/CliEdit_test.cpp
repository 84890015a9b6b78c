// velkor-cli edit options and the colors command, checked against
// ImageMagick doing the same to the same file.
#include "CliTestSupport.h"

#include <gtest/gtest.h>

using namespace vktest;
using vkclitest::Cli;
using vkclitest::Has;
using vkclitest::Picture;

// Each row: our options, ImageMagick's for the same result (none for the
// geometry it draws otherwise), and the size of the result.
TEST(CliEdit, OptionsApplyInOrderLikeImageMagickAndGiveTheirSizes)
{
    const bool magick = HasProgram("convert");
    TempDir dir;
    Picture(dir.File("a.bmp"), 100, 50);
    const struct {
        const char *ours, *theirs, *size;
    } cases[] = {
        {"--invert", "-negate", "100x50"},
        {"--flip-horizontal --flip-vertical", "-flip -flop", "100x50"},
        {"--transpose --invert", "-transpose -negate", "50x100"},
        {"--rotate 90,low --rotate 180,medium", "-rotate 90 -rotate 180", "50x100"},
        {"--rotate 270", "-rotate 270 +repage", "50x100"},
        // Quarter turns at the default quality are exact: no border.
        {"--rotate 90", "-rotate 90", "50x100"},
        {"--rotate 180 --rotate 90,high", "-rotate 270", "50x100"},
        {"--canvas 100x50", "", "100x50"},
        {"--shear 45,down-left", nullptr, "150x50"},
        {"--shear 30,no-aa", nullptr, "129x50"},
        {"--resize 40x20", nullptr, "40x20"},
        {"--canvas 120x60,3", nullptr, "120x60"},
        {"--rotate 45,low --resize 100x100", nullptr, "100x100"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ours);
        int status;
        const std::string out = Cli(std::string("convert ") + c.ours + " " + Quote(dir.File("a.bmp")) + " " +
                                        Quote(dir.File("o.png")),
                                    &status);
        ASSERT_EQ(status, 0) << out;
        EXPECT_TRUE(Has(Cli("info " + Quote(dir.File("o.png")), &status), std::string("PNG ") + c.size));
        if (!c.theirs || !magick)
            continue;
        ASSERT_EQ(vktest::Run(ImageMagick() + " " + Quote(dir.File("a.bmp")) + " " + c.theirs + " " +
                              Quote(dir.File("r.png"))),
                  0);
        EXPECT_EQ(Opaque(ReadWithImageMagick(dir.File("o.png"))),
                  Opaque(ReadWithImageMagick(dir.File("r.png"))));
    }
    // Arguments out of range are usage mistakes (their tests are with the
    // help's); a result too large to make fails and writes nothing.
    int status;
    const std::string out =
        Cli("convert --resize 100000x100000 " + Quote(dir.File("a.bmp")) + " " + Quote(dir.File("big.bmp")),
            &status);
    EXPECT_NE(status, 0);
    EXPECT_TRUE(Has(out, "error ")) << out;
    EXPECT_FALSE(FileExists(dir.File("big.bmp")));
}

TEST(CliColors, CountsOrReportsTheLimit)
{
    TempDir dir;
    CWinBmp bmp;
    MakePaletteTestPicture(bmp, 20, 20, 37);
    SaveAsBmpFile(bmp, dir.File("a.bmp"));
    int status;
    EXPECT_EQ(Cli("colors " + Quote(dir.File("a.bmp")), &status), "37 colors\n");
    EXPECT_EQ(status, 0);
    // Gray shades of a 24-bit picture, written as PGM and counted again.
    Picture(dir.File("b.bmp"), 40, 30);
    Cli("convert --gray " + Quote(dir.File("b.bmp")) + " " + Quote(dir.File("g.pgm")), &status);
    ASSERT_EQ(status, 0);
    std::string out = Cli("colors " + Quote(dir.File("g.pgm")), &status);
    EXPECT_EQ(status, 0);
    std::string theirs;
    if (HasProgram("identify") &&
        vktest::Run("identify -format %k " + Quote(dir.File("g.pgm")), &theirs) == 0) {
        EXPECT_EQ(out, theirs + " colors\n");
    }
    // A 1-bit file: limit 3.
    WriteFile(dir.File("c.pbm"), std::string("P4\n8 2\n") + char(0xF0) + char(0x0F));
    EXPECT_EQ(Cli("colors " + Quote(dir.File("c.pbm")), &status), "2 colors\n");
    // More distinct colours than the 800000 counted at most.
    std::string ppm = "P6\n1000 801\n255\n";
    for (uint32_t i = 0; i < 1000u * 801u; ++i) {
        const uint32_t c = i * 16 + 7;
        ppm += char(c >> 16);
        ppm += char(c >> 8);
        ppm += char(c);
    }
    WriteFile(dir.File("d.ppm"), ppm);
    EXPECT_EQ(Cli("colors " + Quote(dir.File("d.ppm")), &status), "more than 800000 colors\n");
}
