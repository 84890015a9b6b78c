// GIF decoding: files from ImageMagick and netpbm must give their pixels;
// hand-built streams (also checked by the peers) pin the LZW rules; damaged
// files fail cleanly.
#include "TestSupport.h"
#include "engine/picture/GIFDecoder.h"

#include <gtest/gtest.h>

#include <thread>

using namespace vktest;

namespace {

using Codes = std::vector<std::pair<int, int>>; // (code, width)
using Indices = std::vector<uint8_t>;
struct Rgb {
    uint8_t r, g, b;
};

Pixels Gif(const std::string& bytes, int depth = 32, CWinBmp* keep = nullptr)
{
    CGIFDecoder decoder;
    return DecodeBytes(decoder, bytes, depth, keep);
}

int GifError(const std::string& bytes)
{
    CGIFDecoder decoder;
    return ErrorOf(decoder, bytes).first;
}

std::string Table(const std::vector<Rgb>& colors, int bits)
{
    std::string s;
    for (int i = 0; i < 1 << bits; ++i) {
        Rgb c = i < int(colors.size()) ? colors[size_t(i)] : Rgb{0, 0, 0};
        s += {char(c.r), char(c.g), char(c.b)};
    }
    return s;
}

// Signature, screen descriptor and the global table (none when empty).
std::string Screen(int bits, const std::vector<Rgb>& colors)
{
    return "GIF89a" + Le16(300) + Le16(300) + char((colors.empty() ? 0 : 0x80) | (bits - 1)) + '\0' + '\0' +
           (colors.empty() ? "" : Table(colors, bits));
}

std::string Pack(const Codes& codes)
{
    std::string out;
    uint32_t acc = 0;
    int n = 0;
    for (auto [code, width] : codes) {
        acc |= uint32_t(code) << n;
        for (n += width; n >= 8; n -= 8, acc >>= 8)
            out += char(acc & 0xFF);
    }
    return n > 0 ? out + char(acc) : out;
}

std::string Blocks(const std::string& data, size_t size = 255)
{
    std::string out;
    for (size_t i = 0; i < data.size(); i += size)
        out += char(std::min(size, data.size() - i)) + data.substr(i, size);
    return out + '\0';
}

// Literal codes only, one pixel each; the code width follows the
// decoder's table growth as a real encoder's must, with a clear code
// before it would widen unless `deferClear`.
Codes Literals(const Indices& indices, int c, bool deferClear = false, bool endCode = true)
{
    const int clear = 1 << c;
    int width = c + 1, nextFree = clear + 2, limit = 2 * clear;
    bool first = true;
    Codes codes = {{clear, width}};
    for (uint8_t index : indices) {
        if (!deferClear && !first && nextFree + 1 >= limit) {
            codes.push_back({clear, width});
            width = c + 1, nextFree = clear + 2, limit = 2 * clear, first = true;
        }
        codes.push_back({index, width});
        if (!first && nextFree < 4096 && ++nextFree >= limit && limit < 4096)
            limit *= 2, ++width;
        first = false;
    }
    if (endCode)
        codes.push_back({clear + 1, width});
    return codes;
}

// An image descriptor with its data.
std::string Image(int width, int height, const std::string& data, int codeSize, bool interlaced = false,
                  const std::vector<Rgb>& local = {}, int localBits = 3)
{
    uint8_t flags = uint8_t((interlaced ? 0x40 : 0) | (local.empty() ? 0 : 0x80 | (localBits - 1)));
    return "," + Le16(0) + Le16(0) + Le16(width) + Le16(height) + char(flags) +
           (local.empty() ? "" : Table(local, localBits)) + char(codeSize) + data;
}

std::string Image(int width, int height, const Indices& indices, int codeSize, bool interlaced = false,
                  const std::vector<Rgb>& local = {}, int localBits = 3)
{
    return Image(width, height, Blocks(Pack(Literals(indices, codeSize))), codeSize, interlaced, local,
                 localBits);
}

const std::string kTransparent1 = std::string("\x21\xF9\x04\x01\x0A\x00\x01\x00", 8);

std::vector<Rgb> Ramp(int n)
{
    std::vector<Rgb> colors;
    for (int i = 0; i < n; ++i)
        colors.push_back(Rgb{uint8_t(i * 255 / std::max(1, n - 1)), uint8_t(255 - i * 7), uint8_t(i * 13)});
    return colors;
}

Indices Pattern(int width, int height, int colors, int seed = 0)
{
    Indices v;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            v.push_back(uint8_t((x * 3 + y * 5 + seed + (x * y) % 7) % colors));
    return v;
}

Pixels Expected(int width, int height, const Indices& rowMajor, const std::vector<Rgb>& colors)
{
    Pixels p{width, height, {}};
    for (uint8_t i : rowMajor)
        p.data.push_back(i < colors.size() ? MakePixel(colors[i].r, colors[i].g, colors[i].b)
                                           : MakePixel(0, 0, 0));
    return p;
}

Indices Interlace(const Indices& rowMajor, int width, int height)
{
    Indices out;
    for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
        for (int y = start; y < height; y += step)
            out.insert(out.end(), rowMajor.begin() + y * width, rowMajor.begin() + (y + 1) * width);
    return out;
}

// Our pixels against ImageMagick's and giftopnm's (alpha aside: we do not
// apply transparency).
void ExpectPeersAgree(const std::string& path, const std::string& what, int frame = 0)
{
    Pixels ours = DecodeWithVelkor(path);
    EXPECT_EQ(Diff(ours, Opaque(ReadWithImageMagick(path, frame))), "") << what << ": against ImageMagick";
    const std::string giftopnm = "giftopnm --image=" + std::to_string(frame + 1) + " " + Quote(path);
    EXPECT_EQ(Diff(ours, ReadWithNetpbm(giftopnm)), "") << what << ": against giftopnm";
}

} // namespace

TEST(GifPeers, FilesWrittenByImageMagickAndNetpbm)
{
    TempDir dir;
    const std::string ppm = dir.File("in.ppm"), out = dir.File("out.gif"),
                      im = ImageMagick() + " " + Quote(ppm);
    for (auto [w, h] : {std::pair{1, 1}, {3, 3}, {17, 5}, {301, 203}}) {
        WriteTestPpm(ppm, w, h, 0, unsigned(w));
        for (std::string command :
             {im + " ", im + " -interlace GIF ", im + " -colors 2 ", im + " -colorspace gray -colors 16 ",
              im + " -colors 64 -transparent black ", "pnmquant 256 " + Quote(ppm) + " | pamtogif > ",
              "pnmquant 200 " + Quote(ppm) + " | pamtogif -interlace > ",
              "pnmquant 5 " + Quote(ppm) + " | ppmtogif > "}) {
            ASSERT_EQ(vktest::Run("(" + command + Quote(out) + ") 2>/dev/null"), 0) << command;
            ExpectPeersAgree(out, command + std::to_string(w));
        }
    }
    // Three images of different sizes: the last one is kept.
    ASSERT_EQ(vktest::Run(ImageMagick() + " -size 20x15 xc:red -size 15x7 gradient:blue-yellow -seed 4 " +
                          "-size 9x13 plasma:fractal " + Quote(out) + " 2>/dev/null"),
              0);
    EXPECT_EQ(DecodeWithVelkor(out).width, 9);
    ExpectPeersAgree(out, "third frame", 2);
}

TEST(GifStreams, HandBuiltStreamsMatchPeers)
{
    TempDir dir;
    struct Case {
        std::string name, bytes;
        Pixels expected;
        int frame = 0;
    };
    std::vector<Case> cases;
    const std::vector<Rgb> c4 = Ramp(4), c16 = Ramp(16), c256 = Ramp(256);
    const std::vector<Rgb> local = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {100, 110, 120}, {1, 2, 3}};
    // Interlaced, 3 rows: passes 1, 3 and 4 give rows 0, 2, 1; 11 rows: all passes.
    Indices i3 = {0, 1, 2, 3, 1, 1, 3, 2, 2, 2, 2, 0}, i11 = Pattern(7, 11, 16);
    cases.push_back({"interlaced 3", Screen(2, c4) + Image(4, 3, Interlace(i3, 4, 3), 2, true) + ";",
                     Expected(4, 3, i3, c4)});
    cases.push_back({"interlaced 11", Screen(4, c16) + Image(7, 11, Interlace(i11, 7, 11), 4, true) + ";",
                     Expected(7, 11, i11, c16)});
    // Never cleared: the code width grows from 9 to 12 bits and stays.
    Indices wide = Pattern(100, 60, 256, 1);
    cases.push_back({"deferred clear",
                     Screen(8, c256) + Image(100, 60, Blocks(Pack(Literals(wide, 8, true))), 8) + ";",
                     Expected(100, 60, wide, c256)});
    // Codes spanning blocks of one byte.
    cases.push_back({"1-byte blocks",
                     Screen(8, c256) + Image(100, 60, Blocks(Pack(Literals(wide, 8)), 1), 8) + ";",
                     Expected(100, 60, wide, c256)});
    // Local table, then the global one, then local again; a comment and a
    // transparent index between them change nothing.
    Indices a = Pattern(8, 4, 8), b = Pattern(5, 3, 4, 2), c = Pattern(6, 6, 5, 3);
    std::string three = Screen(2, c4) + Image(8, 4, a, 3, false, local) + "\x21\xFE\x03hey" + '\0' +
                        kTransparent1 + Image(5, 3, b, 2);
    cases.push_back({"local then global", three + ";", Expected(5, 3, b, c4), 1});
    cases.push_back(
        {"local again", three + Image(6, 6, c, 3, false, local) + ";", Expected(6, 6, c, local), 2});
    // A short global table: indices past it are black.
    Indices past = Pattern(5, 5, 4);
    cases.push_back(
        {"index past table", Screen(2, Ramp(3)) + Image(5, 5, past, 2) + ";", Expected(5, 5, past, Ramp(3))});
    for (const Case& k : cases) {
        EXPECT_EQ(Gif(k.bytes), k.expected) << k.name;
        WriteFile(dir.File("case.gif"), k.bytes);
        ExpectPeersAgree(dir.File("case.gif"), k.name, k.frame);
    }
}

TEST(GifStreams, DepthsPalettesAndMissingTables)
{
    Indices idx = Pattern(9, 4, 16);
    // No colour table at all: the gray ramp, index i is (i, i, i).
    Pixels gray = Gif(Screen(4, {}) + Image(9, 4, idx, 4) + ";");
    for (size_t i = 0; i < idx.size(); ++i)
        EXPECT_EQ(gray.data[i], MakePixel(idx[i], idx[i], idx[i]));
    // An 8-bit destination gets the indices and the file's table.
    std::string file = Screen(4, Ramp(16)) + Image(9, 4, idx, 4) + ";";
    CWinBmp bmp;
    Pixels viaPalette = Gif(file, 0, &bmp);
    EXPECT_EQ(bmp.GetBitsPerPixel(), 8);
    EXPECT_EQ(bmp.GetSourceBitsPerPixel(), 4);
    EXPECT_EQ(bmp.GetLine(1)[2], idx[9 + 2]);
    EXPECT_EQ(viaPalette, Expected(9, 4, idx, Ramp(16)));
    // Code size 11, the largest that fits the tables.
    EXPECT_EQ(Gif(Screen(4, Ramp(16)) + Image(9, 4, Blocks(Pack(Literals(idx, 11))), 11) + ";"),
              Expected(9, 4, idx, Ramp(16)));
}

TEST(GifStreams, DamagedStreamsAreRefusedOrCutCleanly)
{
    const std::vector<Rgb> colors = Ramp(4);
    const Indices idx = Pattern(6, 5, 4);
    auto file = [&](const Codes& codes, int codeSize = 2) {
        return Screen(2, colors) + Image(6, 5, Blocks(Pack(codes)), codeSize) + ";";
    };
    EXPECT_EQ(GifError(file({{4, 3}, {1, 3}, {7, 3}})), ErrBadFormat); // 7 when 6 is the next free code
    EXPECT_EQ(GifError(file({{4, 3}, {6, 3}})), ErrBadFormat);         // a first code that is no pixel
    EXPECT_EQ(GifError(file(Literals(idx, 12), 12)), ErrBadFormat);    // code size beyond the tables
    EXPECT_EQ(GifError(Screen(2, colors) + Image(6, 5, idx, 2)), ErrEndOfFile); // no trailer
    EXPECT_EQ(GifError(Screen(2, colors) + ";"), ErrBadFormat);                 // no image
    Indices tooMany = idx;
    tooMany.insert(tooMany.end(), {1, 2, 3});
    CGIFDecoder decoder;
    EXPECT_EQ(ErrorOf(decoder, file(Literals(tooMany, 2))),
              std::pair(int(ErrBadFormat), Raised("Unknow format.")));

    // Data ending after 14 pixels without an end code: a warning, and the
    // rest is black; an end code after 20 pixels: no warning.
    std::vector<std::string> warnings;
    SetWarningCallback([&](const std::string& t) { warnings.push_back(t); });
    const Pixels full = Expected(6, 5, idx, colors);
    for (auto [count, endCode] : {std::pair{14, false}, {20, true}}) {
        Pixels p = Gif(file(Literals(Indices(idx.begin(), idx.begin() + count), 2, false, endCode)));
        for (int i = 0; i < 30; ++i)
            EXPECT_EQ(p.data[size_t(i)], i < count ? full.data[size_t(i)] : MakePixel(0, 0, 0))
                << count << " " << i;
    }
    SetWarningCallback(nullptr);
    EXPECT_EQ(warnings, std::vector<std::string>{"ran off the end of my bits"});
}

TEST(GifStreams, WarningsGoToTheScopeOfTheThreadThatRaisedThem)
{
    const std::vector<Rgb> colors = Ramp(4);
    const Indices idx = Pattern(6, 5, 4);
    const std::string cut =
        Screen(2, colors) +
        Image(6, 5, Blocks(Pack(Literals(Indices(idx.begin(), idx.begin() + 14), 2, false, false))), 2) + ";";
    std::vector<std::string> global, scoped, inner;
    SetWarningCallback([&](const std::string& t) { global.push_back(t); });
    {
        CWarningScope scope([&](const std::string& t) { scoped.push_back(t); });
        Gif(cut);
        {
            CWarningScope nested([&](const std::string& t) { inner.push_back(t); });
            Gif(cut);
        }
        Gif(cut);
        // Another thread is outside this thread's scope.
        std::thread other([&] { Gif(cut); });
        other.join();
    }
    Gif(cut);
    SetWarningCallback(nullptr);
    EXPECT_EQ(scoped.size(), 2u);
    EXPECT_EQ(inner.size(), 1u);
    EXPECT_EQ(global.size(), 2u);
    // A scope without a callback swallows the warning.
    {
        std::vector<std::string> none;
        SetWarningCallback([&](const std::string& t) { none.push_back(t); });
        CWarningScope quiet({});
        Gif(cut);
        SetWarningCallback(nullptr);
        EXPECT_TRUE(none.empty());
    }
}

TEST(GifDamage, TruncatedFlippedAndHugeFilesFailCleanly)
{
    const Indices idx = Pattern(23, 17, 16);
    const std::string good =
        Screen(4, Ramp(16)) + kTransparent1 + Image(23, 17, Interlace(idx, 23, 17), 4, true) + ";";
    ASSERT_EQ(GifError(good), 0);
    // Every truncation is the end-of-file error: the trailer is required.
    CGIFDecoder decoder;
    EXPECT_EQ(CutFailures(decoder, good, {ErrEndOfFile}), "");
    EXPECT_EQ(FlipFailures(decoder, good, Positions(6, good.size()), {0x01, 0x80, 0xFF},
                           {ErrEndOfFile, ErrBadFormat, ErrNoMemory}),
              "");
    // Pictures beyond the largest allowed, or larger than the rest of the
    // file could code, are refused before anything is allocated.
    const std::string data = Blocks(Pack(Literals(idx, 4)));
    EXPECT_EQ(GifError(Screen(4, Ramp(16)) + Image(65535, 65535, data + std::string(100000, ';'), 4)),
              ErrNoMemory);
    EXPECT_EQ(GifError(Screen(4, Ramp(16)) + Image(4000, 3000, data, 4) + ";"), ErrEndOfFile);
    // Files the fuzzer found.
    const std::vector<std::string> found = DataFiles(std::string(VELKOR_TEST_DATA) + "/gif/malformed");
    EXPECT_FALSE(found.empty());
    for (const std::string& path : found)
        EXPECT_NE(GifError(ReadFile(path)), ErrInternal) << path;
}

TEST(GifDamage, FramesWithoutDataCannotClaimMorePixelsThanTheFileCodes)
{
    // Thirty 8192 x 8192 frames of empty data, then a 9 KB comment: each
    // frame alone fits what the bytes after it could code, but every one of
    // them was once created and painted black, 2 billion pixels from 10 KB.
    std::string file = Screen(2, {});
    for (int i = 0; i < 30; ++i)
        file += Image(8192, 8192, std::string(1, '\0'), 2);
    file += "!\xFE";
    for (int i = 0; i < 36; ++i)
        file += char(255) + std::string(255, 'c');
    file += std::string(1, '\0') + ";";
    int64_t total = 0;
    CWatchedBmp bmp([&](int w, int h) { total += int64_t(w) * h; });
    CGIFDecoder decoder;
    try {
        DecodeBytes(decoder, file, 32, &bmp);
    } catch (const CTextException&) {
    }
    // At most 4096 pixels from a 12-bit code.
    EXPECT_LE(total, int64_t(file.size()) * 8 * 4096 / 12);
}
