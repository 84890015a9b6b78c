// velkor-cli edit options and the colors command, checked against
// ImageMagick doing the same to the same file.
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace vktest;

namespace {

std::string Cli(const std::string& args, int* status)
{
    std::string out;
    *status = vktest::Run(std::string(VELKOR_CLI) + " " + args + " 2>&1", &out);
    return out;
}

} // namespace

TEST(CliEdit, OptionsApplyInOrderLikeImageMagick)
{
    if (!HasProgram("convert"))
        GTEST_SKIP() << "ImageMagick is not installed";
    TempDir dir;
    CWinBmp bmp;
    MakeTestPicture(bmp, 30, 17);
    SaveAsBmpFile(bmp, dir.File("a.bmp"));
    const std::pair<const char*, const char*> cases[] = {
        {"--invert", "-negate"},
        {"--flip-horizontal --flip-vertical", "-flip -flop"},
        {"--transpose --invert", "-transpose -negate"},
        {"--rotate 90,low --rotate 180,medium", "-rotate 90 -rotate 180"},
        {"--rotate 270", "-rotate 270 +repage"},
        {"--canvas 30x17", ""},
    };
    for (auto [ours, theirs] : cases) {
        int status;
        std::string out = Cli(std::string("convert ") + ours + " " + Quote(dir.File("a.bmp")) + " " +
                                  Quote(dir.File("o.png")),
                              &status);
        ASSERT_EQ(status, 0) << ours << ": " << out;
        ASSERT_EQ(vktest::Run(ImageMagick() + " " + Quote(dir.File("a.bmp")) + " " + theirs + " " +
                              Quote(dir.File("r.png"))),
                  0);
        EXPECT_EQ(Opaque(ReadWithImageMagick(dir.File("o.png"))),
                  Opaque(ReadWithImageMagick(dir.File("r.png"))))
            << ours;
    }
}

TEST(CliEdit, SizesOfGeometryOptions)
{
    TempDir dir;
    CWinBmp bmp;
    MakeTestPicture(bmp, 100, 50);
    SaveAsBmpFile(bmp, dir.File("a.bmp"));
    const std::pair<const char*, const char*> cases[] = {
        {"--shear 45,down-left", "BMP 150x50"},
        {"--shear 30,no-aa", "BMP 129x50"},
        {"--resize 40x20", "BMP 40x20"},
        {"--canvas 120x60,3", "BMP 120x60"},
        {"--rotate 45,low --resize 100x100", "BMP 100x100"},
    };
    for (auto [options, expected] : cases) {
        int status;
        std::string out = Cli(std::string("convert ") + options + " " + Quote(dir.File("a.bmp")) + " " +
                                  Quote(dir.File("o.bmp")),
                              &status);
        ASSERT_EQ(status, 0) << options << ": " << out;
        out = Cli("info " + Quote(dir.File("o.bmp")), &status);
        EXPECT_NE(out.find(expected), std::string::npos) << options << ": " << out;
    }
}

TEST(CliEdit, BadArgumentsWriteNothing)
{
    TempDir dir;
    CWinBmp bmp;
    MakeTestPicture(bmp, 10, 10);
    SaveAsBmpFile(bmp, dir.File("a.bmp"));
    for (const char* options : {"--resize 0x10", "--rotate 400", "--rotate 45,best", "--brightness 150",
                                "--balance 1,2", "--canvas 10x10,9", "--resize 100000x100000"}) {
        int status;
        std::string out = Cli(std::string("convert ") + options + " " + Quote(dir.File("a.bmp")) + " " +
                                  Quote(dir.File("o.bmp")),
                              &status);
        EXPECT_NE(status, 0) << options;
        EXPECT_NE(out.find("error "), std::string::npos) << options << ": " << out;
        EXPECT_FALSE(FileExists(dir.File("o.bmp"))) << options;
    }
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
    MakeTestPicture(bmp, 40, 30);
    SaveAsBmpFile(bmp, dir.File("b.bmp"));
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
