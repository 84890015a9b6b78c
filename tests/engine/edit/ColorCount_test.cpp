// Colour count and histogram: the limit rules, counts of distinct colours,
// pixel counts per channel, and agreement with ImageMagick.
#include "EditTestHelpers.h"
#include "engine/edit/ColorCount.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

using namespace edittest;

TEST(ColorCountLimit, DependsOnSourceDepthAndSize)
{
    CPictureEx pic;
    vktest::MakeTestPicture(pic, 100, 100);
    pic.SetSourceBitsPerPixel(1);
    EXPECT_EQ(pic.ColorLimit(), 3);
    pic.SetSourceBitsPerPixel(8);
    EXPECT_EQ(pic.ColorLimit(), 257);
    pic.SetSourceBitsPerPixel(16);
    EXPECT_EQ(pic.ColorLimit(), 10000) << "capped at width x height";
    pic.SetSourceBitsPerPixel(24);
    EXPECT_EQ(pic.ColorLimit(), 10000);
    pic.Create(1000, 1000, 32, false);
    pic.SetSourceBitsPerPixel(24);
    EXPECT_EQ(pic.ColorLimit(), 800000);
}

TEST(ColorCount, CountsDistinctColoursUpToTheLimit)
{
    CPictureEx pic;
    pic.Create(2, 2, 32, false);
    pic.SetSourceBitsPerPixel(24);
    pic.GetLine32(0)[0] = MakePixel(1, 2, 3);
    pic.GetLine32(0)[1] = MakePixel(1, 2, 4);
    pic.GetLine32(1)[0] = MakePixel(9, 2, 3);
    pic.GetLine32(1)[1] = MakePixel(1, 2, 3, 0); // the fourth byte does not count
    EXPECT_EQ(pic.CountColors(), 3);
    pic.GetLine32(1)[1] = MakePixel(200, 0, 0);
    EXPECT_EQ(pic.CountColors(), 4) << "the limit is width x height, so it cannot fail";

    // A picture from a 1-bit file: limit 3.
    Fill(pic, 8, 8, MakePixel(0, 0, 0));
    pic.GetLine32(3)[3] = MakePixel(255, 255, 255);
    pic.SetSourceBitsPerPixel(1);
    EXPECT_EQ(pic.CountColors(), 2);
    pic.GetLine32(4)[4] = MakePixel(255, 0, 0);
    pic.GetLine32(5)[5] = MakePixel(0, 255, 0);
    EXPECT_EQ(pic.CountColors(), -1);
    EXPECT_EQ(ColorCountMessage(-1), "Image contains more then 800000 colors");
    EXPECT_EQ(ColorCountMessage(2), "This image contains 2 colors.   ");
}

TEST(ColorCount, AgreesWithImageMagick)
{
    if (!vktest::HasProgram("identify"))
        GTEST_SKIP() << "ImageMagick is not installed";
    vktest::TempDir dir;
    for (int colors : {1, 17, 256, 3000}) {
        CPictureEx pic;
        vktest::MakePaletteTestPicture(pic, 80, 60, colors);
        SaveAsBmpFile(pic, dir.File("p.bmp"));
        std::string out;
        ASSERT_EQ(vktest::Run("identify -format %k " + vktest::Quote(dir.File("p.bmp")), &out), 0);
        EXPECT_EQ(pic.CountColors(), std::stoll(out)) << colors;
    }
}

TEST(ColorHistogramChart, CountsPixelsOverTheWholePicture)
{
    CPictureEx pic;
    Fill(pic, 5, 5, MakePixel(255, 0, 0));
    ChannelHistogram h;
    pic.ComputeHistogram(h);
    EXPECT_EQ(h.red[255], 25) << "pixels, not distinct colours";
    EXPECT_EQ(h.green[0], 25);
    EXPECT_EQ(h.blue[0], 25);
    EXPECT_EQ(h.luminance[76], 25);
    int64_t total = 0;
    for (int i = 0; i < 256; ++i)
        total += h.red[i] + h.green[i] + h.blue[i] + h.luminance[i];
    EXPECT_EQ(total, 4 * 25);

    // Two colours over unequal areas: 20 red pixels, 5 blue ones.
    for (int x = 0; x < 5; ++x)
        pic.GetLine32(4)[x] = MakePixel(0, 0, 255);
    pic.ComputeHistogram(h);
    EXPECT_EQ(h.red[255], 20);
    EXPECT_EQ(h.red[0], 5);
    EXPECT_EQ(h.blue[255], 5);
    EXPECT_EQ(h.blue[0], 20);
    EXPECT_EQ(h.green[0], 25);
    EXPECT_EQ(h.luminance[76], 20);
    EXPECT_EQ(h.luminance[29], 5);

    // No colour limit: a 1-bit source depth with many colours still charts.
    pic.SetSourceBitsPerPixel(1);
    pic.GetLine32(0)[0] = MakePixel(7, 8, 9);
    pic.GetLine32(0)[1] = MakePixel(10, 11, 12);
    EXPECT_EQ(pic.CountColors(), -1) << "Count keeps its limit";
    pic.ComputeHistogram(h);
    EXPECT_EQ(h.red[7], 1);
    EXPECT_EQ(h.green[11], 1);
    EXPECT_EQ(h.red[255], 18);
    EXPECT_FALSE(pic.IsModified());
    EXPECT_FALSE(pic.IsUndoAvailable());
}

TEST(ColorHistogramChart, PhotographOverTheColourLimitMatchesImageMagick)
{
    if (!vktest::HasProgram("convert"))
        GTEST_SKIP() << "ImageMagick is not installed";
    vktest::TempDir dir;
    CPictureEx pic;
    pic.Create(300, 300, 32, false);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 300; ++x)
            pic.GetLine32(y)[x] = MakePixel(uint8_t(x), uint8_t(y), uint8_t((x * 7 + y * 3) & 0xFF));
    pic.SetSourceBitsPerPixel(8); // far more colours than Count's limit
    ASSERT_EQ(pic.CountColors(), -1);
    ChannelHistogram h;
    pic.ComputeHistogram(h);
    SaveAsBmpFile(pic, dir.File("p.bmp"));
    // ImageMagick's per-channel counts of the blue channel.
    std::string out;
    ASSERT_EQ(vktest::Run(vktest::ImageMagick() + " " + vktest::Quote(dir.File("p.bmp")) +
                              " -channel B -separate -depth 8 -format %c histogram:info:-",
                          &out),
              0);
    int checked = 0;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        long count = 0;
        int value = 0, g = 0, b = 0;
        if (std::sscanf(line.c_str(), " %ld: (%d,%d,%d)", &count, &value, &g, &b) < 2)
            continue;
        ASSERT_GE(value, 0);
        ASSERT_LT(value, 256);
        EXPECT_EQ(h.blue[value], count) << value;
        ++checked;
    }
    EXPECT_EQ(checked, 256);
}
