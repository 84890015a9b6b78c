// BMP decoding: every depth, RLE escapes, damaged files, and agreement with
// what ImageMagick and netpbm read from the files they write.
#include "TestSupport.h"
#include "picture/AnyPicDecoder.h"
#include "picture/BmpDecoder.h"
#include "picture/FileSource.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace vktest;

namespace {

// Builds a BMP file: 14-byte file header, 40-byte info header, palette, data.
struct BmpBuilder {
    int width = 4;
    int height = 2;
    int bitCount = 8;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    std::vector<PaletteEntry> palette;
    std::string data;
    uint32_t headerSize = 40;

    std::string Build() const
    {
        const auto paletteBytes = uint32_t(palette.size() * 4);
        ByteWriter w(false);
        w.bytes("BM").u32(54 + paletteBytes + uint32_t(data.size())).u32(0).u32(54 + paletteBytes);
        w.u32(headerSize).u32(uint32_t(width)).u32(uint32_t(height)).u16(1).u16(unsigned(bitCount));
        w.u32(compression).u32(0).u32(0).u32(0).u32(colorsUsed).u32(0);
        for (const PaletteEntry& e : palette)
            w.u8(e.blue).u8(e.green).u8(e.red).u8(0);
        return w.s + data;
    }
};

std::vector<PaletteEntry> Gray(int n)
{
    std::vector<PaletteEntry> p;
    for (int i = 0; i < n; ++i)
        p.push_back(PaletteEntry{uint8_t(i * 10), uint8_t(i * 10 + 1), uint8_t(i * 10 + 2), 0});
    return p;
}

Pixels Decode(const std::string& file, int depth = 32, CWinBmp* out = nullptr)
{
    CBmpDecoder decoder;
    return DecodeBytes(decoder, file, depth, out);
}

int DecodeError(const std::string& file, std::string* text = nullptr)
{
    CBmpDecoder decoder;
    auto [code, what] = ErrorOf(decoder, file);
    if (text)
        *text = what;
    return code;
}

uint32_t Pal(const std::vector<PaletteEntry>& p, int i) { return MakePixel(p[i].red, p[i].green, p[i].blue); }

} // namespace

TEST(BmpDecode, EightBitThroughPaletteBottomUp)
{
    BmpBuilder b;
    b.palette = Gray(256);
    b.data = std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8); // bottom row first
    Pixels p = Decode(b.Build());
    EXPECT_EQ(p.At(0, 1), Pal(b.palette, 1));
    EXPECT_EQ(p.At(3, 0), Pal(b.palette, 8));
    CWinBmp eight;
    Decode(b.Build(), 0, &eight);
    EXPECT_EQ(eight.GetBitsPerPixel(), 8);
    EXPECT_EQ(eight.GetSourceBitsPerPixel(), 8);
    EXPECT_EQ(eight.GetLine(0)[0], 5);
    EXPECT_EQ(eight.GetPalette()[5].red, 52);
}

TEST(BmpDecode, OneBitFollowsItsPalette)
{
    // (white, black) must not show inverted, and colours must stay colours.
    BmpBuilder b;
    b.width = 10;
    b.height = 1;
    b.bitCount = 1;
    b.palette = {PaletteEntry{255, 255, 255, 0}, PaletteEntry{0, 0, 0, 0}};
    b.data = std::string("\x80\x40\x00\x00", 4);
    Pixels p = Decode(b.Build());
    EXPECT_EQ(p.At(0, 0), 0xFF000000u);
    EXPECT_EQ(p.At(1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(p.At(9, 0), 0xFF000000u);
    b.palette = {PaletteEntry{0, 0, 255, 0}, PaletteEntry{255, 0, 0, 0}};
    p = Decode(b.Build());
    EXPECT_EQ(p.At(0, 0), MakePixel(0, 0, 255));
    EXPECT_EQ(p.At(1, 0), MakePixel(255, 0, 0));
}

TEST(BmpDecode, FourBitShortPaletteStartsDataAfterIt)
{
    BmpBuilder b;
    b.width = 3;
    b.height = 1;
    b.bitCount = 4;
    b.colorsUsed = 3;
    b.palette = Gray(3);
    b.data = std::string("\x12\x00\x00\x00", 4);
    Pixels p = Decode(b.Build());
    EXPECT_EQ(p.At(0, 0), Pal(b.palette, 1));
    EXPECT_EQ(p.At(1, 0), Pal(b.palette, 2));
    EXPECT_EQ(p.At(2, 0), Pal(b.palette, 0));
    // An index beyond the palette reads as black.
    b.data = std::string("\xF0\x00\x00\x00", 4);
    EXPECT_EQ(Decode(b.Build()).At(0, 0), 0xFF000000u);
}

TEST(BmpDecode, TrueColourAndTopDown)
{
    BmpBuilder b;
    b.width = 1;
    b.height = 2;
    b.bitCount = 24;
    b.data = std::string("\x01\x02\x03\x00\x04\x05\x06\x00", 8);
    Pixels p = Decode(b.Build());
    EXPECT_EQ(p.At(0, 1), MakePixel(3, 2, 1));
    EXPECT_EQ(p.At(0, 0), MakePixel(6, 5, 4));
    b.height = -2;
    p = Decode(b.Build());
    EXPECT_EQ(p.At(0, 0), MakePixel(3, 2, 1));
    b.bitCount = 32;
    b.height = 1;
    b.data = std::string("\x01\x02\x03\x80", 4);
    CWinBmp bmp;
    p = Decode(b.Build(), 32, &bmp);
    EXPECT_EQ(p.At(0, 0), MakePixel(3, 2, 1, 0x80));
    EXPECT_FALSE(bmp.HasAlphaChannel());
}

TEST(BmpDecode, Rle8Escapes)
{
    BmpBuilder b;
    b.width = 5;
    b.height = 3;
    b.compression = 1;
    b.palette = Gray(256);
    // Bottom line: run of 3 x 7, absolute run of 3 (with padding), clipped
    // beyond the width; line 2: run of 2; end of picture leaves the top line.
    b.data = std::string("\x03\x07\x00\x03\x01\x02\x09\x00\x00\x00"
                         "\x02\x04\x00\x01",
                         14);
    Pixels p = Decode(b.Build());
    EXPECT_EQ(p.At(0, 2), Pal(b.palette, 7));
    EXPECT_EQ(p.At(2, 2), Pal(b.palette, 7));
    EXPECT_EQ(p.At(3, 2), Pal(b.palette, 1));
    EXPECT_EQ(p.At(4, 2), Pal(b.palette, 2));
    EXPECT_EQ(p.At(1, 1), Pal(b.palette, 4));
    EXPECT_EQ(p.At(0, 0), Pal(b.palette, 0)); // never reached
    std::string text;
    b.data = std::string("\x00\x02\x01\x01", 4);
    EXPECT_EQ(DecodeError(b.Build(), &text), ErrUnsupported);
    EXPECT_EQ(text, "Decoder error: Encountered delta escape.\n");
    b.data = std::string("\x02\x04", 2); // no end: runs off the file
    EXPECT_EQ(DecodeError(b.Build()), ErrEndOfFile);
}

TEST(BmpDecode, Rle4AlternatesNibbles)
{
    BmpBuilder b;
    b.width = 6;
    b.height = 1;
    b.bitCount = 4;
    b.compression = 2;
    b.palette = Gray(16);
    // Run of 3 from 0x12: 1 2 1; absolute run of 3: 3 4 5 (two bytes, even: no padding).
    b.data = std::string("\x03\x12\x00\x03\x34\x50\x00\x01", 8);
    Pixels p = Decode(b.Build());
    int expected[] = {1, 2, 1, 3, 4, 5};
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(p.At(x, 0), Pal(b.palette, expected[x])) << x;
}

TEST(BmpDecode, HeaderErrorsCarryTheirTexts)
{
    std::string text;
    BmpBuilder b;
    b.palette = Gray(256);
    b.data = std::string(8, '\0');
    b.bitCount = 2;
    EXPECT_EQ(DecodeError(b.Build(), &text), ErrBadFormat);
    EXPECT_EQ(text, "Decoder error: Decoding bmp: Illegal bpp value.\n");
    b.bitCount = 8;
    b.headerSize = 64; // OS/2 2.x: still refused
    EXPECT_EQ(DecodeError(b.Build(), &text), ErrBadFormat);
    EXPECT_EQ(text, "Decoder error: Bitmap decoder: BITMAPINFOHEADER has wrong size.\n");
    b.headerSize = 40;
    std::string file = b.Build();
    file[0] = 'X';
    EXPECT_EQ(DecodeError(file, &text), ErrWrongSignature);
    EXPECT_EQ(text, "Decoder error: Bitmap decoder: This isn't a bitmap.\n");
    b.width = 1 << 20;
    b.height = 1 << 20;
    EXPECT_EQ(DecodeError(b.Build()), ErrNoMemory);
    b.width = -4;
    b.height = 2;
    EXPECT_EQ(DecodeError(b.Build()), ErrBadFormat);
}

TEST(BmpDecode, TruncatedFilesFailCleanly)
{
    BmpBuilder b;
    b.width = 7;
    b.height = 5;
    b.bitCount = 24;
    b.data = std::string(5 * 24, '\x41');
    CBmpDecoder decoder;
    std::string file = b.Build();
    ASSERT_EQ(DecodeError(file), 0);
    EXPECT_EQ(CutFailures(decoder, file, {ErrEndOfFile}), "");
    b.compression = 1;
    b.bitCount = 8;
    b.palette = Gray(256);
    b.data = std::string("\x07\x01\x00\x00\x00\x03\x01\x02\x03\x00\x00\x01", 12);
    file = b.Build();
    ASSERT_EQ(DecodeError(file), 0);
    EXPECT_EQ(CutFailures(decoder, file, {}), "");
}

TEST(BmpDecode, FileOpenErrors)
{
    TempDir dir;
    CAnyPicDecoder decoder;
    CWinBmp bmp;
    auto code = [&](const std::string& path, std::string* text = nullptr) {
        try {
            decoder.DecodeFile(path, bmp, 32);
        } catch (const CTextException& e) {
            if (text)
                *text = e.GetText();
            return e.GetCode();
        }
        return 0;
    };
    std::string text;
    EXPECT_EQ(code(dir.File("missing.bmp"), &text), ErrFileNotFound);
    EXPECT_EQ(text, "Decoder error: Opening " + dir.File("missing.bmp") + " failed\n");
    EXPECT_EQ(code(dir.File("nowhere/a.bmp")), ErrPathNotFound);
    WriteFile(dir.File("empty.bmp"), "");
    EXPECT_EQ(code(dir.File("empty.bmp")), ErrAccessDenied);
    EXPECT_EQ(code(dir.Path()), ErrAccessDenied);
    if (geteuid() != 0) {
        WriteFile(dir.File("locked.bmp"), "BM");
        chmod(dir.File("locked.bmp").c_str(), 0);
        EXPECT_EQ(code(dir.File("locked.bmp")), ErrAccessDenied);
    }
}

TEST(DataSource, ReadUpToTheLastByteOnly)
{
    const uint8_t bytes[4] = {1, 2, 3, 4};
    CMemSource source(bytes, 4);
    EXPECT_EQ(source.ReadWordLE(), 0x0201);
    EXPECT_EQ(source.ReadWordBE(), 0x0304);
    EXPECT_THROW(source.ReadByte(), CTextException);
    CMemSource again(bytes, 4);
    again.Skip(3);
    try {
        again.ReadWordLE();
        FAIL();
    } catch (const CTextException& e) {
        EXPECT_EQ(e.GetCode(), ErrEndOfFile);
        EXPECT_EQ(e.GetText(), "End of file reached while decoding.\n");
    }
    int wanted = 0;
    EXPECT_EQ(CPicDecoder::ResolveTargetDepth(4, wanted), 8);
    wanted = 0;
    EXPECT_EQ(CPicDecoder::ResolveTargetDepth(24, wanted), 32);
    wanted = 32;
    EXPECT_EQ(CPicDecoder::ResolveTargetDepth(1, wanted), 32);
}

// Files written by other programs decode to the pixels they read back.
TEST(BmpDecode, AgreesWithPeers)
{
    if (!HasProgram("ppmtobmp") || !HasProgram("bmptopnm"))
        GTEST_SKIP() << "netpbm missing";
    TempDir dir;
    const std::string ppm = dir.File("src.ppm");
    WriteTestPpm(ppm, 37, 23);
    const std::string q = Quote(ppm);
    const std::string im = ImageMagick();
    // netpbm refuses ImageMagick's RLE, whose runs reach past the line end.
    struct Case {
        const char* name;
        std::string command;
        bool netpbmReads = true;
    } cases[] = {
        {"netpbm 24", "ppmtobmp -bpp=24 " + q},
        {"netpbm 8", "pnmquant 200 " + q + " 2>/dev/null | ppmtobmp -bpp=8"},
        {"netpbm 4", "pnmquant 16 " + q + " 2>/dev/null | ppmtobmp -bpp=4"},
        {"netpbm 1", "ppmtopgm " + q + " 2>/dev/null | pgmtopbm 2>/dev/null | ppmtobmp -bpp=1"},
        {"magick 24", im + " " + q + " bmp3:-"},
        {"magick 8", im + " " + q + " -colors 100 -type palette -compress none bmp3:-"},
        {"magick rle8", im + " " + q + " -colors 100 -type palette -compress rle bmp3:-", false},
        {"magick 4", im + " " + q + " -colors 12 -type palette -compress none bmp3:-"},
        {"magick rle4", im + " " + q + " -colors 12 -type palette -compress rle bmp3:-", false},
        {"magick 1", im + " " + q + " -monochrome bmp3:-"},
    };
    for (const Case& c : cases) {
        std::string file = dir.File("out.bmp");
        ASSERT_EQ(vktest::Run(c.command + " > " + Quote(file) + " 2>/dev/null"), 0) << c.name;
        Pixels ours = DecodeWithVelkor(file);
        if (c.netpbmReads) {
            EXPECT_EQ(ours, ReadWithNetpbm("bmptopnm " + Quote(file))) << c.name;
        }
        Pixels magick = ReadWithImageMagick(file);
        EXPECT_EQ(ours, Opaque(magick)) << c.name;
    }
}

namespace {

// A bitmap with any info header: `header` holds the fields after the size.
std::string BmpFile(uint32_t headerSize, const std::string& header, const std::string& rest, uint32_t offset = 0)
{
    const std::string info = Le32(headerSize) + header + std::string(headerSize - 4 - header.size(), '\0');
    const uint32_t size = uint32_t(14 + info.size() + rest.size());
    return "BM" + Le32(size) + Le32(0) + Le32(offset ? offset : uint32_t(14 + info.size())) + info + rest;
}

// Width, height, planes, bit count, compression, then zeros up to the
// colour count.
std::string InfoFields(int32_t width, int32_t height, int bitCount, uint32_t compression, uint32_t colorsUsed = 0)
{
    return Le32(uint32_t(width)) + Le32(uint32_t(height)) + Le16(1) + Le16(unsigned(bitCount)) + Le32(compression) +
           std::string(12, '\0') + Le32(colorsUsed) + Le32(0);
}

} // namespace

TEST(BmpDecode, SixteenBitFiveFiveFiveAndBitFields)
{
    // 2 x 2, bottom-up; rows padded to 4 bytes.
    const std::string rows = Le16(0x7C00) + Le16(0x03E0) + Le16(0x001F) + Le16(0x4210);
    Pixels p = Decode(BmpFile(40, InfoFields(2, 2, 16, 0), rows));
    EXPECT_EQ(p.At(0, 1), MakePixel(255, 0, 0));
    EXPECT_EQ(p.At(1, 1), MakePixel(0, 255, 0));
    EXPECT_EQ(p.At(0, 0), MakePixel(0, 0, 255));
    EXPECT_EQ(p.At(1, 0), MakePixel(132, 132, 132)); // 16 of 31, rounded
    // 5-6-5 masks after a Windows 3 header.
    const std::string masks565 = Le32(0xF800) + Le32(0x07E0) + Le32(0x001F);
    p = Decode(BmpFile(40, InfoFields(2, 1, 16, 3), masks565 + Le16(0xF800) + Le16(0x0400)));
    EXPECT_EQ(p.At(0, 0), MakePixel(255, 0, 0));
    EXPECT_EQ(p.At(1, 0), MakePixel(0, 130, 0)); // 32 of 63
    // The masks inside a V4 header, top-down.
    p = Decode(BmpFile(108, InfoFields(1, -2, 16, 3) + masks565 + Le32(0), Le16(0x001F) + Le16(0) + Le16(0xF800) + Le16(0)));
    EXPECT_EQ(p.At(0, 0), MakePixel(0, 0, 255));
    EXPECT_EQ(p.At(0, 1), MakePixel(255, 0, 0));
}

TEST(BmpDecode, ThirtyTwoBitFieldsWithAlpha)
{
    CWinBmp bmp;
    // 10-10-10-2 through ALPHABITFIELDS after a Windows 3 header.
    const std::string masks = Le32(0x3FF00000) + Le32(0x000FFC00) + Le32(0x000003FF) + Le32(0xC0000000);
    Pixels p = Decode(BmpFile(40, InfoFields(2, 1, 32, 6), masks + Le32(0xFFF00000) + Le32(0x400003FF)), 32, &bmp);
    EXPECT_TRUE(bmp.HasAlphaChannel());
    EXPECT_EQ(p.At(0, 0), MakePixel(255, 0, 0, 255));
    EXPECT_EQ(p.At(1, 0), MakePixel(0, 0, 255, 85));
    // A V5 header with the usual masks: the bytes as stored, alpha kept.
    const std::string v5masks = Le32(0x00FF0000) + Le32(0x0000FF00) + Le32(0x000000FF) + Le32(0xFF000000);
    p = Decode(BmpFile(124, InfoFields(1, 1, 32, 3) + v5masks, Le32(0x80102030)), 32, &bmp);
    EXPECT_TRUE(bmp.HasAlphaChannel());
    EXPECT_EQ(p.At(0, 0), 0x80102030u);
    // Without an alpha mask the picture is opaque whatever the fourth byte.
    p = Decode(BmpFile(56, InfoFields(1, 1, 32, 3) + Le32(0x00FF0000) + Le32(0x0000FF00) + Le32(0x000000FF) + Le32(0),
                       Le32(0x00102030)),
               32, &bmp);
    EXPECT_FALSE(bmp.HasAlphaChannel());
    EXPECT_EQ(p.At(0, 0), 0xFF102030u);
    // Masks of nothing and of everything end cleanly.
    p = Decode(BmpFile(40, InfoFields(1, 1, 32, 3), Le32(0) + Le32(0xFFFFFFFF) + Le32(0x80000001) + Le32(0x12345678)));
    EXPECT_EQ(p.At(0, 0) & 0x00FF0000u, 0u);
}

TEST(BmpDecode, Os2CoreHeaderWithThreeBytePalette)
{
    // 12-byte header: 16-bit sides; a palette of two 3-byte entries (fewer
    // than 4-bit allows, as the offset says), then one 4-bit row.
    const std::string header = Le16(3) + Le16(1) + Le16(1) + Le16(4);
    const std::string palette = ByteString({0, 0, 255, 255, 0, 0});
    Pixels p = Decode(BmpFile(12, header, palette + ByteString({0x01, 0x00, 0, 0}), 14 + 12 + 6));
    EXPECT_EQ(p.At(0, 0), MakePixel(255, 0, 0));
    EXPECT_EQ(p.At(1, 0), MakePixel(0, 0, 255));
    EXPECT_EQ(p.At(2, 0), MakePixel(255, 0, 0));
    // 16 bits is no OS/2 1.x depth.
    EXPECT_EQ(DecodeError(BmpFile(12, Le16(1) + Le16(1) + Le16(1) + Le16(16), std::string(4, '\0'))), ErrBadFormat);
}

TEST(BmpDecode, NewHeadersDamagedFailCleanly)
{
    CBmpDecoder decoder;
    const std::string masks565 = Le32(0xF800) + Le32(0x07E0) + Le32(0x001F);
    const std::string files[] = {
        BmpFile(40, InfoFields(3, 2, 16, 3), masks565 + std::string(16, 'x')),
        BmpFile(124, InfoFields(2, 2, 32, 3) + masks565 + Le32(0xFF000000), std::string(16, 'y')),
        BmpFile(12, Le16(2) + Le16(2) + Le16(1) + Le16(24), std::string(16, 'z')),
    };
    for (const std::string& file : files) {
        ASSERT_EQ(DecodeError(file), 0);
        EXPECT_EQ(CutFailures(decoder, file, {ErrEndOfFile, ErrBadFormat}), "");
        EXPECT_EQ(FlipFailures(decoder, file, Positions(0, file.size()), {0x80, 0xFF}, {}), "");
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

TEST(BmpDecode, ModernWritersAgreeWithPeers)
{
    if (!HasProgram("ppmtobmp") || !HasProgram("bmptopnm") || !HasProgram("identify"))
        GTEST_SKIP() << "netpbm or ImageMagick missing";
    TempDir dir;
    const std::string ppm = dir.File("src.ppm");
    WriteTestPpm(ppm, 37, 23);
    const std::string q = Quote(ppm);
    const std::string im = ImageMagick();
    const std::string png = dir.File("alpha.png");
    ASSERT_EQ(vktest::Run(im + " " + q + " \\( -size 37x23 gradient:white-black \\) -alpha off -compose copy_opacity -composite " +
                          Quote(png)),
              0);
    struct Case {
        const char* name;
        std::string command;
        uint32_t headerSize;
        bool netpbmReads = true;
        bool alpha = false;
        bool fourBit = false; // ImageMagick reads 4-bit channels as v * 16
    } cases[] = {
        {"magick V5 24", im + " " + q + " bmp:-", 124},
        {"magick V4 (V5 cut to 108)", im + " " + q + " bmp:-", 108},
        {"magick V5 8", im + " " + q + " -colors 60 -type palette -compress none bmp:-", 124},
        // bmptopnm widens 5-bit channels by shifting; ImageMagick rounds as we do.
        {"magick 565", im + " " + q + " -define bmp:subtype=RGB565 bmp:-", 124, false},
        {"magick 555", im + " " + q + " -define bmp:subtype=RGB555 bmp:-", 124, false},
        {"magick argb4444", im + " " + Quote(png) + " -define bmp:subtype=ARGB4444 bmp:-", 124, true, true, true},
        {"magick 32 alpha", im + " " + Quote(png) + " bmp:-", 124, true, true},
        {"magick OS/2 24", im + " " + q + " bmp2:-", 12},
        {"netpbm OS/2 24", "ppmtobmp -os2 -bpp=24 " + q, 12},
        {"netpbm OS/2 8", "pnmquant 100 " + q + " 2>/dev/null | ppmtobmp -os2 -bpp=8", 12},
        {"netpbm OS/2 1", "ppmtopgm " + q + " | pgmtopbm 2>/dev/null | ppmtobmp -os2 -bpp=1", 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string file = dir.File("out.bmp");
        ASSERT_EQ(vktest::Run(c.command + " > " + Quote(file) + " 2>/dev/null"), 0);
        if (c.headerSize == 108)
            WriteFile(file, CutToV4(ReadFile(file)));
        const std::string bytes = ReadFile(file);
        ASSERT_GT(bytes.size(), 18u);
        EXPECT_EQ(GetLe16(bytes, 14) | GetLe16(bytes, 16) << 16, c.headerSize);
        CWinBmp bmp;
        CBmpDecoder decoder;
        Pixels ours = DecodeBytes(decoder, bytes, 32, &bmp);
        EXPECT_EQ(bmp.HasAlphaChannel(), c.alpha);
        if (c.netpbmReads) {
            EXPECT_EQ(Diff(Opaque(ours), ReadWithNetpbm("bmptopnm " + Quote(file) + " 2>/dev/null | pamdepth 255")), "");
        }
        Pixels magick = ReadWithImageMagick(file);
        if (c.fourBit)
            for (uint32_t& v : magick.data)
                v = (v >> 4 & 0x0F0F0F0Fu) * 17; // v * 16 back to v, then v * 255 / 15
        EXPECT_LE(MaxChannelDifference(ours, c.alpha ? magick : Opaque(magick)), 1);
    }
}
