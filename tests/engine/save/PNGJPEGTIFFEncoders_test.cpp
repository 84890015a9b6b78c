// PNG, JPEG and TIFF writers: what libpng, djpeg, cjpeg, libtiff's tools
// and ImageMagick make of our files. Failed writes are in SaveDispatch_test.
#include "TestSupport.h"

#include "engine/picture/TextException.h"
#include "engine/save/ColorHash.h"
#include "engine/save/JPEGEncoder.h"
#include "engine/save/PNGEncoder.h"
#include "engine/save/TIFFEncoder.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstring>
#include <zlib.h>

using namespace vktest;

namespace {

Pixels Expected(const CBmp& bmp)
{
    return Opaque(FromBitmap(bmp));
}

// Soft gradients and a disc, the kind of picture JPEG is meant for.
void MakeSmoothPicture(CWinBmp& bmp, int width, int height)
{
    bmp.Create(width, height, 32, false);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int dx = x - width / 2, dy = y - height / 2;
            bool inside = dx * dx + dy * dy < width * height / 8;
            bmp.GetLine32(y)[x] =
                MakePixel(uint8_t(40 + x * 160 / width), uint8_t(inside ? 180 : 60 + y * 100 / height),
                          uint8_t(120 + (x + y) % 32));
        }
}

// What a photograph holds: soft gradients under fine noise, so few byte
// strings ever repeat.
void MakePhotoLike(CWinBmp& bmp, int width, int height)
{
    bmp.Create(width, height, 32, false);
    unsigned state = 7;
    auto noise = [&state] {
        state = state * 1103515245u + 12345u;
        return int((state >> 16) % 25) - 12;
    };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            auto channel = [&](int base) { return uint8_t(std::clamp(base + noise(), 0, 255)); };
            bmp.GetLine32(y)[x] = MakePixel(channel(30 + x * 190 / width), channel(60 + y * 150 / height),
                                            channel(120 + (x - y) * 60 / width));
        }
}

// What a screenshot holds: flat boxes, grid lines and lines of "text", words
// of a small vocabulary drawn in eight-pixel glyphs, so strings repeat.
void MakeDrawing(CWinBmp& bmp, int width, int height)
{
    bmp.Create(width, height, 32, false);
    uint8_t glyphs[12][8];
    unsigned state = 11;
    for (auto& glyph : glyphs)
        for (uint8_t& row : glyph) {
            state = state * 1103515245u + 12345u;
            row = uint8_t(state >> 20) & 0x7E;
        }
    const char* words[] = {"0415", "2", "93a", "b81", "7766", "a0", "54b3", "1"};
    for (int y = 0; y < height; ++y) {
        uint32_t* line = bmp.GetLine32(y);
        const int box = (y / 96 + 1) * 40;
        for (int x = 0; x < width; ++x)
            line[x] = x % 97 == 0 || y % 61 == 0 ? MakePixel(20, 20, 20)
                      : x / 128 % 3 == 1         ? MakePixel(uint8_t(box), 200, uint8_t(255 - box))
                                                 : MakePixel(240, 240, 236);
        if (y % 16 >= 8)
            continue;
        // One line of text every 16 rows, words chosen by the line number.
        int x = 4, word = y / 16;
        while (x + 8 < width) {
            for (const char* c = words[(word * 5 + 3) % 8]; *c && x + 8 < width; ++c, x += 8) {
                const int g = *c >= 'a' ? *c - 'a' + 10 : *c - '0';
                for (int bit = 0; bit < 8; ++bit)
                    if (glyphs[g][y % 16] & (0x80 >> bit))
                        line[x + bit] = MakePixel(0, 0, 0);
            }
            x += 8;
            ++word;
        }
    }
}

void CollectBytes(png_structp png, png_bytep data, png_size_t length)
{
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

// The bytes libpng writes of `bmp` with nothing but the level set.
std::string LibpngDefaults(const CBmp& bmp, int level)
{
    std::string bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &bytes, CollectBytes, nullptr);
    png_set_compression_level(png, level);
    png_set_IHDR(png, info, png_uint_32(bmp.GetWidth()), png_uint_32(bmp.GetHeight()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    for (int y = 0; y < bmp.GetHeight(); ++y)
        png_write_row(png, const_cast<png_bytep>(bmp.GetLine(y)));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return bytes;
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
            for (int y = 0; y < h; ++y) // alpha is not written
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
            EXPECT_EQ(png.substr(24, 2), std::string("\x08\x02", 2)); // 8 bits, RGB
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
                         reinterpret_cast<const Bytef*>(idat.data()), idat.size()),
              Z_OK);
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

TEST(PngWriter, FastLevelsPickAPackingThatSuitsThePicture)
{
    using Packing = CPNGEncoder::Packing;
    CWinBmp photo, drawing, small;
    MakePhotoLike(photo, 1024, 640);
    MakeDrawing(drawing, 1024, 640);
    MakePhotoLike(small, 200, 150);
    EXPECT_EQ(CPNGEncoder::ChoosePacking(photo, 6), Packing::FilteredRuns);
    EXPECT_EQ(CPNGEncoder::ChoosePacking(photo, 1), Packing::FilteredRuns);
    EXPECT_NE(CPNGEncoder::ChoosePacking(drawing, 6), Packing::FilteredRuns);
    EXPECT_EQ(CPNGEncoder::ChoosePacking(small, 6), Packing::Exhaustive);
    for (const CWinBmp* bmp : {&photo, &drawing}) {
        EXPECT_EQ(CPNGEncoder::ChoosePacking(*bmp, 0), Packing::Stored);
        for (int level : {7, 8, 9})
            EXPECT_EQ(CPNGEncoder::ChoosePacking(*bmp, level), Packing::Exhaustive);
    }
    // A picture of another depth is judged by its 32-bit form.
    CWinBmp gray;
    gray.Create(1024, 640, 8, false);
    for (int y = 0; y < 640; ++y)
        for (int x = 0; x < 1024; ++x)
            gray.GetLine(y)[x] = uint8_t(x / 4);
    EXPECT_NE(CPNGEncoder::ChoosePacking(gray, 6), CPNGEncoder::Packing::Stored);
}

TEST(PngWriter, EveryLevelKeepsThePixelsAndFastLevelsPackAsWellAsLibpng)
{
    TempDir dir;
    for (bool drawn : {false, true}) {
        SCOPED_TRACE(drawn ? "drawing" : "photograph");
        CWinBmp bmp;
        drawn ? MakeDrawing(bmp, 1024, 640) : MakePhotoLike(bmp, 1024, 640);
        const Pixels expected = Expected(bmp);
        size_t sizes[10] = {};
        for (int level : {0, 1, 6, 9}) {
            for (bool interlaced : {false, true}) {
                SCOPED_TRACE(std::to_string(level) + (interlaced ? " interlaced" : ""));
                const std::string path = dir.File("p.png");
                CPNGEncoder().Save(path, bmp, interlaced, level);
                EXPECT_EQ(Diff(ReadWithNetpbm("pngtopam " + Quote(path)), expected), "");
                if (!interlaced)
                    sizes[level] = ReadFile(path).size();
            }
        }
        EXPECT_GT(sizes[0], 1024u * 640u * 3u);
        EXPECT_LT(sizes[9], sizes[0]);
        // Faster, and not larger than needed: within 2 % of what libpng's
        // own way makes at the same level.
        for (int level : {1, 6})
            EXPECT_LE(double(sizes[level]), double(LibpngDefaults(bmp, level).size()) * 1.02)
                << level << ": " << sizes[level] << " against " << LibpngDefaults(bmp, level).size();
    }
}

TEST(PngWriter, LevelsSevenToNineWriteWhatLibpngWritesByDefault)
{
    // Save As writes level 9: its files stay as they always were.
    TempDir dir;
    CWinBmp bmp;
    MakePhotoLike(bmp, 800, 500);
    for (int level : {7, 9}) {
        const std::string path = dir.File("p.png");
        CPNGEncoder().Save(path, bmp, false, level);
        EXPECT_TRUE(ReadFile(path) == LibpngDefaults(bmp, level)) << level;
    }
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
        ASSERT_EQ(
            vktest::Run("cjpeg " + std::string(c.flags) + " -outfile " + Quote(theirs) + " " + Quote(ppm)),
            0);
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
