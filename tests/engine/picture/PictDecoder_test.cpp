// PICT decoding and PackBits unpacking: files written by ImageMagick and
// netpbm, hand-built pictures for every bitmap opcode, pixel size and
// skipped opcode, embedded JPEG, and damaged or hostile files.
#include "TestSupport.h"
#include "engine/picture/JPEGDecoder.h"
#include "engine/picture/PackBits.h"
#include "engine/picture/PictDecoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace vktest;

namespace {

struct PictWriter : ByteWriter {
    PictWriter() : ByteWriter(true) {}
};

// Preamble, size, frame and the version 2 header opcode.
PictWriter V2Start(int width, int height)
{
    PictWriter w;
    w.zeros(512).u16(0).rect(0, 0, height, width);
    w.u16(0x0011).u16(0x02FF).u16(0x0C00).zeros(24);
    return w;
}

// PixMap after rowBytes: bounds and header.
void PixMap(PictWriter& w, int width, int height, int pixelSize, int cmpCount)
{
    w.rect(0, 0, height, width);
    w.u16(0).u16(pixelSize >= 16 ? 4 : 0).u32(0).u32(0x480000).u32(0x480000);
    w.u16(pixelSize >= 16 ? 16 : 0).u16(unsigned(pixelSize)).u16(unsigned(cmpCount));
    w.u16(pixelSize == 16 ? 5 : pixelSize == 32 ? 8 : unsigned(pixelSize));
    w.u32(0).u32(0).u32(0);
}

// Colour table with (red, green, blue) entries 0..n-1 by position.
void ColorTable(PictWriter& w, const std::vector<uint32_t>& rgb, unsigned flags = 0x8000)
{
    w.u32(0).u16(flags).u16(unsigned(rgb.size() - 1));
    for (size_t i = 0; i < rgb.size(); ++i) {
        w.u16(unsigned(i));
        for (int shift : {16, 8, 0}) {
            unsigned c = (rgb[i] >> shift) & 0xFF;
            w.u16(c << 8 | c);
        }
    }
}

// A row as PackBits literal runs, with its byte count.
void PackedRow(PictWriter& w, const std::string& row, size_t rowBytes, size_t unit = 1)
{
    std::string packed;
    for (size_t i = 0; i < row.size(); i += 128 * unit) {
        size_t n = std::min(row.size() - i, 128 * unit);
        packed += char(n / unit - 1);
        packed += row.substr(i, n);
    }
    if (rowBytes > 250)
        w.u16(unsigned(packed.size()));
    else
        w.u8(int(packed.size()));
    w.bytes(packed);
}

struct Decoded {
    Pixels pixels;
    int bitsPerPixel = 0;
    int sourceBits = 0;
    bool alpha = false;
};

Decoded DecodePict(const std::string& bytes, int wantedDepth = 32)
{
    CJPEGDecoder jpeg;
    CPictDecoder decoder(jpeg);
    CWinBmp bmp;
    Pixels p = DecodeBytes(decoder, bytes, wantedDepth, &bmp);
    return {p, bmp.GetBitsPerPixel(), bmp.GetSourceBitsPerPixel(), bmp.HasAlphaChannel()};
}

std::pair<int, std::string> PictError(const std::string& bytes)
{
    CJPEGDecoder jpeg;
    CPictDecoder decoder(jpeg);
    return ErrorOf(decoder, bytes);
}

// An 8-bit PackBitsRect picture of `width` x 2 with a 3-entry table and
// rows of index i % 3, followed by the end opcode.
std::string IndexedPict(int width, const std::function<void(PictWriter&)>& before = {})
{
    PictWriter w = V2Start(width, 2);
    if (before)
        before(w);
    w.align().u16(0x98).u16(0x8000 | unsigned(width));
    PixMap(w, width, 2, 8, 1);
    ColorTable(w, {0xFF0000, 0x00FF00, 0x0000FF});
    w.rect(0, 0, 2, width).rect(0, 0, 2, width).u16(0);
    for (int y = 0; y < 2; ++y) {
        std::string row;
        for (int x = 0; x < width; ++x)
            row += char((x + y) % 3);
        if (width < 8)
            w.bytes(row);
        else
            PackedRow(w, row, size_t(width));
    }
    w.align().u16(0xFF);
    return w.s;
}

void ExpectIndexedPixels(const Pixels& p, int width)
{
    const uint32_t colors[3] = {MakePixel(255, 0, 0), MakePixel(0, 255, 0), MakePixel(0, 0, 255)};
    ASSERT_EQ(p.width, width);
    ASSERT_EQ(p.height, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < width; ++x)
            ASSERT_EQ(p.At(x, y), colors[(x + y) % 3]) << x << "," << y;
}

class PictPeers : public ::testing::Test {
  protected:
    void SetUp() override
    {
        if (!HasProgram("ppmtopict") || !HasProgram("identify"))
            GTEST_SKIP() << "netpbm or ImageMagick missing";
    }

    std::string MakeInput(const std::string& name, int width, int height, int colors)
    {
        WriteTestPpm(dir.File(name), width, height, colors);
        return dir.File(name);
    }

    // Writes `out` with `command`, decodes it and compares with ImageMagick.
    Decoded Check(const std::string& command, const std::string& out)
    {
        SCOPED_TRACE(command);
        std::string file = dir.File(out);
        EXPECT_EQ(vktest::Run("(" + command + ") > " + Quote(file) + " 2>/dev/null"), 0);
        Decoded ours = DecodePict(ReadFile(file));
        Pixels theirs = Opaque(ReadWithImageMagick(file));
        EXPECT_EQ(Diff(ours.pixels, theirs), "");
        return ours;
    }

    TempDir dir;
};

} // namespace

TEST(PackBits, UnpacksWithinTheOutputAndTheInput)
{
    // Apple's example: literal, run, no-op, literal, run.
    const uint8_t in[] = {0x02, 'a', 'b', 'c', 0xFD, 'x', 0x80, 0x00, 'z', 0xFF, 'q'};
    uint8_t out[16] = {};
    PackBitsResult r = UnpackBits(in, sizeof in, out, 9);
    EXPECT_EQ(r.consumed, sizeof in);
    EXPECT_EQ(r.produced, 9u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 10),
              std::string("abcxxxxzq\0", 10)); // nothing beyond
    // A run of 128 into 4 bytes: cut, and its input is consumed.
    std::memset(out, 0xEE, sizeof out);
    const uint8_t run[] = {0x81, 7, 0x00, 9};
    r = UnpackBits(run, sizeof run, out, 4);
    EXPECT_EQ(r.produced, 4u);
    EXPECT_EQ(r.consumed, 2u);
    EXPECT_TRUE(r.overran);
    EXPECT_EQ(out[3], 7);
    EXPECT_EQ(out[4], 0xEE);
    // A literal longer than the rest of the input writes what there is; a
    // run flag with no value byte ends the input.
    const uint8_t literal[] = {0x05, 1, 2}, cut[] = {0xFE};
    r = UnpackBits(literal, sizeof literal, out, 8);
    EXPECT_EQ(r.consumed, 3u);
    EXPECT_EQ(r.produced, 2u);
    r = UnpackBits(cut, 1, out, 8);
    EXPECT_EQ(r.produced, 0u);
    EXPECT_EQ(r.consumed, 1u);
    // Two-byte units: literals and runs count units, not bytes.
    const uint8_t wide[] = {0x00, 0x12, 0x34, 0xFF, 0xAB, 0xCD};
    r = UnpackBits(wide, sizeof wide, out, 6, 2);
    EXPECT_EQ(r.produced, 6u);
    const uint8_t expected[] = {0x12, 0x34, 0xAB, 0xCD, 0xAB, 0xCD};
    EXPECT_EQ(std::memcmp(out, expected, 6), 0);
}

TEST_F(PictPeers, ImageMagickAndNetpbmFiles)
{
    const std::string im = ImageMagick();
    // Direct colour, 1- and 2-byte row counts (3 x width around 250).
    for (int width : {70, 84, 300}) {
        std::string in = MakeInput("rgb" + std::to_string(width) + ".ppm", width, 13, 0);
        Decoded d = Check(im + " " + Quote(in) + " pict:-", "rgb.pict");
        EXPECT_EQ(d.sourceBits, 32);
        EXPECT_FALSE(d.alpha);
    }
    // 8-bit PackBitsRect from both writers, rows below and above 250 bytes.
    for (int width : {45, 251, 300}) {
        std::string in = MakeInput("pal" + std::to_string(width) + ".ppm", width, 11, 150);
        Decoded d = Check(im + " " + Quote(in) + " -type Palette pict:-", "pal.pict");
        EXPECT_EQ(d.sourceBits, 8);
        Check("ppmtopict " + Quote(in), "netpbm.pict");
        // An 8-bit destination keeps the indices, to the same pixels.
        d = DecodePict(ReadFile(dir.File("netpbm.pict")), 0);
        EXPECT_EQ(d.bitsPerPixel, 8);
        EXPECT_EQ(d.pixels, Opaque(ReadWithImageMagick(dir.File("netpbm.pict"))));
    }
}

TEST(PictDecode, IndexedRowsPackedAndUnpacked)
{
    // rowBytes below 8: rows stored as they are; 8..250: one-byte counts;
    // 251 and more: two-byte counts.
    for (int width : {5, 40, 251, 600})
        ExpectIndexedPixels(DecodePict(IndexedPict(width)).pixels, width);
}

TEST(PictDecode, SkipsDrawingOpcodesOfEveryShape)
{
    std::string pict = IndexedPict(20, [](PictWriter& w) {
        w.u16(0x0001).u16(10).rect(0, 0, 2, 20);         // clip rectangle
        w.u16(0x0001).u16(14).zeros(12);                 // clip region
        w.u16(0x0004).u8(1);                             // TxFace: odd length
        w.align().u16(0x0028).u32(0).u8(3).bytes("abc"); // LongText
        w.align().u16(0x0029).u8(5).u8(2).bytes("hi");   // DHText
        w.align().u16(0x002B).u16(0).u8(1).bytes("x");   // DHDVText
        w.align().u16(0x002C).u16(4).zeros(4);           // fontName
        w.u16(0x0031).rect(0, 0, 1, 1);                  // paintRect
        w.u16(0x0061).rect(0, 0, 1, 1).u32(0);           // paintArc
        w.u16(0x0070).u16(12).zeros(10);                 // framePoly
        w.u16(0x0081).u16(10).zeros(8);                  // paintRgn
        w.u16(0x0012).u16(2).zeros(13);                  // BkPixPat, dithered
        w.align().u16(0x00A0).u16(7);                    // ShortComment
        w.u16(0x00A1).u16(100).u16(3).bytes("abc");      // LongComment
        w.align().u16(0x00A5).u16(2).zeros(2);           // reserved, 16-bit length
        w.u16(0x00B3);                                   // reserved, no data
        w.u16(0x00D0).u32(6).zeros(6);                   // reserved, 32-bit length
        w.u16(0x0200).zeros(4);                          // reserved: (op >> 7) & 0xFF
        w.u16(0x2000).u32(2).zeros(2);                   // reserved, 32-bit length
        w.u16(0x8001);                                   // reserved, no data
        w.u16(0x8201).u32(4).zeros(4);                   // reserved, 32-bit length
    });
    ExpectIndexedPixels(DecodePict(pict).pixels, 20);

    // A pixel pattern of type 1 carries a pixmap and packed rows.
    pict = IndexedPict(12, [](PictWriter& w) {
        w.u16(0x0013).u16(1).zeros(8).u16(0x8000 | 8);
        PixMap(w, 8, 2, 8, 1);
        ColorTable(w, {0x112233});
        for (int y = 0; y < 2; ++y)
            PackedRow(w, std::string(8, '\0'), 8);
    });
    ExpectIndexedPixels(DecodePict(pict).pixels, 12);
}

TEST(PictDecode, VersionOneBitmaps)
{
    // Version 1: one-byte opcodes; a set bit is black, a clear one white.
    for (int rowBytes : {2, 8}) {
        PictWriter w;
        w.zeros(512).u16(0).rect(0, 0, 2, 10).u8(0x11).u8(0x01);
        w.u8(0x01).u16(10).rect(0, 0, 2, 10); // clip
        w.u8(rowBytes < 8 ? 0x90 : 0x98).u16(unsigned(rowBytes));
        w.rect(0, 0, 2, 10).rect(0, 0, 2, 10).rect(0, 0, 2, 10).u16(0);
        std::string rows[2] = {std::string("\x80\x40", 2), std::string("\xFF\xC0", 2)};
        for (auto& row : rows) {
            row.resize(size_t(rowBytes), '\0');
            if (rowBytes < 8)
                w.bytes(row);
            else
                PackedRow(w, row, size_t(rowBytes));
        }
        w.u8(0xFF);
        Decoded d = DecodePict(w.s);
        EXPECT_EQ(d.sourceBits, 1);
        const uint32_t black = MakePixel(0, 0, 0), white = MakePixel(255, 255, 255);
        EXPECT_EQ(d.pixels.At(0, 0), black);
        EXPECT_EQ(d.pixels.At(1, 0), white);
        EXPECT_EQ(d.pixels.At(9, 0), black);
        EXPECT_EQ(d.pixels.At(9, 1), black);
        EXPECT_EQ(d.pixels.At(3, 1), black);
        EXPECT_EQ(DecodePict(w.s, 0).bitsPerPixel, 8);
    }
}

TEST(PictDecode, PixelSizesTwoFourSixteenThirtyTwo)
{
    // 4 bits, PackBitsRgn with a region to skip; index 7 is beyond the
    // table and reads as black.
    PictWriter w = V2Start(4, 1);
    w.u16(0x99).u16(0x8000 | 2);
    PixMap(w, 4, 1, 4, 1);
    ColorTable(w, {0x102030, 0x405060});
    w.rect(0, 0, 1, 4).rect(0, 0, 1, 4).u16(0).u16(10).rect(0, 0, 1, 4);
    w.u8(0x01).u8(0x07);
    w.align().u16(0xFF);
    Pixels p = DecodePict(w.s).pixels;
    EXPECT_EQ(p.At(0, 0), MakePixel(0x10, 0x20, 0x30));
    EXPECT_EQ(p.At(1, 0), MakePixel(0x40, 0x50, 0x60));
    EXPECT_EQ(p.At(2, 0), MakePixel(0x10, 0x20, 0x30));
    EXPECT_EQ(p.At(3, 0), MakePixel(0, 0, 0));

    // 2 bits, table entries placed by their value words.
    w = V2Start(4, 1);
    w.u16(0x90).u16(0x8000 | 1);
    PixMap(w, 4, 1, 2, 1);
    w.u32(0).u16(0).u16(1);
    w.u16(1).u16(0xFFFF).u16(0).u16(0);
    w.u16(0).u16(0).u16(0).u16(0xFFFF);
    w.rect(0, 0, 1, 4).rect(0, 0, 1, 4).u16(0);
    w.u8(0x1B); // 00 01 10 11
    p = DecodePict(w.s).pixels;
    EXPECT_EQ(p.At(0, 0), MakePixel(0, 0, 255));
    EXPECT_EQ(p.At(1, 0), MakePixel(255, 0, 0));
    EXPECT_EQ(p.At(2, 0), MakePixel(0, 0, 0));

    // 16-bit direct bits: PackBits over two-byte units.
    w = V2Start(6, 1);
    w.u16(0x9A).u32(0xFF).u16(0x8000 | 12);
    PixMap(w, 6, 1, 16, 3);
    w.rect(0, 0, 1, 6).rect(0, 0, 1, 6).u16(0);
    std::string packed = std::string("\x01\x7C\x00\x03\xE0", 5) + std::string("\xFD\x00\x1F", 3);
    w.u8(int(packed.size())).bytes(packed);
    Decoded d = DecodePict(w.s);
    EXPECT_EQ(d.sourceBits, 16);
    EXPECT_EQ(d.pixels.At(0, 0), MakePixel(248, 0, 0));
    EXPECT_EQ(d.pixels.At(1, 0), MakePixel(0, 248, 0));
    for (int x = 2; x < 6; ++x)
        EXPECT_EQ(d.pixels.At(x, 0), MakePixel(0, 0, 248));

    // 32 bits with 4 components: alpha, red, green, blue planes.
    w = V2Start(2, 1);
    w.u16(0x9A).u32(0xFF).u16(0x8000 | 8);
    PixMap(w, 2, 1, 32, 4);
    w.rect(0, 0, 1, 2).rect(0, 0, 1, 2).u16(0);
    PackedRow(w,
              std::string("\x80\x40"
                          "\x01\x02"
                          "\x03\x04"
                          "\x05\x06",
                          8),
              8);
    d = DecodePict(w.s);
    EXPECT_TRUE(d.alpha);
    EXPECT_EQ(d.pixels.At(0, 0), MakePixel(1, 3, 5, 0x80));
    EXPECT_EQ(d.pixels.At(1, 0), MakePixel(2, 4, 6, 0x40));
}

TEST(PictDecode, RowsLongerOrShorterThanTheWidth)
{
    // rowBytes 16 for 10 pixels: the tail of each row is ignored.
    PictWriter w = V2Start(10, 2);
    w.u16(0x98).u16(0x8000 | 16);
    PixMap(w, 10, 2, 8, 1);
    ColorTable(w, {0x000000, 0xFFFFFF});
    w.rect(0, 0, 2, 10).rect(0, 0, 2, 10).u16(0);
    // Row 0: a run of 128 ones (clamped to the row); row 1: a literal of 3.
    w.u8(2).u8(0x81).u8(1);
    w.u8(4).u8(0x02).u8(1).u8(0).u8(1);
    Pixels p = DecodePict(w.s).pixels;
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(p.At(x, 0), MakePixel(255, 255, 255)) << x;
    EXPECT_EQ(p.At(0, 1), MakePixel(255, 255, 255));
    EXPECT_EQ(p.At(1, 1), MakePixel(0, 0, 0));
    // The short row leaves nothing of the row before it.
    EXPECT_EQ(p.At(9, 1), MakePixel(0, 0, 0));
}

TEST(PictDecode, EmbeddedJpeg)
{
    if (!HasProgram("identify"))
        GTEST_SKIP() << "ImageMagick missing";
    TempDir dir;
    std::string jpegFile = dir.File("g.jpg");
    ASSERT_EQ(
        vktest::Run(ImageMagick() + " -size 33x17 gradient:white-black -colorspace Gray " + Quote(jpegFile)),
        0);
    std::string jpeg = ReadFile(jpegFile);
    PictWriter w = V2Start(33, 17);
    // QuickTime image description first; the decoder looks for the SOI.
    std::string quickTime = std::string(68, '\x01') + std::string("\xFF\xD8\x00", 3) + jpeg;
    w.u16(0x8200).u32(uint32_t(quickTime.size())).bytes(quickTime).align().u16(0xFF);
    Decoded d;
    try {
        d = DecodePict(w.s, 0);
    } catch (const CTextException& e) {
        if (e.GetCode() == ErrUnsupported && e.GetText().find("JPEG") != std::string::npos)
            GTEST_SKIP() << "JPEG decoder not built: " << e.GetText();
        FAIL() << e.GetText();
    }
    EXPECT_EQ(d.bitsPerPixel, 32);
    EXPECT_GT(Psnr(d.pixels, ReadWithImageMagick(jpegFile)), 40);

    // QuickTime data without a JPEG in it.
    w = V2Start(4, 4);
    w.u16(0x8200).u32(10).zeros(10).u16(0xFF);
    EXPECT_EQ(PictError(w.s),
              std::pair(int(ErrUnsupported), Raised("PICT file contains unrecognized quicktime data.\n")));
}

TEST(PictDecode, ErrorsCarryTheirCodeAndText)
{
    PictWriter w;
    w.zeros(512).u16(0).rect(0, 0, 1, 1).u16(0x0012);
    EXPECT_EQ(PictError(w.s),
              std::pair(int(ErrWrongSignature), Raised("Error decoding pict: Version number missing.")));
    w = PictWriter();
    w.zeros(512).u16(0).rect(0, 0, 1, 1).u16(0x0011).u16(0x0200);
    EXPECT_EQ(PictError(w.s), std::pair(int(ErrWrongSignature), Raised("Illegal version number.")));
    w = PictWriter();
    w.zeros(512).u16(0).rect(0, 0, 1, 1).u16(0x0011).u8(3);
    EXPECT_EQ(PictError(w.s), std::pair(int(ErrWrongSignature), Raised("Illegal version number.")));

    w = V2Start(4, 4);
    w.u16(0x0031).rect(0, 0, 4, 4).u16(0x00FF);
    EXPECT_EQ(PictError(w.s), std::pair(int(ErrUnsupported), Raised("PICT contained only vector data!\n")));
    w = V2Start(4, 4);
    w.u16(0xFFFF);
    EXPECT_EQ(PictError(w.s).first, ErrUnsupported);

    w = V2Start(4, 4);
    w.u16(0x0014).u16(3);
    EXPECT_EQ(PictError(w.s), std::pair(int(ErrBadFormat), Raised("Unknown pattern type in pixPat.")));

    // A table entry whose value word is not below the entry count.
    w = V2Start(4, 1);
    w.u16(0x98).u16(0x8000 | 4);
    PixMap(w, 4, 1, 8, 1);
    w.u32(0).u16(0).u16(1).u16(2).zeros(6).u16(0).zeros(6);
    EXPECT_EQ(PictError(w.s),
              std::pair(int(ErrBadFormat), Raised("pixel value greater than colour table size.")));

    // 24-bit pixmaps are not QuickDraw's.
    w = V2Start(4, 1);
    w.u16(0x9A).u32(0xFF).u16(0x8000 | 12);
    PixMap(w, 4, 1, 24, 3);
    w.rect(0, 0, 1, 4).rect(0, 0, 1, 4).u16(0).zeros(20);
    EXPECT_EQ(PictError(w.s), std::pair(int(ErrBadFormat), Raised("Illegal bpp value in unpackbits: 24\n")));

    // Huge and negative bounds in a tiny file.
    for (auto [bottom, right] : {std::pair{32000, 32000}, {16000, 16000}, {-5, 4}, {4, -5}}) {
        w = V2Start(4, 4);
        w.u16(0x9A).u32(0xFF).u16(0x8000 | 8);
        PixMap(w, 4, 1, 32, 3);
        std::string s = w.s;
        // Patch the bounds written by PixMap.
        PictWriter bounds;
        bounds.rect(0, 0, bottom, right);
        s.replace(s.size() - 46, 8, bounds.s);
        s += std::string(18, '\0') + std::string(10, '\x01');
        int code = PictError(s).first;
        EXPECT_TRUE(code == ErrEndOfFile || code == ErrNoMemory) << bottom << "x" << right << ": " << code;
    }
}

TEST_F(PictPeers, TruncatedAndFlippedFilesEndInAnError)
{
    const std::string im = ImageMagick();
    std::string rgb = MakeInput("rgb.ppm", 90, 20, 0);
    std::string pal = MakeInput("pal.ppm", 60, 20, 100);
    for (const std::string& cmd :
         {im + " " + Quote(rgb) + " pict:-", im + " " + Quote(pal) + " -type Palette pict:-",
          "ppmtopict " + Quote(pal)}) {
        std::string bytes;
        ASSERT_EQ(vktest::Run(cmd + " 2>/dev/null", &bytes), 0);
        CJPEGDecoder jpeg;
        CPictDecoder decoder(jpeg);
        EXPECT_EQ(CutFailures(decoder, bytes, {ErrEndOfFile},
                              {0, 100, 520, 530, 560, 620, bytes.size() / 2, bytes.size() * 9 / 10}),
                  "")
            << cmd;
        EXPECT_EQ(FlipFailures(decoder, bytes, Positions(512, 640), {0x01, 0x10, 0x80}, {}), "") << cmd;
    }
}
