// Colour count and histogram: the limit rules, counts of distinct colours
// (not pixels), and agreement with ImageMagick's count of unique colours.
#include "EditTestHelpers.h"
#include "edit/ColorCount.h"

#include <gtest/gtest.h>

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
        pic.SaveAsBmpFile(dir.File("p.bmp"));
        std::string out;
        ASSERT_EQ(vktest::Run("identify -format %k " + vktest::Quote(dir.File("p.bmp")), &out), 0);
        EXPECT_EQ(pic.CountColors(), std::stoll(out)) << colors;
    }
}

TEST(ColorHistogramChart, CountsEachDistinctColourOnce)
{
    CPictureEx pic;
    Fill(pic, 5, 5, MakePixel(255, 0, 0));
    ChannelHistogram h;
    ASSERT_EQ(pic.ComputeHistogram(h), 0);
    EXPECT_EQ(h.red[255], 1) << "distinct colours, not pixels";
    EXPECT_EQ(h.green[0], 1);
    EXPECT_EQ(h.blue[0], 1);
    EXPECT_EQ(h.luminance[76], 1);
    int total = 0;
    for (int i = 0; i < 256; ++i)
        total += h.red[i] + h.green[i] + h.blue[i] + h.luminance[i];
    EXPECT_EQ(total, 4);

    pic.GetLine32(2)[2] = MakePixel(255, 0, 1);
    pic.GetLine32(3)[3] = MakePixel(0, 0, 1);
    ASSERT_EQ(pic.ComputeHistogram(h), 0);
    EXPECT_EQ(h.red[255], 2);
    EXPECT_EQ(h.blue[1], 2);

    pic.SetSourceBitsPerPixel(1); // limit 3, three colours: still fine
    EXPECT_EQ(pic.ComputeHistogram(h), 0);
    pic.GetLine32(4)[4] = MakePixel(7, 7, 7);
    EXPECT_EQ(pic.ComputeHistogram(h), -1);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(h.red[i] | h.green[i] | h.blue[i] | h.luminance[i], 0) << "arrays left at 0";
    EXPECT_FALSE(pic.IsModified());
}
