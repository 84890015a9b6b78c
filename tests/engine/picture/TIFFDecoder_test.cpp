// TIFF decoding: files written by ImageMagick, netpbm and tiffcp in every
// common compression, byte order and sample layout read as ImageMagick
// reads them; the low-colour path at 8 and 1 bits; the TIFF preview of EPS
// files; truncated, damaged and oversized files.
#include "TestSupport.h"
#include "engine/picture/AnyPicDecoder.h"
#include "engine/picture/TIFFDecoder.h"

#include <gtest/gtest.h>
#include <thread>
#include <tuple>

using namespace vktest;

namespace {

Pixels Decode(const std::string& bytes, int wanted = 32, int* depth = nullptr)
{
    CTIFFDecoder decoder;
    CWinBmp bmp;
    const Pixels p = DecodeBytes(decoder, bytes, wanted, &bmp);
    if (depth)
        *depth = bmp.GetBitsPerPixel();
    return p;
}

// A little-endian TIFF of one 8-bit gray strip.
std::string SmallTiff(uint32_t width, uint32_t height, const std::string& pixels)
{
    ByteWriter w(false);
    w.bytes(std::string("II*\0", 4)).u32(8).u16(8);
    const uint32_t dataOffset = 8 + 2 + 8 * 12 + 4;
    // ImageWidth, ImageLength, BitsPerSample, Compression none,
    // Photometric min-is-black, StripOffsets, RowsPerStrip, StripByteCounts.
    for (auto [tag, type, value] : {std::tuple{256u, 4u, width},
                                    {257u, 4u, height},
                                    {258u, 3u, 8u},
                                    {259u, 3u, 1u},
                                    {262u, 3u, 1u},
                                    {273u, 4u, dataOffset},
                                    {278u, 4u, height},
                                    {279u, 4u, uint32_t(pixels.size())}}) {
        w.u16(tag).u16(type).u32(1);
        if (type == 3)
            w.u16(value).u16(0);
        else
            w.u32(value);
    }
    return w.u32(0).s + pixels;
}

// An EPS file with a TIFF preview: the 30-byte binary header, the
// PostScript section and the TIFF section.
std::string Eps(const std::string& tiff)
{
    const std::string ps = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\nshowpage\n%%EOF\n";
    ByteWriter w(false);
    w.u32(0xC6D3D0C5).u32(30).u32(uint32_t(ps.size())).u32(0).u32(0);       // PostScript, no metafile
    w.u32(uint32_t(30 + ps.size())).u32(uint32_t(tiff.size())).u16(0xFFFF); // TIFF, no checksum
    return w.s + ps + tiff;
}

class TiffTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        if (!HasProgram("pnmtotiff") || !HasProgram("tiffcp") || !HasProgram(ImageMagick()))
            GTEST_SKIP() << "netpbm, libtiff tools or ImageMagick not installed";
        CWinBmp picture;
        MakeTestPicture(picture, 53, 41);
        WriteFile(m_ppm, ToPpm(picture));
        std::string plain = m_dir.File("plain.tif");
        EXPECT_EQ(vktest::Run(ImageMagick() + " " + Quote(m_ppm) + " -compress none " + Quote(plain)), 0);
    }

    std::string Make(const std::string& command, const std::string& name)
    {
        const std::string path = m_dir.File(name);
        EXPECT_EQ(RunWith(Substitute(command, "{plain}", Quote(m_dir.File("plain.tif"))), m_ppm, path), 0)
            << command;
        return path;
    }

    TempDir m_dir;
    std::string m_ppm = m_dir.File("in.ppm");
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
        int depth = 0;
        const Pixels ours = Decode(ReadFile(path), 32, &depth);
        EXPECT_EQ(depth, 32);
        EXPECT_LE(MaxChannelDifference(ours, ReadWithImageMagick(path)), c.tolerance);
        EXPECT_EQ(DecodeWithVelkor(path), ours);
    }
    // tifftopnm reads the same as well.
    const std::string path = m_dir.File("lzw-msb.tif");
    CTIFFDecoder decoder;
    CWinBmp bmp;
    EXPECT_EQ(DecodeBytes(decoder, ReadFile(path), 32, &bmp), ReadWithNetpbm("tifftopnm " + Quote(path)));
    EXPECT_EQ(bmp.GetSourceBitsPerPixel(), 24);
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
        int depth = 0;
        const Pixels low = Decode(bytes, 0, &depth);
        EXPECT_EQ(depth, c.depth);
        EXPECT_LE(MaxChannelDifference(low, Decode(bytes, 32)), c.tolerance);
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
    EXPECT_EQ(FromBitmap(bmp), Decode(tiff));

    // A damaged TIFF section gives libtiff's text with code 1.
    std::string damaged = tiff;
    damaged[0] = 'X';
    const auto [code, text] = ErrorOf(decoder, Eps(damaged));
    EXPECT_EQ(code, ErrWrongSignature);
    EXPECT_EQ(text.rfind("Decoder error: ", 0), 0u);
    EXPECT_GT(text.size(), std::string("Decoder error: \n").size());

    // A TIFF offset beyond the file is the end-of-file error.
    std::string beyond = Eps(tiff);
    beyond[20] = char(0xF0);
    EXPECT_EQ(ErrorOf(decoder, beyond.substr(0, 200)).first, ErrEndOfFile);
}

TEST_F(TiffTest, TruncatedDamagedAndOversizedFilesFailCleanly)
{
    CTIFFDecoder decoder;
    for (const char* compression : {"none", "lzw", "zip"}) {
        SCOPED_TRACE(compression);
        std::string bytes =
            ReadFile(Make(ImageMagick() + " {in} -compress " + compression + " {out}", "t.tif"));
        for (size_t keep :
             {size_t(3), size_t(9), size_t(40), bytes.size() / 3, bytes.size() / 2, bytes.size() - 5}) {
            const int code = ErrorOf(decoder, bytes.substr(0, keep)).first;
            EXPECT_TRUE(code == 0 || code == ErrWrongSignature) << keep << " " << code;
        }
        for (size_t i = 0; i < bytes.size(); i += 61) {
            std::string damaged = bytes;
            damaged[i] = char(damaged[i] ^ 0xA5);
            const int code = ErrorOf(decoder, damaged).first;
            EXPECT_TRUE(code == 0 || code == ErrWrongSignature || code == ErrNoMemory) << i << " " << code;
        }
    }
    // A plain file built here decodes; the same header claiming a huge
    // picture is refused before the picture is allocated.
    std::string pixels;
    for (int i = 0; i < 12; ++i)
        pixels += char(i * 20);
    const Pixels small = Decode(SmallTiff(4, 3, pixels));
    EXPECT_EQ(small.At(3, 2), MakePixel(220, 220, 220));
    EXPECT_EQ(small.At(0, 0), MakePixel(0, 0, 0));
    EXPECT_EQ(ErrorOf(decoder, SmallTiff(60000, 60000, pixels)).first, ErrNoMemory);
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
            const auto [code, text] = ErrorOf(decoder, bytes);
            if (code != ErrWrongSignature || text.find(expected) == std::string::npos)
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
