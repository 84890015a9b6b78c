// BMP decoding: every depth and header, RLE escapes, damaged and hostile
// files, and agreement with what ImageMagick and netpbm read from the files
// they write.
#include "TestSupport.h"
#include "engine/picture/BmpDecoder.h"

#include <gtest/gtest.h>

using namespace vktest;

namespace {

// A bitmap with any info header: `header` holds the fields after the size.
std::string BmpFile(uint32_t headerSize, const std::string& header, const std::string& rest,
                    uint32_t offset = 0)
{
    const std::string info = Le32(headerSize) + header + std::string(headerSize - 4 - header.size(), '\0');
    const uint32_t size = uint32_t(14 + info.size() + rest.size());
    return "BM" + Le32(size) + Le32(0) + Le32(offset ? offset : uint32_t(14 + info.size())) + info + rest;
}

// Width, height, planes, bit count, compression, then zeros up to the
// colour count.
std::string InfoFields(int32_t width, int32_t height, int bitCount, uint32_t compression,
                       uint32_t colorsUsed = 0)
{
    return Le32(uint32_t(width)) + Le32(uint32_t(height)) + Le16(1) + Le16(unsigned(bitCount)) +
           Le32(compression) + std::string(12, '\0') + Le32(colorsUsed) + Le32(0);
}

// Colour i of the test palettes.
uint32_t Pal(int i)
{
    return MakePixel(uint8_t(i * 10 + 2), uint8_t(i * 10 + 1), uint8_t(i * 10));
}

// A Windows 3 bitmap with `colors` palette entries (Pal or `palette`),
// the data right after them.
std::string Win3(int32_t width, int32_t height, int bitCount, uint32_t compression, int colors,
                 const std::string& data, uint32_t colorsUsed = 0, const std::vector<uint32_t>& palette = {})
{
    std::string entries;
    for (int i = 0; i < colors; ++i) {
        const uint32_t c = palette.empty() ? Pal(i) : palette[size_t(i)];
        entries += ByteString({int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16 & 0xFF), 0});
    }
    return BmpFile(40, InfoFields(width, height, bitCount, compression, colorsUsed), entries + data,
                   uint32_t(54 + entries.size()));
}

Pixels Decode(const std::string& file, int depth = 32, CWinBmp* out = nullptr)
{
    CBmpDecoder decoder;
    return DecodeBytes(decoder, file, depth, out);
}

std::pair<int, std::string> Error(const std::string& file)
{
    CBmpDecoder decoder;
    return ErrorOf(decoder, file);
}

} // namespace

TEST(BmpDecode, IndexedDepthsGoThroughTheirPalette)
{
    // 8 bits, bottom row first; kept as indices at depth 0.
    const std::string eight = Win3(4, 2, 8, 0, 256, ByteString({1, 2, 3, 4, 5, 6, 7, 8}));
    Pixels p = Decode(eight);
    EXPECT_EQ(p.At(0, 1), Pal(1));
    EXPECT_EQ(p.At(3, 0), Pal(8));
    CWinBmp bmp;
    Decode(eight, 0, &bmp);
    EXPECT_EQ(bmp.GetBitsPerPixel(), 8);
    EXPECT_EQ(bmp.GetSourceBitsPerPixel(), 8);
    EXPECT_EQ(bmp.GetLine(0)[0], 5);
    EXPECT_EQ(bmp.GetPalette()[5].red, 52);
    // 1 bit: (white, black) must not show inverted, colours stay colours.
    const std::string bits = ByteString({0x80, 0x40, 0, 0});
    p = Decode(Win3(10, 1, 1, 0, 2, bits, 0, {0xFFFFFFFF, 0xFF000000}));
    EXPECT_EQ(p.data[0], 0xFF000000u);
    EXPECT_EQ(p.data[1], 0xFFFFFFFFu);
    EXPECT_EQ(p.data[9], 0xFF000000u);
    p = Decode(Win3(10, 1, 1, 0, 2, bits, 0, {MakePixel(255, 0, 0), MakePixel(0, 0, 255)}));
    EXPECT_EQ(p.data[0], MakePixel(0, 0, 255));
    EXPECT_EQ(p.data[1], MakePixel(255, 0, 0));
    // 4 bits with a 3-entry palette: the data starts after it; an index
    // beyond it reads as black.
    EXPECT_EQ(Decode(Win3(3, 1, 4, 0, 3, ByteString({0x12, 0, 0, 0}), 3)).data,
              (std::vector<uint32_t>{Pal(1), Pal(2), Pal(0)}));
    EXPECT_EQ(Decode(Win3(3, 1, 4, 0, 3, ByteString({0xF0, 0, 0, 0}), 3)).data[0], 0xFF000000u);
}

TEST(BmpDecode, TrueColourTopDownAndBitFields)
{
    const std::string rows24 = ByteString({1, 2, 3, 0, 4, 5, 6, 0});
    Pixels p = Decode(Win3(1, 2, 24, 0, 0, rows24));
    EXPECT_EQ(p.data, (std::vector<uint32_t>{MakePixel(6, 5, 4), MakePixel(3, 2, 1)}));
    EXPECT_EQ(Decode(Win3(1, -2, 24, 0, 0, rows24)).data[0], MakePixel(3, 2, 1));
    // Plain 32 bits: the fourth byte is kept, but no alpha is claimed.
    CWinBmp bmp;
    EXPECT_EQ(Decode(Win3(1, 1, 32, 0, 0, ByteString({1, 2, 3, 0x80})), 32, &bmp).data[0],
              MakePixel(3, 2, 1, 0x80));
    EXPECT_FALSE(bmp.HasAlphaChannel());

    // 16 bits 5-5-5, bottom-up, rows padded to 4 bytes; 16 of 31 rounds to 132.
    p = Decode(
        BmpFile(40, InfoFields(2, 2, 16, 0), Le16(0x7C00) + Le16(0x03E0) + Le16(0x001F) + Le16(0x4210)));
    EXPECT_EQ(p.data, (std::vector<uint32_t>{MakePixel(0, 0, 255), MakePixel(132, 132, 132),
                                             MakePixel(255, 0, 0), MakePixel(0, 255, 0)}));
    // 5-6-5 masks after a Windows 3 header (32 of 63 is 130), and inside a
    // V4 header, top-down.
    const std::string masks565 = Le32(0xF800) + Le32(0x07E0) + Le32(0x001F);
    p = Decode(BmpFile(40, InfoFields(2, 1, 16, 3), masks565 + Le16(0xF800) + Le16(0x0400)));
    EXPECT_EQ(p.data, (std::vector<uint32_t>{MakePixel(255, 0, 0), MakePixel(0, 130, 0)}));
    p = Decode(BmpFile(108, InfoFields(1, -2, 16, 3) + masks565 + Le32(0),
                       Le16(0x001F) + Le16(0) + Le16(0xF800) + Le16(0)));
    EXPECT_EQ(p.data, (std::vector<uint32_t>{MakePixel(0, 0, 255), MakePixel(255, 0, 0)}));

    // 10-10-10-2 through ALPHABITFIELDS after a Windows 3 header.
    const std::string masks1010102 =
        Le32(0x3FF00000) + Le32(0x000FFC00) + Le32(0x000003FF) + Le32(0xC0000000);
    p = Decode(BmpFile(40, InfoFields(2, 1, 32, 6), masks1010102 + Le32(0xFFF00000) + Le32(0x400003FF)), 32,
               &bmp);
    EXPECT_TRUE(bmp.HasAlphaChannel());
    EXPECT_EQ(p.data, (std::vector<uint32_t>{MakePixel(255, 0, 0, 255), MakePixel(0, 0, 255, 85)}));
    // A V5 header with the usual masks: the bytes as stored, alpha kept.
    const std::string rgbMasks = Le32(0x00FF0000) + Le32(0x0000FF00) + Le32(0x000000FF);
    EXPECT_EQ(Decode(BmpFile(124, InfoFields(1, 1, 32, 3) + rgbMasks + Le32(0xFF000000), Le32(0x80102030)),
                     32, &bmp)
                  .data[0],
              0x80102030u);
    EXPECT_TRUE(bmp.HasAlphaChannel());
    // Without an alpha mask the picture is opaque whatever the fourth byte.
    EXPECT_EQ(
        Decode(BmpFile(56, InfoFields(1, 1, 32, 3) + rgbMasks + Le32(0), Le32(0x00102030)), 32, &bmp).data[0],
        0xFF102030u);
    EXPECT_FALSE(bmp.HasAlphaChannel());
    // Masks of nothing and of everything end cleanly.
    p = Decode(BmpFile(40, InfoFields(1, 1, 32, 3),
                       Le32(0) + Le32(0xFFFFFFFF) + Le32(0x80000001) + Le32(0x12345678)));
    EXPECT_EQ(p.data[0] & 0x00FF0000u, 0u);
}

TEST(BmpDecode, RunLengthEscapes)
{
    // RLE8, bottom line: run of 3 x 7, absolute run of 3 (padded) clipped
    // at the width; line 2: run of 2; end of picture leaves the top line.
    Pixels p = Decode(Win3(5, 3, 8, 1, 256, ByteString({3, 7, 0, 3, 1, 2, 9, 0, 0, 0, 2, 4, 0, 1})));
    EXPECT_EQ(p.At(0, 2), Pal(7));
    EXPECT_EQ(p.At(2, 2), Pal(7));
    EXPECT_EQ(p.At(3, 2), Pal(1));
    EXPECT_EQ(p.At(4, 2), Pal(2));
    EXPECT_EQ(p.At(1, 1), Pal(4));
    EXPECT_EQ(p.At(0, 0), Pal(0)); // never reached
    EXPECT_EQ(Error(Win3(5, 3, 8, 1, 256, ByteString({0, 2, 1, 1}))),
              std::pair(int(ErrUnsupported), Raised("Encountered delta escape.")));
    EXPECT_EQ(Error(Win3(5, 3, 8, 1, 256, ByteString({2, 4}))).first, ErrEndOfFile); // no end
    // RLE4 alternates nibbles: a run of 3 from 0x12 is 1 2 1; an absolute
    // run of 3 is 3 4 5 (two bytes, even: no padding).
    p = Decode(Win3(6, 1, 4, 2, 16, ByteString({3, 0x12, 0, 3, 0x34, 0x50, 0, 1})));
    EXPECT_EQ(p.data, (std::vector<uint32_t>{Pal(1), Pal(2), Pal(1), Pal(3), Pal(4), Pal(5)}));
}

TEST(BmpDecode, Os2CoreHeaderWithThreeBytePalette)
{
    // 16-bit sides; two 3-byte entries (fewer than 4 bits allow, as the
    // offset says), then one 4-bit row.
    const std::string palette = ByteString({0, 0, 255, 255, 0, 0});
    Pixels p = Decode(
        BmpFile(12, Le16(3) + Le16(1) + Le16(1) + Le16(4), palette + ByteString({1, 0, 0, 0}), 14 + 12 + 6));
    EXPECT_EQ(p.data,
              (std::vector<uint32_t>{MakePixel(255, 0, 0), MakePixel(0, 0, 255), MakePixel(255, 0, 0)}));
    // 16 bits is no OS/2 1.x depth.
    EXPECT_EQ(Error(BmpFile(12, Le16(1) + Le16(1) + Le16(1) + Le16(16), std::string(4, '\0'))).first,
              ErrBadFormat);
}

TEST(BmpDecode, HeaderErrorsCarryTheirTexts)
{
    const std::string data(8, '\0');
    EXPECT_EQ(Error(Win3(4, 2, 2, 0, 256, data)),
              std::pair(int(ErrBadFormat), Raised("Decoding bmp: Illegal bpp value.")));
    // OS/2 2.x: still refused.
    EXPECT_EQ(Error(BmpFile(64, InfoFields(4, 2, 8, 0), data)),
              std::pair(int(ErrBadFormat), Raised("Bitmap decoder: BITMAPINFOHEADER has wrong size.")));
    std::string file = Win3(4, 2, 8, 0, 256, data);
    file[0] = 'X';
    EXPECT_EQ(Error(file), std::pair(int(ErrWrongSignature), Raised("Bitmap decoder: This isn't a bitmap.")));
    EXPECT_EQ(Error(Win3(1 << 20, 1 << 20, 8, 0, 256, data)).first, ErrNoMemory);
    EXPECT_EQ(Error(Win3(-4, 2, 8, 0, 256, data)).first, ErrBadFormat);
}

TEST(BmpDecode, DamagedFilesFailCleanly)
{
    const std::string masks565 = Le32(0xF800) + Le32(0x07E0) + Le32(0x001F);
    const struct {
        std::string file;
        std::vector<int> cutCodes; // empty: any error
        bool flips;                // every byte flipped too
    } files[] = {
        {Win3(7, 5, 24, 0, 0, std::string(5 * 24, 'A')), {ErrEndOfFile}, false},
        {Win3(7, 5, 8, 1, 256, ByteString({7, 1, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1})), {}, false},
        {BmpFile(40, InfoFields(3, 2, 16, 3), masks565 + std::string(16, 'x')),
         {ErrEndOfFile, ErrBadFormat},
         true},
        {BmpFile(124, InfoFields(2, 2, 32, 3) + masks565 + Le32(0xFF000000), std::string(16, 'y')),
         {ErrEndOfFile, ErrBadFormat},
         true},
        {BmpFile(12, Le16(2) + Le16(2) + Le16(1) + Le16(24), std::string(16, 'z')),
         {ErrEndOfFile, ErrBadFormat},
         true},
    };
    CBmpDecoder decoder;
    for (const auto& [file, cutCodes, flips] : files) {
        ASSERT_EQ(Error(file).first, 0);
        EXPECT_EQ(CutFailures(decoder, file, cutCodes), "");
        if (flips) {
            EXPECT_EQ(FlipFailures(decoder, file, Positions(0, file.size()), {0x80, 0xFF}, {}), "");
        }
    }
}

TEST(BmpDecode, Rle8RunsPastTheLineNeverOverflowTheColumn)
{
    // One pixel wide, then 8.4 million runs of 255 pixels with no end of
    // line: the column passes 2^31 unless it stops at the line's end.
    std::string data = ByteString({1, 7});
    const size_t runs = (size_t(1) << 31) / 255 + 16;
    data.reserve(2 * runs + 4);
    for (size_t i = 0; i < runs; ++i)
        data += {char(255), char(9)};
    data += {char(0), char(1)};
    CWinBmp bmp;
    ASSERT_NO_THROW(Decode(Win3(1, 1, 8, 1, 16, data, 16), 8, &bmp));
    EXPECT_EQ(bmp.GetLine(0)[0], 7);
}

TEST(BmpDecode, UncompressedDataShortOfTheClaimIsRefusedBeforeAllocating)
{
    for (int bitCount : {1, 4, 8, 24, 32}) {
        SCOPED_TRACE(bitCount);
        int64_t largest = 0;
        CWatchedBmp bmp([&](int w, int h) { largest = std::max(largest, int64_t(w) * h); });
        CBmpDecoder decoder;
        try {
            const int colors = bitCount <= 8 ? 2 : 0;
            DecodeBytes(decoder, Win3(16384, 16384, bitCount, 0, colors, std::string(16, '\0'), colors), 32,
                        &bmp);
            ADD_FAILURE() << "decoded";
        } catch (const CTextException& e) {
            EXPECT_EQ(e.GetCode(), ErrEndOfFile);
        }
        EXPECT_LE(largest, 256);
    }
}

namespace {

// A V4 file as GIMP-style writers make it, from a V5 one: the colour space
// tail of the header dropped, sizes and offset moved down by 16.
std::string CutToV4(const std::string& v5)
{
    if (v5.size() < 14 + 124 || GetLe16(v5, 14) != 124)
        return {};
    const uint32_t offset = GetLe16(v5, 10) | uint32_t(GetLe16(v5, 12)) << 16;
    return "BM" + Le32(uint32_t(v5.size() - 16)) + v5.substr(6, 4) + Le32(offset - 16) + Le32(108) +
           v5.substr(18, 104) + v5.substr(14 + 124);
}

} // namespace

// Files written by other programs decode to the pixels they read back.
TEST(BmpDecode, AgreesWithPeers)
{
    if (!HasProgram("ppmtobmp") || !HasProgram("bmptopnm") || !HasProgram("identify"))
        GTEST_SKIP() << "netpbm or ImageMagick missing";
    TempDir dir;
    const std::string ppm = dir.File("src.ppm"), png = dir.File("alpha.png");
    WriteTestPpm(ppm, 37, 23);
    const std::string q = Quote(ppm), im = ImageMagick(), qa = Quote(png);
    ASSERT_EQ(
        vktest::Run(im + " " + q +
                    " \\( -size 37x23 gradient:white-black \\) -alpha off -compose copy_opacity -composite " +
                    qa),
        0);
    struct Case {
        const char* name;
        std::string command;
        uint32_t headerSize;
        bool netpbmReads = true; // netpbm refuses ImageMagick's RLE, whose runs pass the line end
        int tolerance = 0;       // ImageMagick rounds 5- and 4-bit channels its own way
        bool alpha = false;
        bool fourBit = false; // ImageMagick reads 4-bit channels as v * 16
    } cases[] = {
        {"netpbm 24", "ppmtobmp -bpp=24 " + q, 40},
        {"netpbm 8", "pnmquant 200 " + q + " 2>/dev/null | ppmtobmp -bpp=8", 40},
        {"netpbm 4", "pnmquant 16 " + q + " 2>/dev/null | ppmtobmp -bpp=4", 40},
        {"netpbm 1", "ppmtopgm " + q + " 2>/dev/null | pgmtopbm 2>/dev/null | ppmtobmp -bpp=1", 40},
        {"netpbm OS/2 24", "ppmtobmp -os2 -bpp=24 " + q, 12},
        {"netpbm OS/2 8", "pnmquant 100 " + q + " 2>/dev/null | ppmtobmp -os2 -bpp=8", 12},
        {"netpbm OS/2 1", "ppmtopgm " + q + " | pgmtopbm 2>/dev/null | ppmtobmp -os2 -bpp=1", 12},
        {"magick 24", im + " " + q + " bmp3:-", 40},
        {"magick 8", im + " " + q + " -colors 100 -type palette -compress none bmp3:-", 40},
        {"magick rle8", im + " " + q + " -colors 100 -type palette -compress rle bmp3:-", 40, false},
        {"magick 4", im + " " + q + " -colors 12 -type palette -compress none bmp3:-", 40},
        {"magick rle4", im + " " + q + " -colors 12 -type palette -compress rle bmp3:-", 40, false},
        {"magick 1", im + " " + q + " -monochrome bmp3:-", 40},
        {"magick OS/2 24", im + " " + q + " bmp2:-", 12},
        {"magick V5 24", im + " " + q + " bmp:-", 124, true, 1},
        {"magick V4 (V5 cut to 108)", im + " " + q + " bmp:-", 108, true, 1},
        {"magick V5 8", im + " " + q + " -colors 60 -type palette -compress none bmp:-", 124, true, 1},
        // bmptopnm widens 5-bit channels by shifting; ImageMagick rounds as we do.
        {"magick 565", im + " " + q + " -define bmp:subtype=RGB565 bmp:-", 124, false, 1},
        {"magick 555", im + " " + q + " -define bmp:subtype=RGB555 bmp:-", 124, false, 1},
        {"magick argb4444", im + " " + qa + " -define bmp:subtype=ARGB4444 bmp:-", 124, true, 1, true, true},
        {"magick 32 alpha", im + " " + qa + " bmp:-", 124, true, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = dir.File("out.bmp");
        ASSERT_EQ(vktest::Run(c.command + " > " + Quote(file) + " 2>/dev/null"), 0);
        if (c.headerSize == 108)
            WriteFile(file, CutToV4(ReadFile(file)));
        const std::string bytes = ReadFile(file);
        ASSERT_GT(bytes.size(), 18u);
        EXPECT_EQ(GetLe16(bytes, 14) | GetLe16(bytes, 16) << 16, c.headerSize);
        CWinBmp bmp;
        const Pixels ours = Decode(bytes, 32, &bmp);
        EXPECT_EQ(bmp.HasAlphaChannel(), c.alpha);
        if (c.netpbmReads) {
            EXPECT_EQ(
                Diff(Opaque(ours), ReadWithNetpbm("bmptopnm " + Quote(file) + " 2>/dev/null | pamdepth 255")),
                "");
        }
        Pixels magick = ReadWithImageMagick(file);
        if (c.fourBit)
            for (uint32_t& v : magick.data)
                v = (v >> 4 & 0x0F0F0F0Fu) * 17; // v * 16 back to v, then v * 255 / 15
        EXPECT_LE(MaxChannelDifference(ours, c.alpha ? magick : Opaque(magick)), c.tolerance);
    }
}
