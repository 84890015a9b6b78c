// PNG, JPEG and TIFF writers: what libpng, djpeg, cjpeg, libtiff's tools
// and ImageMagick make of our files. Failed writes are in SaveDispatch_test.
#include "TestSupport.h"

#include "picture/TextException.h"
#include "save/ColorHash.h"
#include "save/JPEGEncoder.h"
#include "save/PNGEncoder.h"
#include "save/TIFFEncoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <zlib.h>

using namespace vktest;

namespace {

Pixels Expected(const CBmp& bmp) { return Opaque(FromBitmap(bmp)); }

// Soft gradients and a disc, the kind of picture JPEG is meant for.
void MakeSmoothPicture(CWinBmp& bmp, int width, int height)
{
    bmp.Create(width, height, 32, false);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int dx = x - width / 2, dy = y - height / 2;
            bool inside = dx * dx + dy * dy < width * height / 8;
            bmp.GetLine32(y)[x] = MakePixel(uint8_t(40 + x * 160 / width), uint8_t(inside ? 180 : 60 + y * 100 / height),
                                            uint8_t(120 + (x + y) % 32));
        }
}

} // namespace

TEST(PngWriter, PeersReadTheExactPixelsAndTheHeaderFollowsTheFlag)
{
    TempDir dir;
    const std::pair<int, int> sizes[] = {{1, 1}, {7, 5}, {33, 17}, {100, 3}, {2, 64}};
    for (auto [w, h] : sizes) {
        for (bool interlaced : {false, true}) {
            SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + (interlaced ? " interlaced" : ""));
            CWinBmp bmp;
            MakeTestPicture(bmp, w, h, unsigned(w * h));
            for (int y = 0; y < h; ++y)   // alpha is not written
                bmp.GetLine(y)[3] = 7;
            Pixels before = FromBitmap(bmp);
            std::string path = dir.File("p.png");
            CPNGEncoder().Save(path, bmp, interlaced);
            EXPECT_EQ(FromBitmap(bmp), before);
            EXPECT_EQ(Diff(ReadWithNetpbm("pngtopam " + Quote(path)), Expected(bmp)), "");
            EXPECT_EQ(Diff(ReadWithImageMagick(path), Expected(bmp)), "");
            std::string png = ReadFile(path);
            ASSERT_GT(png.size(), 33u);
            EXPECT_EQ(png.substr(12, 4), "IHDR");
            EXPECT_EQ(png.substr(24, 2), std::string("\x08\x02", 2));   // 8 bits, RGB
            EXPECT_EQ(png[28], interlaced ? 1 : 0);
            for (size_t at = 8; at + 12 <= png.size(); at += 12 + GetBe32(png, at)) {
                std::string type = png.substr(at + 4, 4);
                EXPECT_TRUE(type == "IHDR" || type == "IDAT" || type == "IEND") << type;
            }
        }
    }
}

TEST(PngWriter, WidthBeyondLibpngsDefaultLimitIsWritten)
{
    // libpng refuses widths over 1000000 unless told otherwise.
    TempDir dir;
    CWinBmp bmp;
    bmp.Create(1000001, 1, 32, false);
    std::memset(bmp.GetLine(0), 0x40, size_t(bmp.GetLineBytes()));
    std::string path = dir.File("wide.png");
    ASSERT_NO_THROW(CPNGEncoder().Save(path, bmp, false));
    // pngtopam and ImageMagick keep libpng's limit, so zlib reads it back.
    std::string png = ReadFile(path), idat;
    EXPECT_EQ(GetBe32(png, 16), 1000001u);
    for (size_t at = 8; at + 12 <= png.size(); at += 12 + GetBe32(png, at))
        if (png.compare(at + 4, 4, "IDAT") == 0)
            idat += png.substr(at + 8, GetBe32(png, at));
    std::string raw(1 + 3 * 1000001 + 1, '\0');
    uLongf rawSize = raw.size();
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(raw.data()), &rawSize,
                         reinterpret_cast<const Bytef*>(idat.data()), idat.size()), Z_OK);
    ASSERT_EQ(rawSize, 1 + 3 * 1000001u);
    // Undo the row filter; in a first row Up is None, Average adds half
    // and Paeth all of the left byte.
    int filter = raw[0];
    ASSERT_LE(filter, 4);
    size_t wrong = 0;
    for (size_t i = 1; i < rawSize; ++i) {
        int left = i > 3 ? uint8_t(raw[i - 3]) : 0;
        int add = filter == 1 || filter == 4 ? left : filter == 3 ? left / 2 : 0;
        raw[i] = char(uint8_t(raw[i]) + add);
        wrong += raw[i] != '\x40';
    }
    EXPECT_EQ(wrong, 0u);
}

TEST(JpegWriter, PeersReadCloseToTheSource)
{
    TempDir dir;
    const std::pair<int, int> sizes[] = {{1, 1}, {15, 9}, {64, 48}, {101, 37}};
    for (auto [w, h] : sizes) {
        for (bool progressive : {false, true}) {
            SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + (progressive ? " progressive" : ""));
            CWinBmp bmp;
            MakeSmoothPicture(bmp, w, h);
            std::string path = dir.File("j.jpg");
            CJPEGEncoder().Save(path, bmp, 95, 0, false, progressive);
            Pixels expected = Expected(bmp);
            // Tiny pictures with hard edges lose most to chroma subsampling.
            double floor = w * h < 500 ? 26.0 : 32.0;
            EXPECT_GT(Psnr(ReadWithNetpbm("djpeg " + Quote(path)), expected), floor);
            EXPECT_GT(Psnr(ReadWithImageMagick(path), expected), floor);
        }
    }
}

TEST(JpegWriter, SameBytesAsCjpegWithTheSameOptions)
{
    // libjpeg's own cjpeg, fed the same pixels, is the reference for how
    // quality, smoothing, optimize and progressive reach the file.
    if (!HasProgram("cjpeg"))
        GTEST_SKIP() << "no cjpeg";
    TempDir dir;
    CWinBmp bmp;
    MakeTestPicture(bmp, 77, 45, 3);
    std::string ppm = dir.File("in.ppm");
    WriteFile(ppm, ToPpm(bmp));
    const struct {
        int quality, smoothing;
        bool optimize, progressive;
        const char* flags;
    } cases[] = {{60, 0, false, false, "-quality 60"},
                 {1, 0, false, false, "-quality 1 -baseline"},
                 {100, 0, false, false, "-quality 100"},
                 {75, 40, false, false, "-quality 75 -smooth 40"},
                 {80, 0, true, false, "-quality 80 -optimize"},
                 {50, 10, false, true, "-quality 50 -smooth 10 -progressive"}};
    for (auto c : cases) {
        SCOPED_TRACE(c.flags);
        std::string ours = dir.File("ours.jpg"), theirs = dir.File("theirs.jpg");
        CJPEGEncoder().Save(ours, bmp, c.quality, c.smoothing, c.optimize, c.progressive);
        ASSERT_EQ(vktest::Run("cjpeg " + std::string(c.flags) + " -outfile " + Quote(theirs) + " " + Quote(ppm)), 0);
        EXPECT_TRUE(ReadFile(ours) == ReadFile(theirs));
    }
}

TEST(JpegWriter, SaveJpgTakesThePackedBuffer)
{
    TempDir dir;
    const uint8_t red[3] = {255, 0, 0};
    std::string path = dir.File("r.jpg");
    EXPECT_NE(SaveJPG(path.c_str(), red, 1, 1, 100, 0, 0, 0, 1), 0);
    Pixels p = ReadWithNetpbm("djpeg " + Quote(path));
    ASSERT_EQ(p.data.size(), 1u);
    EXPECT_GE((p.data[0] >> 16) & 0xFF, 250u);
    EXPECT_LE(p.data[0] & 0xFFFF, 0x0505u);
    EXPECT_EQ(SaveJPG(dir.File("missing/r.jpg").c_str(), red, 1, 1, 100, 0, 0, 0, 1), 0);
    EXPECT_TRUE(OnlyFile(dir.Path(), "r.jpg"));
}

TEST(TiffWriter, EveryCompressionPassesTiffinfoAndReadsBackExactly)
{
    TempDir dir;
    const std::pair<int, const char*> schemes[] = {
        {CTIFFEncoder::kNone, "None"}, {CTIFFEncoder::kPackBits, "PackBits"}, {CTIFFEncoder::kLZW, "LZW"}};
    const std::pair<int, int> sizes[] = {{1, 1}, {13, 7}, {300, 41}};
    for (auto [index, name] : schemes) {
        for (auto [w, h] : sizes) {
            SCOPED_TRACE(std::string(name) + " " + std::to_string(w) + "x" + std::to_string(h));
            CWinBmp bmp;
            MakeTestPicture(bmp, w, h, 7);
            std::string path = dir.File("t.tif");
            CTIFFEncoder().Save(path, bmp, index, 60);
            std::string info;
            EXPECT_EQ(vktest::Run("tiffinfo " + Quote(path) + " 2>&1", &info), 0);
            EXPECT_EQ(info.find("rror"), std::string::npos) << info;
            EXPECT_NE(info.find("Compression Scheme: " + std::string(name)), std::string::npos) << info;
            EXPECT_NE(info.find("Photometric Interpretation: RGB color"), std::string::npos) << info;
            EXPECT_NE(info.find("Bits/Sample: 8"), std::string::npos) << info;
            Pixels expected = Expected(bmp);
            EXPECT_EQ(Diff(ReadWithNetpbm("tifftopnm " + Quote(path)), expected), "");
            EXPECT_EQ(Diff(ReadWithImageMagick(path), expected), "");
        }
    }
}

TEST(TiffWriter, SaveTifTakesPackedRgbAndPalettes)
{
    TempDir dir;
    const uint8_t red[3] = {255, 0, 0};
    std::string path = dir.File("r.tif");
    ASSERT_EQ(SaveTIF(path.c_str(), red, nullptr, 1, 1, 24, 0, CTIFFEncoder::kLZW, 60), 0);
    EXPECT_EQ(ReadWithNetpbm("tifftopnm " + Quote(path)).data, std::vector<uint32_t>{MakePixel(255, 0, 0)});

    const uint8_t indices[6] = {0, 1, 2, 2, 1, 0};
    colorhist_item palette[3] = {{10, 20, 30, 0, 1}, {200, 100, 0, 0, 1}, {0, 0, 255, 0, 1}};
    std::string pal = dir.File("pal.tif");
    ASSERT_EQ(SaveTIF(pal.c_str(), indices, palette, 3, 2, 8, 3, CTIFFEncoder::kPackBits, 60), 0);
    std::string info;
    vktest::Run("tiffinfo " + Quote(pal) + " 2>&1", &info);
    EXPECT_NE(info.find("palette color"), std::string::npos) << info;
    const uint32_t a = MakePixel(30, 20, 10), b = MakePixel(0, 100, 200), c = MakePixel(255, 0, 0);
    EXPECT_EQ(ReadWithNetpbm("tifftopnm " + Quote(pal)).data, (std::vector<uint32_t>{a, b, c, c, b, a}));

    EXPECT_NE(SaveTIF(dir.File("x.tif").c_str(), red, nullptr, 1, 1, 16, 0, 0, 60), 0);
    EXPECT_NE(SaveTIF(dir.File("no/x.tif").c_str(), red, nullptr, 1, 1, 24, 0, 0, 60), 0);
    // An index the dialog does not have writes an uncompressed file.
    CWinBmp bmp;
    MakeTestPicture(bmp, 9, 9);
    CTIFFEncoder().Save(dir.File("none.tif"), bmp, CTIFFEncoder::kNone, 60);
    CTIFFEncoder().Save(dir.File("odd.tif"), bmp, 5, 60);
    EXPECT_EQ(ReadFile(dir.File("odd.tif")), ReadFile(dir.File("none.tif")));
}

TEST(PngJpegTiffWriters, PaletteAndBilevelSourcesAreWrittenThroughTheirPalette)
{
    TempDir dir;
    for (int depth : {8, 1}) {
        CWinBmp bmp;
        bmp.Create(13, 6, uint16_t(depth), false);
        PaletteEntry palette[256];
        for (int i = 0; i < 256; ++i)
            palette[i] = PaletteEntry{uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 255};
        palette[1] = PaletteEntry{200, 10, 50, 255};
        bmp.SetPalette(palette);
        for (int y = 0; y < 6; ++y)
            for (int i = 0; i < bmp.GetLineBytes(); ++i)
                bmp.GetLine(y)[i] = uint8_t(i * 37 + y * 11);
        std::string png = dir.File("s.png"), tif = dir.File("s.tif");
        CPNGEncoder().Save(png, bmp, false);
        CTIFFEncoder().Save(tif, bmp, CTIFFEncoder::kLZW, 60);
        EXPECT_EQ(Diff(ReadWithImageMagick(png), Expected(bmp)), "") << depth;
        EXPECT_EQ(Diff(ReadWithImageMagick(tif), Expected(bmp)), "") << depth;
    }
}
