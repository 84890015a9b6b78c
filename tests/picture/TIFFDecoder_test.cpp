// TIFF decoding: files written by ImageMagick, netpbm and tiffcp in every
// common compression, byte order and sample layout read as ImageMagick
// reads them; the low-colour path at 8 and 1 bits; the TIFF preview of EPS
// files; truncated, damaged and oversized files.
#include "TestSupport.h"
#include "picture/AnyPicDecoder.h"
#include "picture/TIFFDecoder.h"

#include <gtest/gtest.h>
#include <thread>

using namespace vktest;

namespace {

struct Decoded {
    Pixels pixels;
    int depth = 0;
    int sourceDepth = 0;
};

Decoded Decode(const std::string& bytes, int wanted = 32)
{
    CTIFFDecoder decoder;
    CMemSource source(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    CWinBmp bmp;
    decoder.Decode(source, bmp, wanted);
    return {FromBitmap(bmp), bmp.GetBitsPerPixel(), bmp.GetSourceBitsPerPixel()};
}

int DecodeError(CPicDecoder& decoder, const std::string& bytes, std::string* text = nullptr)
{
    try {
        CMemSource source(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        CWinBmp bmp;
        decoder.Decode(source, bmp, 32);
    } catch (const CTextException& e) {
        if (text)
            *text = e.GetText();
        return e.GetCode();
    }
    return 0;
}

int MaxDifference(const Pixels& a, const Pixels& b)
{
    if (a.width != b.width || a.height != b.height || a.data.size() != b.data.size() || a.data.empty())
        return -1;
    int worst = 0;
    for (size_t i = 0; i < a.data.size(); ++i)
        for (int shift = 0; shift < 32; shift += 8)
            worst = std::max(worst, std::abs(int(a.data[i] >> shift & 0xFF) - int(b.data[i] >> shift & 0xFF)));
    return worst;
}

// A little-endian TIFF of one 8-bit gray strip, fields as given.
std::string SmallTiff(uint32_t width, uint32_t height, const std::string& pixels)
{
    std::string out = std::string("II*\0", 4);
    auto put16 = [&out](uint32_t v) { out += char(v & 0xFF); out += char(v >> 8 & 0xFF); };
    auto put32 = [&put16](uint32_t v) { put16(v & 0xFFFF); put16(v >> 16); };
    put32(8);
    const uint32_t dataOffset = 8 + 2 + 8 * 12 + 4;
    const struct {
        uint16_t tag, type;
        uint32_t value;
    } entries[] = {
        {256, 4, width},      // ImageWidth
        {257, 4, height},     // ImageLength
        {258, 3, 8},          // BitsPerSample
        {259, 3, 1},          // Compression: none
        {262, 3, 1},          // Photometric: min-is-black
        {273, 4, dataOffset}, // StripOffsets
        {278, 4, height},     // RowsPerStrip
        {279, 4, uint32_t(pixels.size())}, // StripByteCounts
    };
    put16(8);
    for (const auto& e : entries) {
        put16(e.tag);
        put16(e.type);
        put32(1);
        if (e.type == 3) {
            put16(e.value);
            put16(0);
        } else {
            put32(e.value);
        }
    }
    put32(0);
    return out + pixels;
}

// An EPS file with a TIFF preview: the 30-byte binary header, the
// PostScript section and the TIFF section.
std::string Eps(const std::string& tiff)
{
    const std::string ps = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\nshowpage\n%%EOF\n";
    std::string out;
    auto put32 = [&out](uint32_t v) {
        for (int s = 0; s < 32; s += 8)
            out += char(v >> s & 0xFF);
    };
    put32(0xC6D3D0C5);
    put32(30);                             // PostScript offset
    put32(uint32_t(ps.size()));            // PostScript length
    put32(0);                              // metafile offset
    put32(0);                              // metafile length
    put32(uint32_t(30 + ps.size()));       // TIFF offset
    put32(uint32_t(tiff.size()));          // TIFF length
    out += "\xFF\xFF";                     // checksum: none
    return out + ps + tiff;
}

class TiffTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HasProgram("pnmtotiff") || !HasProgram("tiffcp") || !HasProgram(ImageMagick()))
            GTEST_SKIP() << "netpbm, libtiff tools or ImageMagick not installed";
        CWinBmp picture;
        MakeTestPicture(picture, 53, 41);
        m_ppm = m_dir.File("in.ppm");
        WriteFile(m_ppm, ToPpm(picture));
        std::string plain = m_dir.File("plain.tif");
        EXPECT_EQ(vktest::Run(ImageMagick() + " " + Quote(m_ppm) + " -compress none " + Quote(plain)), 0);
    }

    std::string Make(const std::string& command, const std::string& name)
    {
        std::string path = m_dir.File(name);
        std::string full = Substitute(command, "{in}", Quote(m_ppm));
        full = Substitute(full, "{plain}", Quote(m_dir.File("plain.tif")));
        full = Substitute(full, "{out}", Quote(path));
        EXPECT_EQ(vktest::Run("(" + full + ") 2>/dev/null"), 0) << full;
        return path;
    }

    TempDir m_dir;
    std::string m_ppm;
};

TEST_F(TiffTest, CompressionsByteOrdersAndLayoutsReadAsImageMagickReadsThem)
{
    const std::string im = ImageMagick();
    const struct {
        std::string command;
        const char* name;
        int tolerance; // 16-bit samples are rounded differently
    } cases[] = {
        {im + " {in} -compress none {out}", "none.tif", 0},
        {im + " {in} -compress lzw {out}", "lzw.tif", 0},
        {im + " {in} -compress zip {out}", "zip.tif", 0},
        {im + " {in} -compress rle {out}", "packbits.tif", 0},
        {im + " {in} -compress lzw -define tiff:endian=msb {out}", "lzw-msb.tif", 0},
        // libtiff keeps the high byte of a 16-bit colour map, ImageMagick rounds.
        {im + " {in} -colors 16 -type palette -compress lzw {out}", "palette.tif", 1},
        {im + " {in} -colorspace gray -depth 4 {out}", "gray4.tif", 0},
        {im + " {in} -colorspace gray -depth 2 {out}", "gray2.tif", 0},
        {"pnmtotiff {in} >{out}", "pnmtotiff.tif", 0},
        {"pnmtotiff -lzw -msb2lsb {in} >{out}", "pnmtotiff-lzw.tif", 0},
        {"pnmtotiff -packbits {in} >{out}", "pnmtotiff-packbits.tif", 0},
        {"ppmtopgm {in} | pnmtotiff >{out}", "gray.tif", 0},
        {"ppmtopgm {in} | pgmtopbm | pnmtotiff >{out}", "bilevel.tif", 0},
        {"pamdepth 65535 {in} | pnmtotiff >{out}", "rgb16.tif", 1},
        {"ppmtopgm {in} | pamdepth 65535 | pnmtotiff >{out}", "gray16.tif", 1},
        {"tiffcp -c lzw:2 {plain} {out}", "lzw-predictor.tif", 0},
        {"tiffcp -c zip -B {plain} {out}", "zip-msb.tif", 0},
        {"tiffcp -c packbits {plain} {out}", "tiffcp-packbits.tif", 0},
        {"tiffcp -t -w 16 -l 16 {plain} {out}", "tiled.tif", 0},
        {"tiffcp -p separate {plain} {out}", "planar.tif", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = Make(c.command, c.name);
        Pixels expected = ReadWithImageMagick(path);
        ASSERT_FALSE(expected.data.empty());
        Decoded ours = Decode(ReadFile(path));
        EXPECT_EQ(ours.depth, 32);
        EXPECT_LE(MaxDifference(ours.pixels, expected), c.tolerance);
        EXPECT_EQ(DecodeWithVelkor(path), ours.pixels);
    }
    // tifftopnm reads the same as well.
    std::string path = m_dir.File("lzw-msb.tif");
    EXPECT_EQ(Decode(ReadFile(path)).pixels, ReadWithNetpbm("tifftopnm " + Quote(path)));
    EXPECT_EQ(Decode(ReadFile(path)).sourceDepth, 24);
}

TEST_F(TiffTest, LowColourPathGivesTheSamePixelsAtEightAndOneBits)
{
    const std::string im = ImageMagick();
    const struct {
        std::string command;
        const char* name;
        int depth;
        int tolerance; // colour maps: scaled here, shifted by libtiff's RGBA reader
    } cases[] = {
        {"ppmtopgm {in} | pgmtopbm | pnmtotiff >{out}", "bilevel.tif", 1, 0},
        {"ppmtopgm {in} | pgmtopbm | pnmtotiff -minisblack >{out}", "bilevel-black.tif", 1, 0},
        {im + " {in} -colorspace gray -depth 2 {out}", "gray2.tif", 8, 0},
        {im + " {in} -colorspace gray -depth 4 {out}", "gray4.tif", 8, 0},
        {"ppmtopgm {in} | pnmtotiff >{out}", "gray8.tif", 8, 0},
        {im + " {in} -colors 16 -type palette {out}", "palette4.tif", 8, 1},
        {im + " {in} -colors 100 -type palette {out}", "palette8.tif", 8, 1},
        {im + " {in} -colors 4 -type palette -depth 2 {out}", "palette2.tif", 8, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = ReadFile(Make(c.command, c.name));
        Decoded low = Decode(bytes, 0);
        EXPECT_EQ(low.depth, c.depth);
        EXPECT_LE(MaxDifference(low.pixels, Decode(bytes, 32).pixels), c.tolerance);
    }
}

TEST_F(TiffTest, EpsPreviewIsTheTiffSection)
{
    std::string tiff = ReadFile(Make(ImageMagick() + " {in} -compress lzw {out}", "preview.tif"));
    std::string path = m_dir.File("file.eps");
    WriteFile(path, Eps(tiff));
    CAnyPicDecoder decoder;
    CWinBmp bmp;
    decoder.DecodeFile(path, bmp, 32);
    EXPECT_EQ(decoder.GetDetectedFormat(), FormatEPS);
    EXPECT_EQ(FromBitmap(bmp), Decode(tiff).pixels);

    // A damaged TIFF section gives libtiff's text with code 1.
    std::string damaged = tiff;
    damaged[0] = 'X';
    std::string text;
    EXPECT_EQ(DecodeError(decoder, Eps(damaged), &text), ErrWrongSignature);
    EXPECT_EQ(text.rfind("Decoder error: ", 0), 0u);
    EXPECT_GT(text.size(), std::string("Decoder error: \n").size());

    // A TIFF offset beyond the file is the end-of-file error.
    std::string beyond = Eps(tiff);
    beyond[20] = char(0xF0);
    EXPECT_EQ(DecodeError(decoder, beyond.substr(0, 200)), ErrEndOfFile);
}

TEST_F(TiffTest, TruncatedDamagedAndOversizedFilesFailCleanly)
{
    CTIFFDecoder decoder;
    for (const char* compression : {"none", "lzw", "zip"}) {
        SCOPED_TRACE(compression);
        std::string bytes = ReadFile(Make(ImageMagick() + " {in} -compress " + compression + " {out}", "t.tif"));
        for (size_t keep : {size_t(3), size_t(9), size_t(40), bytes.size() / 3, bytes.size() / 2, bytes.size() - 5}) {
            int code = DecodeError(decoder, bytes.substr(0, keep));
            EXPECT_TRUE(code == 0 || code == ErrWrongSignature) << keep << " " << code;
        }
        for (size_t i = 0; i < bytes.size(); i += 61) {
            std::string damaged = bytes;
            damaged[i] = char(damaged[i] ^ 0xA5);
            int code = DecodeError(decoder, damaged);
            EXPECT_TRUE(code == 0 || code == ErrWrongSignature || code == ErrNoMemory) << i << " " << code;
        }
    }
    // A plain file built here decodes; the same header claiming a huge
    // picture is refused before the picture is allocated.
    std::string pixels;
    for (int i = 0; i < 12; ++i)
        pixels += char(i * 20);
    Decoded small = Decode(SmallTiff(4, 3, pixels));
    EXPECT_EQ(small.pixels.At(3, 2), MakePixel(220, 220, 220));
    EXPECT_EQ(small.pixels.At(0, 0), MakePixel(0, 0, 0));
    EXPECT_EQ(DecodeError(decoder, SmallTiff(60000, 60000, pixels)), ErrNoMemory);
}

// libtiff's error texts are kept per decode: two threads decoding different
// damaged files each get their own file's text.
TEST(TiffErrors, TextsStayWithTheirDecodeAcrossThreads)
{
    std::string badMagic = SmallTiff(4, 3, std::string(12, '\x10'));
    badMagic[0] = badMagic[1] = 'X';
    std::string shortStrip = SmallTiff(4, 3, std::string(12, '\x10')).substr(0, 8 + 2 + 8 * 12 + 4 + 5);
    auto run = [](const std::string& bytes, const std::string& expected, int* mismatches) {
        CTIFFDecoder decoder;
        for (int i = 0; i < 200; ++i) {
            std::string text;
            if (DecodeError(decoder, bytes, &text) != ErrWrongSignature || text.find(expected) == std::string::npos)
                ++*mismatches;
        }
    };
    int badMagicMismatches = 0, shortStripMismatches = 0;
    std::thread a(run, badMagic, "magic", &badMagicMismatches);
    std::thread b(run, shortStrip, "strip", &shortStripMismatches);
    a.join();
    b.join();
    EXPECT_EQ(badMagicMismatches, 0);
    EXPECT_EQ(shortStripMismatches, 0);
}

} // namespace
