// CBmp / CWinBmp: layout, size limits, conversions between depths and the
// BMP writer (its failure cases are in OutputFile_test).
#include "TestSupport.h"
#include "engine/picture/AnyPicDecoder.h"
#include "engine/picture/PictureSizeLimit.h"
#include "engine/picture/TextException.h"
#include "engine/picture/WinBmp.h"

#include <gtest/gtest.h>
#include <thread>
#include <tuple>

using namespace vktest;

TEST(Bitmap, LineBytesIncludePaddingAndHugeSizesAreRefused)
{
    CWinBmp bmp;
    for (auto [width, depth, bytes] : {std::tuple{9, 1, 4}, {32, 1, 4}, {33, 1, 8}, {5, 8, 8}, {7, 32, 28}}) {
        bmp.Create(width, 2, uint16_t(depth), false);
        EXPECT_EQ(bmp.GetLineBytes(), bytes) << width << " at " << depth;
    }
    EXPECT_EQ(bmp.GetDIBSize(), 40u + 28u * 2u);
    EXPECT_EQ(bmp.GetMemoryUsed(), bmp.GetDIBSize() + 40u);
    for (auto [w, h] : {std::pair{-1, 5}, {5, -1}, {1 << 20, 1 << 20}, {1 << 30, 1}}) {
        try {
            bmp.Create(w, h, 32, false);
            FAIL() << w << "x" << h;
        } catch (const CTextException& e) {
            EXPECT_EQ(e.GetCode(), ErrNoMemory);
            EXPECT_EQ(e.GetText(), "Out of memory.");
        }
    }
}

TEST(Bitmap, ASizeLimitRefusesLargerPicturesOnItsThreadOnly)
{
    TempDir dir;
    WriteTestPpm(dir.File("p.ppm"), 300, 200);
    CAnyPicDecoder decoder;
    CWinBmp bmp;
    {
        CPictureSizeLimit limit(300 * 200 - 1);
        // The decoder stops at the size in the header, as out of memory.
        try {
            decoder.DecodeFile(dir.File("p.ppm"), bmp, 32);
            FAIL() << "decoded over the limit";
        } catch (const CTextException& e) {
            EXPECT_EQ(e.GetCode(), ErrNoMemory);
        }
        EXPECT_TRUE(limit.Exceeded());
        {
            // The innermost scope counts; the outer one is left as it was.
            CPictureSizeLimit wider(300 * 200);
            decoder.DecodeFile(dir.File("p.ppm"), bmp, 32);
            EXPECT_EQ(bmp.GetWidth(), 300);
            EXPECT_FALSE(wider.Exceeded());
        }
        // Other threads are not bound.
        std::thread([&dir] {
            CAnyPicDecoder other;
            CWinBmp picture;
            other.DecodeFile(dir.File("p.ppm"), picture, 32);
            EXPECT_EQ(picture.GetHeight(), 200);
        }).join();
        EXPECT_THROW(bmp.Create(300, 200, 8, false), CTextException);
    }
    // Gone with its scope.
    decoder.DecodeFile(dir.File("p.ppm"), bmp, 32);
    EXPECT_EQ(bmp.GetWidth(), 300);
}

TEST(BitmapConvert, OneBitToEightAndThirtyTwoAndBack)
{
    CWinBmp one;
    one.Create(10, 2, 1, false);
    one.GetLine(0)[0] = 0x80; // leftmost pixel set
    one.GetLine(1)[1] = 0x40; // pixel 9 set
    CWinBmp full, eight;
    full.CopyFrom(one, 32);
    // Grayscale palette of a fresh 1-bit picture: 0 black, 1 white.
    EXPECT_EQ(full.GetLine32(0)[0], 0xFFFFFFFFu);
    EXPECT_EQ(full.GetLine32(0)[1], 0xFF000000u);
    EXPECT_EQ(full.GetLine32(1)[9], 0xFFFFFFFFu);
    eight.CopyFrom(one, 8);
    EXPECT_EQ(eight.GetLine(0)[0], 1);
    EXPECT_EQ(eight.GetLine(0)[1], 0);
    EXPECT_EQ(eight.GetPalette()[1].red, 255);
    EXPECT_EQ(eight.GetPalette()[7].red, 7); // rest of the ramp kept

    // To one bit: thresholded at 128, white first in the palette.
    CWinBmp src, back;
    src.Create(3, 1, 32, true);
    src.GetLine32(0)[0] = MakePixel(127, 127, 127);
    src.GetLine32(0)[1] = MakePixel(128, 0, 0);
    src.GetLine32(0)[2] = MakePixel(0, 0, 0);
    back.CopyFrom(src, 1);
    EXPECT_EQ(back.GetLine(0)[0], 0xA0); // pixels 0 and 2 black
    EXPECT_EQ(back.GetPalette()[0].red, 255);
    EXPECT_EQ(back.GetPalette()[1].red, 0);
    EXPECT_FALSE(back.HasAlphaChannel());
}

TEST(BitmapConvert, ToEightBitsDropsAlphaAndKeepsColoursClose)
{
    CWinBmp src, same, eight;
    src.Create(4, 4, 32, true);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            src.GetLine32(y)[x] = MakePixel(uint8_t(x * 60), uint8_t(y * 60), 9, 100);
    same.CopyFrom(src, 32);
    EXPECT_TRUE(same.HasAlphaChannel());
    EXPECT_EQ(FromBitmap(same), FromBitmap(src));
    eight.CopyFrom(src, 8);
    EXPECT_FALSE(eight.HasAlphaChannel());
    // 16 colours fit the octree exactly.
    EXPECT_EQ(Opaque(FromBitmap(eight)), Opaque(FromBitmap(src)));
    // Many colours come back close.
    CWinBmp photo, back;
    MakeTestPicture(photo, 64, 64);
    eight.CopyFrom(photo, 8);
    back.CopyFrom(eight, 32);
    EXPECT_GT(Psnr(FromBitmap(back), FromBitmap(photo)), 25.0);
}

TEST(BmpWriter, IndexedFileHoldsTheBlockAsIsAndPeersReadWhatWeWrite)
{
    TempDir dir;
    CWinBmp indexed;
    indexed.Create(5, 3, 8, false);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            indexed.GetLine(y)[x] = uint8_t(y * 5 + x);
    SaveAsBmpFile(indexed, dir.File("a.bmp"));
    const std::string bytes = ReadFile(dir.File("a.bmp"));
    ASSERT_EQ(bytes.size(), 54u + 1024u + 8u * 3u);
    EXPECT_EQ(GetLe16(bytes, 10), 1078u);
    EXPECT_EQ(bytes.substr(14),
              std::string(reinterpret_cast<const char*>(indexed.GetDIB()), indexed.GetDIBSize()));

    if (!HasProgram("convert") || !HasProgram("bmptopnm"))
        GTEST_SKIP() << "ImageMagick or netpbm missing";
    for (auto [w, h] : {std::pair{1, 1}, {7, 5}, {33, 17}}) {
        CWinBmp bmp;
        MakeTestPicture(bmp, w, h);
        SaveAsBmpFile(bmp, dir.File("a.bmp"));
        EXPECT_EQ(ReadWithImageMagick(dir.File("a.bmp")), FromBitmap(bmp)) << w << "x" << h;
        EXPECT_EQ(ReadWithNetpbm("bmptopnm " + Quote(dir.File("a.bmp"))), FromBitmap(bmp));
    }
}
