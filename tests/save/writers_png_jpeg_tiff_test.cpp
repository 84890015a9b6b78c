// PNG, JPEG and TIFF writers: what libpng, djpeg, libtiff's tools and
// ImageMagick read back from our files, the options reaching the files, and
// failed writes leaving the target alone.
#include "TestSupport.h"

#include "picture/except.h"
#include "save/ColorHash.h"
#include "save/JPEGEncoder.h"
#include "save/PNGEncoder.h"
#include "save/TIFFEncoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <sys/resource.h>
#include <unistd.h>
#include <zlib.h>

using namespace vktest;

namespace {

Pixels Expected(const CBmp& bmp) { return Opaque(FromBitmap(bmp)); }

// Equal pixels, or where they first differ.
testing::AssertionResult SamePixels(const Pixels& got, const Pixels& want)
{
    if (got.width != want.width || got.height != want.height || got.data.size() != want.data.size())
        return testing::AssertionFailure() << "size " << got.width << "x" << got.height << ", want " << want.width
                                           << "x" << want.height;
    for (size_t i = 0; i < got.data.size(); ++i)
        if (got.data[i] != want.data[i])
            return testing::AssertionFailure() << "pixel " << i % size_t(want.width) << "," << i / size_t(want.width)
                                               << ": " << std::hex << got.data[i] << ", want " << want.data[i];
    return testing::AssertionSuccess();
}

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

// Runs `write` with the file size limit at `limit` bytes, as a full disk
// would stop it: writes past the limit fail with EFBIG.
void WithFileSizeLimit(rlim_t limit, const std::function<void()>& write)
{
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit low = old;
    low.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &low);
    try {
        write();
    } catch (...) {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        throw;
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
}

// Names in the folder other than `keep`: left-over temporary files.
std::vector<std::string> OtherFiles(const std::string& dir, const std::string& keep)
{
    std::vector<std::string> names;
    for (auto& e : std::filesystem::directory_iterator(dir))
        if (e.path().filename() != keep)
            names.push_back(e.path().filename().string());
    return names;
}

// A big enough noisy picture that no writer gets it into a few kilobytes.
void MakeNoise(CWinBmp& bmp, int width, int height)
{
    bmp.Create(width, height, 32, false);
    uint32_t state = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            bmp.GetLine32(y)[x] = MakePixel(uint8_t(state >> 24), uint8_t(state >> 16), uint8_t(state >> 8));
        }
}

uint32_t BE32(const std::string& s, size_t at)
{
    return uint32_t(uint8_t(s[at])) << 24 | uint32_t(uint8_t(s[at + 1])) << 16 | uint32_t(uint8_t(s[at + 2])) << 8 |
           uint8_t(s[at + 3]);
}

// The chunk types of a PNG file in order.
std::vector<std::string> PngChunks(const std::string& png)
{
    std::vector<std::string> types;
    for (size_t at = 8; at + 12 <= png.size();) {
        uint32_t length = BE32(png, at);
        types.push_back(png.substr(at + 4, 4));
        at += 12 + size_t(length);
    }
    return types;
}

bool HasMarker(const std::string& jpeg, uint8_t marker)
{
    for (size_t i = 2; i + 1 < jpeg.size(); ++i)
        if (uint8_t(jpeg[i]) == 0xFF && uint8_t(jpeg[i + 1]) == marker)
            return true;
    return false;
}

// The first quantisation table's 64 values (8-bit precision).
std::vector<int> FirstQuantTable(const std::string& jpeg)
{
    for (size_t i = 2; i + 69 < jpeg.size(); ++i)
        if (uint8_t(jpeg[i]) == 0xFF && uint8_t(jpeg[i + 1]) == 0xDB) {
            std::vector<int> q;
            for (size_t k = 0; k < 64; ++k)
                q.push_back(uint8_t(jpeg[i + 5 + k]));
            return q;
        }
    return {};
}

} // namespace

// ---------------------------------------------------------------- PNG

TEST(PngWriter, PeersReadTheExactPixelsInBothLayouts)
{
    TempDir dir;
    const std::pair<int, int> sizes[] = {{1, 1}, {7, 5}, {33, 17}, {100, 3}, {2, 64}};
    for (auto [w, h] : sizes) {
        for (bool interlaced : {false, true}) {
            SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + (interlaced ? " interlaced" : ""));
            CWinBmp bmp;
            MakeTestPicture(bmp, w, h, unsigned(w * h));
            std::string path = dir.File("p.png");
            CPNGEncoder().Save(path, bmp, interlaced);
            Pixels expected = Expected(bmp);
            EXPECT_TRUE(SamePixels(ReadWithNetpbm("pngtopam " + Quote(path)), expected));
            EXPECT_TRUE(SamePixels(ReadWithImageMagick(path), expected));
        }
    }
}

TEST(PngWriter, HeaderCarriesInterlaceMethodAndNoExtraChunks)
{
    TempDir dir;
    CWinBmp bmp;
    MakeTestPicture(bmp, 20, 10);
    for (bool interlaced : {false, true}) {
        std::string path = dir.File("h.png");
        CPNGEncoder().Save(path, bmp, interlaced);
        std::string png = ReadFile(path);
        ASSERT_GT(png.size(), 33u);
        EXPECT_EQ(png.substr(12, 4), "IHDR");
        EXPECT_EQ(BE32(png, 16), 20u);
        EXPECT_EQ(BE32(png, 20), 10u);
        EXPECT_EQ(png[24], 8);                        // bit depth
        EXPECT_EQ(png[25], 2);                        // RGB
        EXPECT_EQ(png[28], interlaced ? 1 : 0);       // interlace method
        for (const std::string& type : PngChunks(png))
            EXPECT_TRUE(type == "IHDR" || type == "IDAT" || type == "IEND") << type;
    }
}

TEST(PngWriter, IgnoresAlphaAndLeavesThePictureUnchanged)
{
    TempDir dir;
    CWinBmp bmp;
    MakeTestPicture(bmp, 9, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 9; ++x)
            bmp.GetLine(y)[4 * x + 3] = uint8_t(x * 30);
    Pixels before = FromBitmap(bmp);
    CPNGEncoder().Save(dir.File("a.png"), bmp, false);
    CPNGEncoder().Save(dir.File("b.png"), bmp, true);
    EXPECT_EQ(FromBitmap(bmp), before);
    EXPECT_TRUE(SamePixels(ReadWithNetpbm("pngtopam " + Quote(dir.File("a.png"))), Opaque(before)));
    EXPECT_TRUE(SamePixels(ReadWithNetpbm("pngtopam " + Quote(dir.File("b.png"))), Opaque(before)));
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
    EXPECT_EQ(BE32(png, 16), 1000001u);
    for (size_t at = 8; at + 12 <= png.size(); at += 12 + BE32(png, at))
        if (png.compare(at + 4, 4, "IDAT") == 0)
            idat += png.substr(at + 8, BE32(png, at));
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

// ---------------------------------------------------------------- JPEG

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
    std::string bytes = "P6\n77 45\n255\n";
    for (int y = 0; y < 45; ++y)
        for (int x = 0; x < 77; ++x) {
            const uint8_t* p = bmp.GetLine(y) + 4 * x;
            bytes += {char(p[2]), char(p[1]), char(p[0])};
        }
    WriteFile(ppm, bytes);
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

TEST(JpegWriter, SingleRedPixelStaysRed)
{
    TempDir dir;
    CWinBmp bmp;
    bmp.Create(1, 1, 32, false);
    bmp.GetLine32(0)[0] = MakePixel(255, 0, 0);
    CJPEGEncoder().Save(dir.File("r.jpg"), bmp, 100, 0, false, false);
    Pixels p = ReadWithNetpbm("djpeg " + Quote(dir.File("r.jpg")));
    ASSERT_EQ(p.data.size(), 1u);
    EXPECT_GE((p.data[0] >> 16) & 0xFF, 250u);
    EXPECT_LE((p.data[0] >> 8) & 0xFF, 5u);
    EXPECT_LE(p.data[0] & 0xFF, 5u);
}

TEST(JpegWriter, OptionsReachTheFile)
{
    TempDir dir;
    CWinBmp bmp;
    MakeSmoothPicture(bmp, 96, 64);
    auto save = [&](const std::string& name, int quality, int smoothing, bool optimize, bool progressive) {
        std::string path = dir.File(name);
        CJPEGEncoder().Save(path, bmp, quality, smoothing, optimize, progressive);
        return path;
    };
    std::string plain = save("plain.jpg", 60, 0, false, false);
    std::string optimized = save("opt.jpg", 60, 0, true, false);
    std::string progressive = save("prog.jpg", 60, 0, false, true);
    std::string smoothed = save("smooth.jpg", 60, 100, false, false);
    std::string best = save("q100.jpg", 100, 0, false, false);
    std::string worst = save("q0.jpg", 0, 0, false, false);

    EXPECT_TRUE(HasMarker(ReadFile(plain), 0xC0));
    EXPECT_FALSE(HasMarker(ReadFile(plain), 0xC2));
    EXPECT_TRUE(HasMarker(ReadFile(progressive), 0xC2));

    // Optimised Huffman tables change the coding, never the pixels.
    EXPECT_LT(ReadFile(optimized).size(), ReadFile(plain).size());
    EXPECT_EQ(ReadWithNetpbm("djpeg " + Quote(optimized)), ReadWithNetpbm("djpeg " + Quote(plain)));
    EXPECT_EQ(ReadWithNetpbm("djpeg " + Quote(progressive)), ReadWithNetpbm("djpeg " + Quote(plain)));

    // The slider's ends: quality 100 quantises by 1, quality 0 as coarsely
    // as a baseline file allows.
    std::vector<int> q100 = FirstQuantTable(ReadFile(best));
    std::vector<int> q0 = FirstQuantTable(ReadFile(worst));
    ASSERT_EQ(q100.size(), 64u);
    ASSERT_EQ(q0.size(), 64u);
    EXPECT_EQ(q100, std::vector<int>(64, 1));
    EXPECT_EQ(*std::max_element(q0.begin(), q0.end()), 255);

    Pixels expected = Expected(bmp);
    double psnrBest = Psnr(ReadWithNetpbm("djpeg " + Quote(best)), expected);
    double psnrPlain = Psnr(ReadWithNetpbm("djpeg " + Quote(plain)), expected);
    double psnrWorst = Psnr(ReadWithNetpbm("djpeg " + Quote(worst)), expected);
    EXPECT_GT(psnrBest, psnrPlain);
    EXPECT_GT(psnrPlain, psnrWorst);

    // Smoothing filters the input: different pixels, still the picture.
    Pixels smooth = ReadWithNetpbm("djpeg " + Quote(smoothed));
    EXPECT_NE(smooth, ReadWithNetpbm("djpeg " + Quote(plain)));
    EXPECT_GT(Psnr(smooth, expected), 18.0);
}

TEST(JpegWriter, LibraryFailureIsErrorWritingImageAndKeepsTheTarget)
{
    // Wider than libjpeg's 65500: jpeg_start_compress fails.
    TempDir dir;
    std::string path = dir.File("old.jpg");
    WriteFile(path, "old contents");
    CWinBmp bmp;
    bmp.Create(65501, 1, 32, false);
    try {
        CJPEGEncoder().Save(path, bmp, 60, 0, false, false);
        FAIL() << "no exception";
    } catch (const CTextException& e) {
        EXPECT_EQ(e.GetCode(), ErrWriting);
        EXPECT_EQ(e.GetText(), "Error writing image.");
    }
    EXPECT_EQ(ReadFile(path), "old contents");
    EXPECT_TRUE(OtherFiles(dir.Path(), "old.jpg").empty());
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
    EXPECT_EQ(SaveJPG(dir.File("missing/r.jpg").c_str(), red, 1, 1, 100, 0, 0, 0, 1), 0);
}

// ---------------------------------------------------------------- TIFF

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
            EXPECT_TRUE(SamePixels(ReadWithNetpbm("tifftopnm " + Quote(path)), expected));
            EXPECT_TRUE(SamePixels(ReadWithImageMagick(path), expected));
        }
    }
}

TEST(TiffWriter, CompressionShrinksFlatPicturesAndUnknownIndexIsUncompressed)
{
    TempDir dir;
    // Gray, so that red, green and blue bytes form one long run.
    CWinBmp bmp;
    bmp.Create(200, 100, 32, false);
    std::memset(bmp.GetPixels(), 0x77, bmp.GetLineBytes() * size_t(100));
    CTIFFEncoder().Save(dir.File("none.tif"), bmp, CTIFFEncoder::kNone, 60);
    CTIFFEncoder().Save(dir.File("pb.tif"), bmp, CTIFFEncoder::kPackBits, 60);
    CTIFFEncoder().Save(dir.File("lzw.tif"), bmp, CTIFFEncoder::kLZW, 60);
    CTIFFEncoder().Save(dir.File("odd.tif"), bmp, -1, 60);
    size_t none = ReadFile(dir.File("none.tif")).size();
    EXPECT_GT(none, 200u * 100u * 3u);
    EXPECT_LT(ReadFile(dir.File("pb.tif")).size() * 10, none);
    EXPECT_LT(ReadFile(dir.File("lzw.tif")).size() * 10, none);
    EXPECT_EQ(ReadFile(dir.File("odd.tif")), ReadFile(dir.File("none.tif")));
}

TEST(TiffWriter, SaveTifTakesPackedRgbAndPalettes)
{
    TempDir dir;
    const uint8_t red[3] = {255, 0, 0};
    std::string path = dir.File("r.tif");
    ASSERT_EQ(SaveTIF(path.c_str(), red, nullptr, 1, 1, 24, 0, CTIFFEncoder::kLZW, 60), 0);
    Pixels p = ReadWithNetpbm("tifftopnm " + Quote(path));
    ASSERT_EQ(p.data.size(), 1u);
    EXPECT_EQ(p.data[0], MakePixel(255, 0, 0));

    // Palette form: indices and colorhist_item colours.
    const uint8_t indices[6] = {0, 1, 2, 2, 1, 0};
    colorhist_item palette[3] = {{10, 20, 30, 0, 1}, {200, 100, 0, 0, 1}, {0, 0, 255, 0, 1}};
    std::string pal = dir.File("pal.tif");
    ASSERT_EQ(SaveTIF(pal.c_str(), indices, palette, 3, 2, 8, 3, CTIFFEncoder::kPackBits, 60), 0);
    std::string info;
    vktest::Run("tiffinfo " + Quote(pal) + " 2>&1", &info);
    EXPECT_NE(info.find("palette color"), std::string::npos) << info;
    Pixels q = ReadWithNetpbm("tifftopnm " + Quote(pal));
    ASSERT_EQ(q.data.size(), 6u);
    EXPECT_EQ(q.At(0, 0), MakePixel(30, 20, 10));
    EXPECT_EQ(q.At(1, 0), MakePixel(0, 100, 200));
    EXPECT_EQ(q.At(2, 0), MakePixel(255, 0, 0));
    EXPECT_EQ(q.At(0, 1), MakePixel(255, 0, 0));

    EXPECT_NE(SaveTIF(dir.File("x.tif").c_str(), red, nullptr, 1, 1, 16, 0, 0, 60), 0);
    EXPECT_NE(SaveTIF(dir.File("no/x.tif").c_str(), red, nullptr, 1, 1, 24, 0, 0, 60), 0);
}

// ------------------------------------------------- failed writes, all three

namespace {

struct Writer {
    const char* name;
    std::function<void(const std::string&, CBmp&)> save;
};

const Writer kWriters[] = {
    {"png", [](const std::string& p, CBmp& b) { CPNGEncoder().Save(p, b, false); }},
    {"png-interlaced", [](const std::string& p, CBmp& b) { CPNGEncoder().Save(p, b, true); }},
    {"jpg", [](const std::string& p, CBmp& b) { CJPEGEncoder().Save(p, b, 90, 0, false, false); }},
    {"jpg-progressive", [](const std::string& p, CBmp& b) { CJPEGEncoder().Save(p, b, 90, 0, true, true); }},
    {"tif-none", [](const std::string& p, CBmp& b) { CTIFFEncoder().Save(p, b, CTIFFEncoder::kNone, 60); }},
    {"tif-packbits", [](const std::string& p, CBmp& b) { CTIFFEncoder().Save(p, b, CTIFFEncoder::kPackBits, 60); }},
    {"tif-lzw", [](const std::string& p, CBmp& b) { CTIFFEncoder().Save(p, b, CTIFFEncoder::kLZW, 60); }},
};

} // namespace

TEST(PngJpegTiffWriters, FullDiskLeavesTheTargetAndNoTemporary)
{
    CWinBmp bmp;
    MakeNoise(bmp, 300, 200);
    for (const Writer& w : kWriters) {
        SCOPED_TRACE(w.name);
        TempDir dir;
        std::string path = dir.File("target");
        WriteFile(path, "old contents");
        int code = 0;
        WithFileSizeLimit(8192, [&] {
            try {
                w.save(path, bmp);
            } catch (const CTextException& e) {
                code = e.GetCode();
            }
        });
        EXPECT_NE(code, 0);
        EXPECT_EQ(ReadFile(path), "old contents");
        EXPECT_TRUE(OtherFiles(dir.Path(), "target").empty());
    }
}

TEST(PngJpegTiffWriters, DirectoryInTheWayOrMissingFolderFails)
{
    CWinBmp bmp;
    MakeTestPicture(bmp, 8, 8);
    for (const Writer& w : kWriters) {
        SCOPED_TRACE(w.name);
        TempDir dir;
        std::filesystem::create_directory(dir.File("target"));
        std::filesystem::create_directory(dir.File("target/inside"));
        EXPECT_THROW(w.save(dir.File("target"), bmp), CTextException);
        EXPECT_TRUE(std::filesystem::is_directory(dir.File("target/inside")));
        EXPECT_THROW(w.save(dir.File("missing/x"), bmp), CTextException);
        EXPECT_TRUE(OtherFiles(dir.Path(), "target").empty());
    }
}

TEST(PngJpegTiffWriters, ReadOnlyFolderKeepsTheTarget)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    CWinBmp bmp;
    MakeTestPicture(bmp, 8, 8);
    for (const Writer& w : kWriters) {
        SCOPED_TRACE(w.name);
        TempDir dir;
        std::string path = dir.File("target");
        WriteFile(path, "old contents");
        std::filesystem::permissions(dir.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        EXPECT_THROW(w.save(path, bmp), CTextException);
        EXPECT_EQ(ReadFile(path), "old contents");
    }
}

TEST(PngJpegTiffWriters, SuccessfulWriteReplacesTheTarget)
{
    CWinBmp bmp;
    MakeTestPicture(bmp, 16, 16);
    for (const Writer& w : kWriters) {
        SCOPED_TRACE(w.name);
        TempDir dir;
        std::string path = dir.File("target");
        WriteFile(path, "old contents");
        w.save(path, bmp);
        EXPECT_NE(ReadFile(path), "old contents");
        EXPECT_EQ(ReadWithImageMagick(path).width, 16);
        EXPECT_TRUE(OtherFiles(dir.Path(), "target").empty());
    }
}
