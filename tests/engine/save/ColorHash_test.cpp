// Colour histogram, lookup, median cut and palette reduction.
#include "TestSupport.h"
#include "engine/picture/TextException.h"
#include "engine/save/ColorHash.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <set>

using namespace vktest;

namespace {

void Fill(CWinBmp& bmp, int width, int height, uint32_t pixel, int sourceBits = 24)
{
    bmp.Create(width, height, 32, false);
    bmp.SetSourceBitsPerPixel(sourceBits);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bmp.GetLine32(y)[x] = pixel;
}

std::set<uint32_t> Colors(const CBmp& bmp)
{
    std::set<uint32_t> colors;
    for (int y = 0; y < bmp.GetHeight(); ++y)
        for (int x = 0; x < bmp.GetWidth(); ++x)
            colors.insert(bmp.GetLine32(y)[x] & 0xFFFFFF);
    return colors;
}

// ImageMagick's own 256-colour reduction of a picture, as a reference.
Pixels ImageMagickQuantized(const CWinBmp& bmp)
{
    TempDir dir;
    SaveAsBmpFile(bmp, dir.File("in.bmp"));
    Run(ImageMagick() + " " + Quote(dir.File("in.bmp")) + " +dither -colors 256 " +
        Quote(dir.File("out.ppm")));
    return ParsePnm(ReadFile(dir.File("out.ppm")));
}

} // namespace

TEST(ColorHistogram, PaletteOrderIsBucketOrderNewestFirst)
{
    // Two colours sharing a bucket, and one in another bucket.
    uint32_t a = MakePixel(1, 2, 3), b = 0, c = MakePixel(9, 9, 9);
    const uint32_t bucket = ColorHashBucket(1, 2, 3);
    for (uint32_t v = 1; v < (1u << 24) && !b; ++v)
        if (v != (a & 0xFFFFFF) && ColorHashBucket(uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)) == bucket)
            b = v | 0xFF000000u;
    ASSERT_NE(b, 0u);
    CWinBmp bmp;
    Fill(bmp, 3, 2, a);
    bmp.GetLine32(0)[1] = c;
    bmp.GetLine32(1)[2] = b; // found after a
    auto hist = ComputeColorHistogram(bmp, 256);
    ASSERT_TRUE(hist);
    ASSERT_EQ(hist->size(), 3u);
    std::vector<uint32_t> order;
    for (const colorhist_item& item : *hist)
        order.push_back(ItemColor(item));
    const bool cFirst = ColorHashBucket(9, 9, 9) < bucket;
    std::vector<uint32_t> expected = {b & 0xFFFFFF, a & 0xFFFFFF};
    expected.insert(cFirst ? expected.begin() : expected.end(), c & 0xFFFFFF);
    EXPECT_EQ(order, expected);

    // The same colours elsewhere in the picture give the same palette.
    CWinBmp moved;
    Fill(moved, 3, 2, a);
    moved.GetLine32(1)[0] = c;
    moved.GetLine32(0)[2] = b;
    auto other = ComputeColorHistogram(moved, 256);
    ASSERT_TRUE(other);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(ItemColor((*other)[i]), order[i]);
}

TEST(ColorHistogram, CountsLimitAndAlpha)
{
    // 90000 pixels of one colour: more than a 16-bit count holds.
    CWinBmp bmp;
    Fill(bmp, 300, 300, MakePixel(10, 20, 30, 255));
    bmp.GetLine32(5)[5] = MakePixel(10, 20, 30, 0); // alpha does not count
    bmp.GetLine32(7)[7] = MakePixel(11, 20, 30);
    auto hist = ComputeColorHistogram(bmp, 256);
    ASSERT_TRUE(hist);
    ASSERT_EQ(hist->size(), 2u);
    uint64_t total = 0;
    for (const colorhist_item& item : *hist) {
        total += item.value;
        EXPECT_EQ(item.value, item.red == 10 ? 89999u : 1u);
    }
    EXPECT_EQ(total, 90000u);
    EXPECT_FALSE(ComputeColorHistogram(bmp, 1));

    CWinBmp indexed;
    indexed.Create(7, 3, 8, false);
    for (int y = 0; y < 3; ++y)
        std::memset(indexed.GetLine(y), y == 1 ? 200 : 0, 7);
    auto grays = ComputeColorHistogram(indexed, 256);
    ASSERT_TRUE(grays);
    ASSERT_EQ(grays->size(), 2u);
    EXPECT_EQ(ItemColor((*grays)[0]) == 0xC8C8C8 ? (*grays)[0].value : (*grays)[1].value, 7u);

    CWinBmp many;
    MakePaletteTestPicture(many, 31, 17, 257);
    EXPECT_TRUE(ComputeColorHistogram(many, 257));
    EXPECT_FALSE(ComputeColorHistogram(many, 256));
}

TEST(ColorLookup, MapsHistogramPositionsAndRejectsRepeats)
{
    CWinBmp bmp;
    MakePaletteTestPicture(bmp, 40, 30, 200);
    auto hist = ComputeColorHistogram(bmp, 256);
    ASSERT_TRUE(hist);
    CColorLookup lookup(*hist);
    for (size_t i = 0; i < hist->size(); ++i)
        EXPECT_EQ(lookup.Find(ItemColor((*hist)[i]) | 0x12000000u), int(i));
    EXPECT_EQ(lookup.Find(MakePixel(1, 1, 1)), -1);

    ColorHistogram twice = {{1, 2, 3, 0, 5}, {4, 5, 6, 0, 1}, {1, 2, 3, 0, 7}};
    try {
        CColorLookup bad(twice);
        FAIL() << "repeated colour accepted";
    } catch (const CTextException& e) {
        EXPECT_EQ(e.GetCode(), ErrInternal);
        EXPECT_EQ(e.GetText(), "Same color found twice");
    }
}

TEST(PaletteReduction, KeepsSmallPalettesAndReducesLargeOnes)
{
    CWinBmp exact;
    MakePaletteTestPicture(exact, 33, 17, 256);
    CReducedPalette kept = ReducePalette(exact);
    EXPECT_EQ(kept.Count(), 256);
    EXPECT_FALSE(kept.reduced);
    EXPECT_EQ(kept.pixels, &exact);

    CWinBmp over;
    MakePaletteTestPicture(over, 33, 17, 257);
    CReducedPalette reduced = ReducePalette(over);
    ASSERT_TRUE(reduced.reduced);
    EXPECT_LE(reduced.Count(), 256);
    EXPECT_EQ(Colors(*reduced.pixels).size(), size_t(reduced.Count()));
    EXPECT_GT(Psnr(FromBitmap(over), FromBitmap(*reduced.pixels)), 30);
}

TEST(MedianCut, PhotoQualityComparableToImageMagick)
{
    CWinBmp photo;
    MakeTestPicture(photo, 257, 199, 3);
    CWinBmp out;
    out.Create(photo.GetWidth(), photo.GetHeight(), 32, false);
    MedianCutReduce(photo, out, 256);
    EXPECT_LE(Colors(out).size(), 256u);
    const double ours = Psnr(FromBitmap(photo), Opaque(FromBitmap(out)));
    EXPECT_GT(ours, 28);
    if (HasProgram("identify")) {
        const double theirs = Psnr(FromBitmap(photo), ImageMagickQuantized(photo));
        EXPECT_GT(ours, theirs - 3) << "ImageMagick " << theirs;
    }
}

TEST(MedianCut, HeavyColourKeepsItsWeight)
{
    // One colour covers 131100 pixels: a 16-bit count would wrap to 28 and
    // the median cut would merge it with its neighbours.
    const uint32_t heavy = MakePixel(120, 130, 140);
    CWinBmp bmp;
    Fill(bmp, 512, 512, heavy);
    int placed = 131100;
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x)
            if (--placed < 0) {
                const int i = y * 512 + x;
                bmp.GetLine32(y)[x] =
                    MakePixel(uint8_t(100 + i % 41), uint8_t(110 + i / 41 % 41), uint8_t(140 + i % 7));
            }
    CWinBmp out;
    out.Create(512, 512, 32, false);
    MedianCutReduce(bmp, out, 256);
    int changed = 0;
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x)
            if ((bmp.GetLine32(y)[x] & 0xFFFFFF) == (heavy & 0xFFFFFF))
                changed += (out.GetLine32(y)[x] & 0xFFFFFF) != (heavy & 0xFFFFFF);
    EXPECT_EQ(changed, 0);
}

TEST(MedianCut, DroppedBitsComeBackToFullRange)
{
    // An 8-bit source allows 257 colours before bits are dropped; the
    // result must still span 0..255, not come out at half brightness.
    CWinBmp bmp;
    bmp.Create(64, 64, 32, false);
    bmp.SetSourceBitsPerPixel(8);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            bmp.GetLine32(y)[x] = MakePixel(uint8_t(x * 4 + 3), uint8_t(y * 4 + 3), uint8_t(255 - x));
    CWinBmp out;
    out.Create(64, 64, 32, false);
    MedianCutReduce(bmp, out, 256);
    EXPECT_LE(Colors(out).size(), 256u);
    EXPECT_GT(Psnr(FromBitmap(bmp), Opaque(FromBitmap(out))), 22);
    uint32_t brightest = 0;
    for (uint32_t c : Colors(out))
        brightest = std::max(brightest, c >> 16 & 0xFF);
    EXPECT_GE(brightest, 230u);
}

TEST(MedianCut, TinySourceDepthNeverEndsAllBlack)
{
    // A 1-bit source allows 3 colours before bits are dropped; an edited
    // one with many colours must still keep more than one.
    CWinBmp bmp;
    bmp.Create(40, 40, 32, false);
    bmp.SetSourceBitsPerPixel(1);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            bmp.GetLine32(y)[x] = MakePixel(uint8_t(x * 6), uint8_t(y * 6), uint8_t((x + y) * 3));
    CWinBmp out;
    out.Create(40, 40, 32, false);
    MedianCutReduce(bmp, out, 256);
    EXPECT_GT(Colors(out).size(), 2u);
}
