// CBmp / CWinBmp: layout, line table, conversions and the BMP writer.
#include "TestSupport.h"
#include "picture/AnyPicDecoder.h"
#include "picture/PictureSizeLimit.h"
#include "picture/TextException.h"
#include "picture/WinBmp.h"

#include <filesystem>
#include <thread>
#include <gtest/gtest.h>

using namespace vktest;

TEST(Bitmap, LineBytesIncludePadding)
{
    CWinBmp bmp;
    bmp.Create(9, 2, 1, false);
    EXPECT_EQ(bmp.GetLineBytes(), 4);
    bmp.Create(32, 2, 1, false);
    EXPECT_EQ(bmp.GetLineBytes(), 4);
    bmp.Create(33, 2, 1, false);
    EXPECT_EQ(bmp.GetLineBytes(), 8);
    bmp.Create(5, 2, 8, false);
    EXPECT_EQ(bmp.GetLineBytes(), 8);
    bmp.Create(7, 2, 32, false);
    EXPECT_EQ(bmp.GetLineBytes(), 28);
    EXPECT_EQ(bmp.GetColorCount(), 16777216u);
    EXPECT_EQ(bmp.GetDIBSize(), 40u + 28u * 2u);
    EXPECT_EQ(bmp.GetMemoryUsed(), bmp.GetDIBSize() + 40u);
}

TEST(Bitmap, FreshBitmapIsGray16x16)
{
    CWinBmp bmp;
    EXPECT_EQ(bmp.GetWidth(), 16);
    EXPECT_EQ(bmp.GetHeight(), 16);
    EXPECT_EQ(bmp.GetBitsPerPixel(), 8);
    EXPECT_FALSE(bmp.HasAlphaChannel());
    for (int i = 0; i < 256; ++i) {
        const PaletteEntry& e = bmp.GetPalette()[i];
        EXPECT_EQ(e.red, i);
        EXPECT_EQ(e.green, i);
        EXPECT_EQ(e.blue, i);
        EXPECT_EQ(e.alpha, 255);
    }
}

TEST(Bitmap, LineTableIsTopDownOverBottomUpBlock)
{
    CWinBmp bmp;
    bmp.Create(3, 4, 32, false);
    EXPECT_EQ(bmp.GetLine(0), bmp.GetPixels() + 3 * bmp.GetLineBytes());
    EXPECT_EQ(bmp.GetLine(3), bmp.GetPixels());
    // Header describes a bottom-up DIB.
    const uint8_t* dib = bmp.GetDIB();
    EXPECT_EQ(dib[0], 40);
    EXPECT_EQ(dib[8], 4);  // positive height
    EXPECT_EQ(dib[14], 32);
}

TEST(Bitmap, RefusesNegativeAndHugeSizes)
{
    CWinBmp bmp;
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

TEST(BitmapConvert, Depth1To32And8)
{
    CWinBmp one;
    one.Create(10, 2, 1, false);
    one.GetLine(0)[0] = 0x80; // leftmost pixel set
    one.GetLine(1)[1] = 0x40; // pixel 9 set
    CWinBmp full;
    full.CopyFrom(one, 32);
    // Grayscale palette of a fresh 1-bit picture: 0 black, 1 white.
    EXPECT_EQ(full.GetLine32(0)[0], 0xFFFFFFFFu);
    EXPECT_EQ(full.GetLine32(0)[1], 0xFF000000u);
    EXPECT_EQ(full.GetLine32(1)[9], 0xFFFFFFFFu);
    CWinBmp eight;
    eight.CopyFrom(one, 8);
    EXPECT_EQ(eight.GetLine(0)[0], 1);
    EXPECT_EQ(eight.GetLine(0)[1], 0);
    EXPECT_EQ(eight.GetPalette()[1].red, 255);
    EXPECT_EQ(eight.GetPalette()[7].red, 7); // rest of the ramp kept
}

TEST(BitmapConvert, To1BitThresholdsAt128)
{
    CWinBmp src;
    src.Create(3, 1, 32, true);
    src.GetLine32(0)[0] = MakePixel(127, 127, 127);
    src.GetLine32(0)[1] = MakePixel(128, 0, 0);
    src.GetLine32(0)[2] = MakePixel(0, 0, 0);
    CWinBmp one;
    one.CopyFrom(src, 1);
    EXPECT_EQ(one.GetLine(0)[0], 0xA0); // pixels 0 and 2 black
    EXPECT_EQ(one.GetPalette()[0].red, 255);
    EXPECT_EQ(one.GetPalette()[1].red, 0);
    EXPECT_FALSE(one.HasAlphaChannel());
}

TEST(BitmapConvert, AlphaFlagFollowsDepth)
{
    CWinBmp src;
    src.Create(4, 4, 32, true);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            src.GetLine32(y)[x] = MakePixel(uint8_t(x * 60), uint8_t(y * 60), 9, 100);
    CWinBmp same, eight;
    same.CopyFrom(src, 32);
    EXPECT_TRUE(same.HasAlphaChannel());
    EXPECT_EQ(FromBitmap(same), FromBitmap(src));
    eight.CopyFrom(src, 8);
    EXPECT_FALSE(eight.HasAlphaChannel());
    // 16 colours fit the octree exactly.
    EXPECT_EQ(Opaque(FromBitmap(eight)), Opaque(FromBitmap(src)));
}

TEST(BitmapConvert, OctreeKeepsManyColoursClose)
{
    CWinBmp src, eight, back;
    MakeTestPicture(src, 64, 64);
    eight.CopyFrom(src, 8);
    back.CopyFrom(eight, 32);
    EXPECT_GT(Psnr(FromBitmap(back), FromBitmap(src)), 25.0);
}

TEST(BmpWriter, Writes24BitWithPadding)
{
    TempDir dir;
    CWinBmp bmp;
    bmp.Create(1, 2, 32, false);
    bmp.GetLine32(0)[0] = MakePixel(1, 2, 3);
    bmp.GetLine32(1)[0] = MakePixel(4, 5, 6);
    SaveAsBmpFile(bmp, dir.File("a.bmp"));
    std::string bytes = ReadFile(dir.File("a.bmp"));
    ASSERT_EQ(bytes.size(), 54u + 8u);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(uint8_t(bytes[2]), 62);
    EXPECT_EQ(uint8_t(bytes[10]), 54);
    EXPECT_EQ(uint8_t(bytes[28]), 24);
    // Bottom line first: blue, green, red, then the padding byte 0x20.
    EXPECT_EQ(bytes.substr(54), std::string("\x06\x05\x04\x20\x03\x02\x01\x20", 8));
}

TEST(BmpWriter, IndexedFileHoldsBlockAsIs)
{
    TempDir dir;
    CWinBmp bmp;
    bmp.Create(5, 3, 8, false);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            bmp.GetLine(y)[x] = uint8_t(y * 5 + x);
    SaveAsBmpFile(bmp, dir.File("a.bmp"));
    std::string bytes = ReadFile(dir.File("a.bmp"));
    ASSERT_EQ(bytes.size(), 54u + 1024u + 8u * 3u);
    EXPECT_EQ(uint8_t(bytes[10]) | uint8_t(bytes[11]) << 8, 1078);
    EXPECT_EQ(bytes.substr(14), std::string(reinterpret_cast<const char*>(bmp.GetDIB()), bmp.GetDIBSize()));
}

TEST(BmpWriter, PeersReadWhatWeWrite)
{
    if (!HasProgram("convert") || !HasProgram("bmptopnm"))
        GTEST_SKIP() << "ImageMagick or netpbm missing";
    TempDir dir;
    for (auto [w, h] : {std::pair{1, 1}, {7, 5}, {33, 17}}) {
        CWinBmp bmp;
        MakeTestPicture(bmp, w, h);
        SaveAsBmpFile(bmp, dir.File("a.bmp"));
        EXPECT_EQ(ReadWithImageMagick(dir.File("a.bmp")), FromBitmap(bmp)) << w << "x" << h;
        EXPECT_EQ(ReadWithNetpbm("bmptopnm " + Quote(dir.File("a.bmp"))), FromBitmap(bmp));
    }
}

TEST(BmpWriter, FailedWriteLeavesTargetUntouched)
{
    TempDir dir;
    WriteFile(dir.File("keep.bmp"), "original");
    CWinBmp bmp;
    // A directory cannot be replaced by a file.
    std::filesystem::create_directory(dir.File("sub.bmp"));
    EXPECT_THROW(SaveAsBmpFile(bmp, dir.File("sub.bmp")), CTextException);
    EXPECT_THROW(SaveAsBmpFile(bmp, dir.File("missing/a.bmp")), CTextException);
    EXPECT_EQ(ReadFile(dir.File("keep.bmp")), "original");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
}
