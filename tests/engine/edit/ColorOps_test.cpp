// Colour operations: the documented values, the fourth byte left alone, and
// ImageMagick's -negate for Invert.
#include "EditTestHelpers.h"
#include "engine/edit/ColorOps.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace edittest;

namespace {

// A one-line picture of the given channel values as gray pixels with a
// distinctive fourth byte.
void GrayLine(CPictureEx& pic, std::initializer_list<int> levels)
{
    pic.Create(int(levels.size()), 1, 32, true);
    pic.SetSourceBitsPerPixel(24);
    int x = 0;
    for (int v : levels)
        pic.GetLine32(0)[x++] = MakePixel(uint8_t(v), uint8_t(v), uint8_t(v), 77);
}

int RedAt(const CBmp& bmp, int x)
{
    return Red(bmp.GetLine32(0)[x]);
}

} // namespace

TEST(ColorBrightness, MovesTowardWhiteOrScalesTowardBlack)
{
    CPictureEx pic;
    GrayLine(pic, {100, 101, 0, 255});
    ASSERT_EQ(pic.AdjustBrightness(50), 0);
    EXPECT_EQ(RedAt(pic, 0), 177); // 100 + trunc(155 x 0.5)
    pic.Undo();
    ASSERT_EQ(pic.AdjustBrightness(-50), 0);
    EXPECT_EQ(RedAt(pic, 1), 50); // trunc(101 x 0.5)

    for (int value : {100, -100}) {
        GrayLine(pic, {0, 1, 128, 254, 255});
        ASSERT_EQ(pic.AdjustBrightness(value), 0);
        for (int x = 0; x < 5; ++x) {
            uint32_t p = pic.GetLine32(0)[x];
            EXPECT_EQ(p & 0xFFFFFF, value > 0 ? 0xFFFFFFu : 0u);
            EXPECT_EQ(Fourth(p), 77) << "the fourth byte is never touched";
        }
        EXPECT_EQ(pic.GetSourceBitsPerPixel(), 24);
    }

    GrayLine(pic, {0, 17, 200, 255});
    CWinBmp before;
    before.CopyFrom(pic);
    ASSERT_EQ(pic.AdjustBrightness(0), 0);
    EXPECT_EQ(Ours(pic), Ours(before));
    EXPECT_EQ(pic.AdjustBrightness(101), -1);
    EXPECT_EQ(pic.AdjustBrightness(-101), -1);
}

TEST(ColorBalance, EachChannelFollowsItsOwnValue)
{
    CPictureEx pic;
    Fill(pic, 3, 2, MakePixel(100, 101, 100, 9));
    pic.AdjustColorBalance(50, -50, 0);
    uint32_t p = pic.GetLine32(1)[2];
    EXPECT_EQ(Red(p), 177);
    EXPECT_EQ(Green(p), 50);
    EXPECT_EQ(Blue(p), 100);
    EXPECT_EQ(Fourth(p), 9);

    CWinBmp before;
    before.CopyFrom(pic);
    pic.AdjustColorBalance(0, 0, 0);
    EXPECT_EQ(Ours(pic), Ours(before));
    EXPECT_TRUE(pic.IsModified());
}

TEST(ColorGamma, TableValuesAndRange)
{
    ChannelTable table;
    BuildGammaTable(2.0, table); // dialog value +100
    EXPECT_EQ(table[64], 128);
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[255], 255);

    BuildGammaTable(0.0, table); // dialog value -100
    for (int i = 0; i < 255; ++i)
        EXPECT_EQ(table[i], 0) << i;
    EXPECT_EQ(table[255], 255) << "full white stays white at gamma 0";

    BuildGammaTable(1.0, table);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(table[i], i);

    CPictureEx pic;
    GrayLine(pic, {64, 0, 255});
    EXPECT_EQ(pic.AdjustGamma(-0.01), -1);
    EXPECT_EQ(pic.AdjustGamma(2.01), -1);
    EXPECT_EQ(pic.AdjustGamma(std::nan("")), -1);
    EXPECT_FALSE(pic.IsModified());
    ASSERT_EQ(pic.AdjustGamma((100 + 100) * 0.01), 0);
    EXPECT_EQ(RedAt(pic, 0), 128);
    EXPECT_EQ(Fourth(pic.GetLine32(0)[0]), 77);
}

TEST(ColorContrast, StretchesIntensityRangeOntoCentredBand)
{
    // The band's width follows the dialog value in single precision.
    for (auto [value, width] :
         {std::pair{0, 127}, {1, 128}, {50, 190}, {100, 253}, {-1, 125}, {-50, 63}, {-100, 1}})
        EXPECT_EQ(ContrastBandWidth(value), width) << value;
    CPictureEx pic;
    GrayLine(pic, {50, 100, 150});
    ASSERT_EQ(pic.AdjustContrast(100), 0);
    EXPECT_EQ(RedAt(pic, 0), 1);
    EXPECT_EQ(RedAt(pic, 1), 127);
    EXPECT_EQ(RedAt(pic, 2), 254);
    EXPECT_EQ(Fourth(pic.GetLine32(0)[1]), 77);
    GrayLine(pic, {50, 100, 150});
    ASSERT_EQ(pic.AdjustContrast(0), 0);
    EXPECT_EQ(RedAt(pic, 0), 63) << "value 0 is a squeeze to width 127, not the identity";
    EXPECT_EQ(RedAt(pic, 1), 126);
    EXPECT_EQ(RedAt(pic, 2), 190);
    EXPECT_EQ(pic.AdjustContrast(-101), -1);
}

TEST(ColorContrast, OneIntensityLeavesPictureButTakesSnapshot)
{
    CPictureEx pic;
    // Colours of one intensity (each sums to 300) whose luminances differ:
    // the marks start at a luminance, so they do not meet.
    pic.Create(3, 1, 32, false);
    pic.GetLine32(0)[0] = MakePixel(100, 100, 100);
    pic.GetLine32(0)[1] = MakePixel(200, 50, 50);
    pic.GetLine32(0)[2] = MakePixel(0, 150, 150);
    // A gray picture: both marks stay at its one level.
    CPictureEx gray;
    Fill(gray, 4, 4, MakePixel(90, 90, 90));
    CWinBmp before;
    before.CopyFrom(gray);
    ASSERT_EQ(gray.AdjustContrast(40), 0);
    EXPECT_EQ(Ours(gray), Ours(before));
    EXPECT_TRUE(gray.IsModified());
    EXPECT_TRUE(gray.IsUndoAvailable());
    EXPECT_EQ(Ours(gray.GetUndoBitmap()), Ours(before));
    ASSERT_EQ(pic.AdjustContrast(40), 0);
    EXPECT_TRUE(pic.IsUndoAvailable());
}

TEST(ColorContrast, TooManyColoursChangesNothing)
{
    CPictureEx pic;
    pic.Create(1000, 900, 32, false);
    for (int y = 0; y < 900; ++y)
        for (int x = 0; x < 1000; ++x)
            pic.GetLine32(y)[x] = 0xFF000000u | uint32_t(y * 1000 + x) * 16;
    CWinBmp before;
    before.CopyFrom(pic);
    pic.ClearEditState();
    EXPECT_EQ(pic.AdjustContrast(20), -2);
    EXPECT_FALSE(pic.IsModified());
    EXPECT_FALSE(pic.IsUndoAvailable());
    EXPECT_EQ(Ours(pic), Ours(before));
}

TEST(ColorGray, LuminanceRoundedIntoAllThreeBytes)
{
    CPictureEx pic;
    pic.Create(3, 1, 32, true);
    pic.SetSourceBitsPerPixel(24);
    pic.GetLine32(0)[0] = MakePixel(255, 0, 0, 1);
    pic.GetLine32(0)[1] = MakePixel(0, 0, 255, 2);
    pic.GetLine32(0)[2] = MakePixel(0, 255, 0, 3);
    pic.ToGrayShades();
    EXPECT_EQ(pic.GetLine32(0)[0], MakePixel(76, 76, 76, 1));
    EXPECT_EQ(pic.GetLine32(0)[1], MakePixel(29, 29, 29, 2));
    EXPECT_EQ(pic.GetLine32(0)[2], MakePixel(150, 150, 150, 3));
    EXPECT_EQ(pic.GetSourceBitsPerPixel(), 8);
}

TEST(ColorInvert, MatchesImageMagickNegateAndTwiceRestores)
{
    if (!vktest::HasProgram("convert"))
        GTEST_SKIP() << "ImageMagick is not installed";
    CPictureEx pic;
    vktest::MakeTestPicture(pic, 37, 23);
    CWinBmp original;
    original.CopyFrom(pic);
    pic.Invert();
    EXPECT_EQ(Ours(pic), ImageMagickResult(original, "-negate"));
    CWinBmp once;
    once.CopyFrom(pic);
    pic.Invert();
    EXPECT_EQ(Ours(pic), Ours(original));
    pic.Undo();
    EXPECT_EQ(Ours(pic), Ours(once)) << "undo gives back the once-inverted state";
}

TEST(ColorSwapRedBlue, ExchangesChannelsAndMarksGrayPicturesModified)
{
    CPictureEx pic;
    Fill(pic, 2, 2, MakePixel(10, 20, 30, 40));
    pic.SwapRedBlue();
    EXPECT_EQ(pic.GetLine32(1)[1], MakePixel(30, 20, 10, 40));

    Fill(pic, 2, 2, MakePixel(90, 90, 90));
    pic.ClearEditState();
    pic.SwapRedBlue();
    EXPECT_EQ(pic.GetLine32(0)[0], MakePixel(90, 90, 90));
    EXPECT_TRUE(pic.IsModified());
}
