// PCX, IFF/ILBM and PICT writers: the bytes they lay down (headers, run
// rules, planes, packet order, padding), what netpbm and ImageMagick read
// back from them, and failed writes leaving the target alone.
#include "TestSupport.h"

#include "picture/except.h"
#include "save/ColorHash.h"
#include "save/IFFEncoder.h"
#include "save/PCXEncoder.h"
#include "save/PICTEncoder.h"
#include "save/packbitsenc.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <sys/resource.h>

using namespace vktest;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes FileBytes(const std::string& path)
{
    std::string s = ReadFile(path);
    return Bytes(s.begin(), s.end());
}

unsigned LE16(const Bytes& b, size_t at) { return b[at] | unsigned(b[at + 1]) << 8; }
unsigned BE16(const Bytes& b, size_t at) { return unsigned(b[at]) << 8 | b[at + 1]; }
uint32_t BE32(const Bytes& b, size_t at) { return uint32_t(BE16(b, at)) << 16 | BE16(b, at + 2); }

Bytes Pcx(const std::vector<uint8_t>& line)
{
    Bytes out(2 * line.size() + 2);
    out.resize(PcxEncodeLine(line.data(), line.size(), out.data()));
    return out;
}

// Undoes PCX run-length coding of `count` bytes starting at `at`; moves `at`
// past what it used.
Bytes PcxDecode(const Bytes& file, size_t& at, size_t count)
{
    Bytes out;
    while (out.size() < count && at < file.size()) {
        uint8_t b = file[at++];
        size_t run = 1;
        if (b >= 0xC0) {
            run = b & 0x3F;
            b = file[at++];
        }
        out.insert(out.end(), run, b);
    }
    return out;
}

// What an 8-bit writer writes: the palette and the pixels it takes.
struct Reduced {
    CReducedPalette palette;
    Pixels pixels;
};
Reduced Reduce(const CBmp& bmp)
{
    Reduced r{ReducePalette(bmp), {}};
    r.pixels = Opaque(FromBitmap(*r.palette.pixels));
    return r;
}

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

size_t DistinctColors(const Pixels& p) { return std::set<uint32_t>(p.data.begin(), p.data.end()).size(); }

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

// Colour counts the peers must read back: exactly up to 256, close beyond.
const int kColorCounts[] = {1, 2, 3, 5, 16, 17, 200, 256, 257, 1000};

// ---------------------------------------------------------------- PICT layout

// Offsets in a file written by CPICTEncoder with n colours.
constexpr size_t kPictRowBytesAt = 512 + 2 + 8 + 4 + 2 + 24 + 12 + 2;   // after opcode 0x0098
constexpr size_t kPictColorTableAt = kPictRowBytesAt + 46;
size_t PictRowsAt(int n) { return kPictColorTableAt + 8 + 8 * size_t(n) + 16 + 2; }

} // namespace

// ---------------------------------------------------------------- PCX

TEST(PcxWriter, RunLengthRules)
{
    EXPECT_EQ(Pcx(Bytes(100, 10)), (Bytes{0xFF, 10, 0xE5, 10}));
    EXPECT_EQ(Pcx(Bytes(63, 10)), (Bytes{0xFF, 10}));
    EXPECT_EQ(Pcx(Bytes(64, 10)), (Bytes{0xFF, 10, 10}));
    EXPECT_EQ(Pcx({0xC5}), (Bytes{0xC1, 0xC5}));
    EXPECT_EQ(Pcx({0xC0}), (Bytes{0xC1, 0xC0}));
    EXPECT_EQ(Pcx({0xBF}), (Bytes{0xBF}));
    EXPECT_EQ(Pcx({1, 2, 2, 3}), (Bytes{1, 0xC2, 2, 3}));
    EXPECT_EQ(Pcx({0xFF, 0xFF, 0xFF, 0}), (Bytes{0xC3, 0xFF, 0}));
    EXPECT_TRUE(Pcx({}).empty());
    // Worst case: every byte needs its own count.
    Bytes alternating;
    for (int i = 0; i < 50; ++i)
        alternating.push_back(uint8_t(0xC0 + (i & 1)));
    EXPECT_EQ(Pcx(alternating).size(), 100u);
}

TEST(PcxWriter, TrueColorHeaderAndPlaneOrder)
{
    TempDir dir;
    CWinBmp bmp;
    MakeTestPicture(bmp, 5, 3);
    bmp.GetLine32(0)[0] = MakePixel(11, 22, 33);
    std::string path = dir.File("t.pcx");
    CPCXEncoder().Save(path, bmp, 24);
    Bytes f = FileBytes(path);
    ASSERT_GE(f.size(), 128u);
    EXPECT_EQ(f[0], 10);
    EXPECT_EQ(f[1], 5);
    EXPECT_EQ(f[2], 1);
    EXPECT_EQ(f[3], 8);                      // bits per pixel per plane
    EXPECT_EQ(LE16(f, 4), 0u);
    EXPECT_EQ(LE16(f, 6), 0u);
    EXPECT_EQ(LE16(f, 8), 4u);               // xmax
    EXPECT_EQ(LE16(f, 10), 2u);              // ymax
    EXPECT_EQ(LE16(f, 12), 5u);              // resolution fields hold the size
    EXPECT_EQ(LE16(f, 14), 3u);
    for (size_t i = 16; i < 64; ++i)
        EXPECT_EQ(f[i], 255) << i;
    EXPECT_EQ(f[64], 0);
    EXPECT_EQ(f[65], 3);                     // planes
    EXPECT_EQ(LE16(f, 66), 5u);              // bytes per line
    EXPECT_EQ(LE16(f, 68), 1u);
    for (size_t i = 70; i < 128; ++i)
        EXPECT_EQ(f[i], 0) << i;
    size_t at = 128;
    Bytes red = PcxDecode(f, at, 5), green = PcxDecode(f, at, 5), blue = PcxDecode(f, at, 5);
    EXPECT_EQ(red[0], 11);
    EXPECT_EQ(green[0], 22);
    EXPECT_EQ(blue[0], 33);
    PcxDecode(f, at, 10 * 3);
    EXPECT_EQ(at, f.size());                 // no trailing map
}

TEST(PcxWriter, PaletteFormsChoosePlanesByColourCount)
{
    TempDir dir;
    const struct {
        int colors, bits, planes;
    } cases[] = {{1, 1, 1}, {2, 1, 1}, {3, 1, 2}, {4, 1, 2}, {5, 1, 3}, {8, 1, 3}, {9, 1, 4}, {16, 1, 4}, {17, 8, 1}};
    for (auto c : cases) {
        SCOPED_TRACE(c.colors);
        CWinBmp bmp;
        MakePaletteTestPicture(bmp, 21, 4, c.colors);
        std::string path = dir.File("p.pcx");
        CPCXEncoder().Save(path, bmp, 8);
        Bytes f = FileBytes(path);
        Reduced r = Reduce(bmp);
        EXPECT_EQ(f[3], c.bits);
        EXPECT_EQ(f[65], c.planes);
        EXPECT_EQ(LE16(f, 66), c.bits == 1 ? 3u : 21u);
        // Header map: the colours, white after them.
        for (int i = 0; i < 16; ++i) {
            uint8_t expected[3] = {255, 255, 255};
            if (i < r.palette.Count()) {
                const colorhist_item& c = r.palette.colors[size_t(i)];
                expected[0] = c.red;
                expected[1] = c.green;
                expected[2] = c.blue;
            }
            EXPECT_EQ(f[16 + 3 * size_t(i)], expected[0]) << i;
            EXPECT_EQ(f[17 + 3 * size_t(i)], expected[1]) << i;
            EXPECT_EQ(f[18 + 3 * size_t(i)], expected[2]) << i;
        }
        // The 256-colour map follows the image only in the 8-bit form.
        size_t at = 128;
        PcxDecode(f, at, size_t(LE16(f, 66)) * c.planes * 4);
        if (c.bits == 8) {
            ASSERT_EQ(f.size(), at + 769);
            EXPECT_EQ(f[at], 12);
            EXPECT_EQ(f[at + 1], r.palette.colors[0].red);
            EXPECT_EQ(f[at + 1 + 3 * 17], 255);   // after the last colour
            EXPECT_EQ(f.back(), 255);
        } else {
            EXPECT_EQ(at, f.size());
        }
    }
}

TEST(PcxWriter, IndexBitsGoToTheirPlanes)
{
    // 5 colours: 3 planes; the pixel of index 5 sets bits in planes 0 and 2.
    TempDir dir;
    CWinBmp bmp;
    MakePaletteTestPicture(bmp, 10, 1, 5);
    std::string path = dir.File("p.pcx");
    CPCXEncoder().Save(path, bmp, 8);
    Reduced r = Reduce(bmp);
    Bytes f = FileBytes(path);
    ASSERT_EQ(f[65], 3);
    size_t at = 128;
    Bytes planes[3] = {PcxDecode(f, at, 2), PcxDecode(f, at, 2), PcxDecode(f, at, 2)};
    for (int x = 0; x < 10; ++x) {
        unsigned index = unsigned(r.palette.lookup.Find(bmp.GetLine32(0)[x]));
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(planes[k][size_t(x / 8)] >> (7 - x % 8) & 1, index >> k & 1) << x << " plane " << k;
    }
    // Bits past the line end are zero.
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(planes[k][1] & 0x3F, 0) << k;
}

TEST(PcxWriter, PeersReadBackEveryColourCount)
{
    TempDir dir;
    const std::pair<int, int> sizes[] = {{1, 1}, {17, 9}, {40, 31}};
    for (int colors : kColorCounts) {
        for (auto [w, h] : sizes) {
            if (w * h < colors && w * h > 1)
                continue;
            SCOPED_TRACE(std::to_string(colors) + " colours " + std::to_string(w) + "x" + std::to_string(h));
            CWinBmp bmp;
            MakePaletteTestPicture(bmp, w, h, colors);
            std::string path = dir.File("p.pcx");
            CPCXEncoder().Save(path, bmp, 8);
            Reduced r = Reduce(bmp);
            if (colors <= 256) {
                EXPECT_EQ(r.pixels, Opaque(FromBitmap(bmp)));
            }
            EXPECT_TRUE(SamePixels(ReadWithNetpbm("pcxtoppm " + Quote(path)), r.pixels));
            // ImageMagick shows one plane of one bit as black and white
            // whatever the colour map says.
            if (r.palette.Count() > 2) {
                EXPECT_TRUE(SamePixels(ReadWithImageMagick(path), r.pixels));
            }
        }
    }
}

TEST(PcxWriter, TrueColorPeersReadExactly)
{
    TempDir dir;
    const std::pair<int, int> sizes[] = {{1, 1}, {2, 2}, {31, 7}, {130, 20}};
    for (auto [w, h] : sizes) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        CWinBmp bmp;
        MakeTestPicture(bmp, w, h);
        std::string path = dir.File("t.pcx");
        CPCXEncoder().Save(path, bmp, 24);
        EXPECT_TRUE(SamePixels(ReadWithNetpbm("pcxtoppm " + Quote(path)), Opaque(FromBitmap(bmp))));
        EXPECT_TRUE(SamePixels(ReadWithImageMagick(path), Opaque(FromBitmap(bmp))));
    }
}

TEST(PcxWriter, ManyColoursAreReducedCloseToTheSource)
{
    TempDir dir;
    CWinBmp bmp;
    MakeTestPicture(bmp, 64, 48);
    std::string path = dir.File("m.pcx");
    CPCXEncoder().Save(path, bmp, 8);
    Pixels back = ReadWithNetpbm("pcxtoppm " + Quote(path));
    EXPECT_LE(DistinctColors(back), 256u);
    EXPECT_GT(Psnr(back, Opaque(FromBitmap(bmp))), 25.0);
}

// ---------------------------------------------------------------- IFF

TEST(IffWriter, ChunkLayoutWithOddColourMap)
{
    TempDir dir;
    CWinBmp bmp;
    MakePaletteTestPicture(bmp, 19, 3, 3);
    std::string path = dir.File("i.iff");
    CIFFEncoder().Save(path, bmp);
    Bytes f = FileBytes(path);
    Reduced r = Reduce(bmp);
    const size_t body = 4 * 2 * 3;   // (19 + 15) / 16 words x 2 bytes x 2 planes x 3 lines
    ASSERT_EQ(f.size(), 8 + 4 + 28 + 8 + 10 + 12 + 8 + body);
    EXPECT_EQ(std::string(f.begin(), f.begin() + 4), "FORM");
    EXPECT_EQ(BE32(f, 4), f.size() - 8);
    EXPECT_EQ(BE32(f, 4), 9 + 1 + body + 60);
    EXPECT_EQ(std::string(f.begin() + 8, f.begin() + 16), "ILBMBMHD");
    EXPECT_EQ(BE32(f, 16), 20u);
    EXPECT_EQ(BE16(f, 20), 19u);
    EXPECT_EQ(BE16(f, 22), 3u);
    EXPECT_EQ(BE32(f, 24), 0u);              // x, y
    EXPECT_EQ(f[28], 2);                     // planes
    EXPECT_EQ(f[29], 0);                     // masking
    EXPECT_EQ(f[30], 0);                     // compression
    EXPECT_EQ(f[31], 0);
    EXPECT_EQ(BE16(f, 32), 0u);              // transparent colour
    EXPECT_EQ(f[34], 10);
    EXPECT_EQ(f[35], 10);
    EXPECT_EQ(BE16(f, 36), 19u);
    EXPECT_EQ(BE16(f, 38), 3u);
    EXPECT_EQ(std::string(f.begin() + 40, f.begin() + 44), "CMAP");
    EXPECT_EQ(BE32(f, 44), 9u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(f[48 + 3 * size_t(i)], r.palette.colors[size_t(i)].red);
        EXPECT_EQ(f[49 + 3 * size_t(i)], r.palette.colors[size_t(i)].green);
        EXPECT_EQ(f[50 + 3 * size_t(i)], r.palette.colors[size_t(i)].blue);
    }
    EXPECT_EQ(f[57], 0);                     // pad byte
    EXPECT_EQ(std::string(f.begin() + 58, f.begin() + 62), "CAMG");
    EXPECT_EQ(BE32(f, 62), 4u);
    EXPECT_EQ(BE32(f, 66), 0u);
    EXPECT_EQ(std::string(f.begin() + 70, f.begin() + 74), "BODY");
    EXPECT_EQ(BE32(f, 74), body);
    // First line, plane 0 then plane 1, 4 bytes each; bits past the end 0.
    for (int x = 0; x < 19; ++x) {
        unsigned index = unsigned(r.palette.lookup.Find(bmp.GetLine32(0)[x]));
        for (int k = 0; k < 2; ++k)
            EXPECT_EQ(f[78 + 4 * size_t(k) + size_t(x / 8)] >> (7 - x % 8) & 1, index >> k & 1) << x;
    }
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(f[78 + 4 * size_t(k) + 2] & 0x1F, 0);
        EXPECT_EQ(f[78 + 4 * size_t(k) + 3], 0);
    }
}

TEST(IffWriter, IlbmtoppmReadsBackEveryColourCount)
{
    TempDir dir;
    const std::pair<int, int> sizes[] = {{1, 1}, {17, 9}, {40, 31}};
    for (int colors : kColorCounts) {
        for (auto [w, h] : sizes) {
            if (w * h < colors && w * h > 1)
                continue;
            SCOPED_TRACE(std::to_string(colors) + " colours " + std::to_string(w) + "x" + std::to_string(h));
            CWinBmp bmp;
            MakePaletteTestPicture(bmp, w, h, colors);
            std::string path = dir.File("p.iff");
            CIFFEncoder().Save(path, bmp);
            Reduced r = Reduce(bmp);
            Bytes f = FileBytes(path);
            int planes = 1;
            while ((1 << planes) < r.palette.Count())
                ++planes;
            EXPECT_EQ(f[28], planes);
            EXPECT_TRUE(SamePixels(ReadWithNetpbm("ilbmtoppm " + Quote(path)), r.pixels));
        }
    }
}

// ---------------------------------------------------------------- PackBits

TEST(PackBitsPacker, PacketsAreCutFromTheEnd)
{
    auto pack = [](const Bytes& in) {
        Bytes out(PackBitsBound(in.size()));
        out.resize(PackBitsRow(in.data(), in.size(), out.data()));
        return out;
    };
    // 300 equal: the 44 remainder first, then two full runs.
    EXPECT_EQ(pack(Bytes(300, 7)), (Bytes{uint8_t(1 - 44), 7, uint8_t(1 - 128), 7, uint8_t(1 - 128), 7}));
    EXPECT_EQ(pack(Bytes(3, 9)), (Bytes{0xFE, 9}));
    EXPECT_EQ(pack({1, 1, 2}), (Bytes{2, 1, 1, 2}));
    EXPECT_EQ(pack({5, 1, 1, 1, 6, 7}), (Bytes{0, 5, 0xFE, 1, 1, 6, 7}));
    // 130 literal bytes: 2, then 128.
    Bytes ramp;
    for (int i = 0; i < 130; ++i)
        ramp.push_back(uint8_t(i));
    Bytes packed = pack(ramp);
    ASSERT_EQ(packed.size(), 132u);
    EXPECT_EQ(packed[0], 1);
    EXPECT_EQ(packed[1], 0);
    EXPECT_EQ(packed[3], 127);
    EXPECT_EQ(packed[4], 2);

    Bytes literal(PackBitsBound(300));
    literal.resize(PackBitsLiteralRow(Bytes(300, 7).data(), 300, literal.data()));
    ASSERT_EQ(literal.size(), 303u);
    EXPECT_EQ(literal[0], 127);
    EXPECT_EQ(literal[129], 127);
    EXPECT_EQ(literal[258], 43);
}

TEST(PackBitsPacker, RandomRowsUnpackToThemselvesWithinTheBound)
{
    uint32_t state = 99;
    for (int round = 0; round < 400; ++round) {
        size_t n = size_t(round % 50 == 0 ? 1 + round * 3 : 1 + round % 300);
        Bytes row(n);
        for (auto& b : row) {
            state = state * 1664525u + 1013904223u;
            // Few values, so runs of every length occur.
            b = uint8_t((state >> 28) % (1 + round % 4));
        }
        Bytes out(PackBitsBound(n));
        size_t length = PackBitsRow(row.data(), n, out.data());
        ASSERT_LE(length, out.size());
        Bytes back;
        for (size_t at = 0; at < length;) {
            auto flag = int8_t(out[at++]);
            if (flag >= 0) {
                back.insert(back.end(), out.begin() + long(at), out.begin() + long(at) + flag + 1);
                at += size_t(flag) + 1;
            } else {
                ASSERT_NE(flag, -128);
                back.insert(back.end(), size_t(1 - flag), out[at++]);
            }
        }
        ASSERT_EQ(back, row) << "round " << round;
    }
}

// ---------------------------------------------------------------- PICT

TEST(PictWriter, HeaderAndColourTable)
{
    TempDir dir;
    CWinBmp bmp;
    MakePaletteTestPicture(bmp, 12, 5, 3);
    std::string path = dir.File("p.pct");
    CPICTEncoder().Save(path, bmp, true);
    Bytes f = FileBytes(path);
    Reduced r = Reduce(bmp);
    ASSERT_GT(f.size(), PictRowsAt(3));
    for (size_t i = 0; i < 512; ++i)
        ASSERT_EQ(f[i], 0) << i;
    EXPECT_EQ(BE16(f, 512), (f.size() - 512) & 0xFFFF);
    const unsigned frame[] = {0, 0, 5, 12};
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(BE16(f, 514 + 2 * i), frame[i]);
    EXPECT_EQ(BE32(f, 522), 0x001102FFu);
    EXPECT_EQ(BE16(f, 526), 0x0C00u);
    EXPECT_EQ(BE32(f, 528), 0xFFFFFFFFu);
    EXPECT_EQ(BE32(f, 532), 0u);
    EXPECT_EQ(BE32(f, 536), 0u);
    EXPECT_EQ(BE32(f, 540), 12u << 16);
    EXPECT_EQ(BE32(f, 544), 5u << 16);
    EXPECT_EQ(BE32(f, 548), 0u);
    EXPECT_EQ(BE16(f, 552), 0x0001u);      // clip region
    EXPECT_EQ(BE16(f, 554), 10u);
    EXPECT_EQ(BE16(f, 560), 5u);
    EXPECT_EQ(BE16(f, 562), 12u);
    EXPECT_EQ(BE16(f, 564), 0x0098u);
    size_t p = kPictRowBytesAt;
    EXPECT_EQ(BE16(f, p), 0x8000u | 12u);
    EXPECT_EQ(BE16(f, p + 6), 5u);
    EXPECT_EQ(BE16(f, p + 8), 12u);
    EXPECT_EQ(BE32(f, p + 14), 0u);          // pack size
    EXPECT_EQ(BE32(f, p + 18), 72u << 16);
    EXPECT_EQ(BE32(f, p + 22), 72u << 16);
    EXPECT_EQ(BE16(f, p + 26), 0u);          // pixel type
    EXPECT_EQ(BE16(f, p + 28), 8u);          // pixel size
    EXPECT_EQ(BE16(f, p + 30), 1u);
    EXPECT_EQ(BE16(f, p + 32), 8u);
    size_t t = kPictColorTableAt;
    EXPECT_EQ(BE32(f, t), 0u);
    EXPECT_EQ(BE16(f, t + 4), 0u);
    EXPECT_EQ(BE16(f, t + 6), 2u);           // n - 1
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(BE16(f, t + 8 + 8 * i), i);
        EXPECT_EQ(BE16(f, t + 10 + 8 * i), r.palette.colors[i].red * 257u);
        EXPECT_EQ(BE16(f, t + 12 + 8 * i), r.palette.colors[i].green * 257u);
        EXPECT_EQ(BE16(f, t + 14 + 8 * i), r.palette.colors[i].blue * 257u);
    }
    size_t rects = t + 8 + 24;
    EXPECT_EQ(BE16(f, rects + 4), 5u);
    EXPECT_EQ(BE16(f, rects + 14), 12u);
    EXPECT_EQ(BE16(f, rects + 16), 0u);      // copy mode
    EXPECT_EQ(BE16(f, f.size() - 2), 0x00FFu);
}

TEST(PictWriter, RowCountWidthAndPackets)
{
    TempDir dir;
    for (int width : {250, 251, 300}) {
        for (bool rle : {true, false}) {
            SCOPED_TRACE(std::to_string(width) + (rle ? " rle" : " literal"));
            CWinBmp bmp;
            MakePaletteTestPicture(bmp, width, 1, 1);
            std::string path = dir.File("w.pct");
            CPICTEncoder().Save(path, bmp, rle);
            Bytes f = FileBytes(path);
            size_t at = PictRowsAt(1);
            bool wide = width > 250;
            size_t count = wide ? BE16(f, at) : f[at];
            Bytes row(f.begin() + long(at + (wide ? 2 : 1)), f.begin() + long(at + (wide ? 2 : 1) + count));
            if (rle && width == 300) {
                EXPECT_EQ(row, (Bytes{uint8_t(1 - 44), 0, 0x81, 0, 0x81, 0}));
            } else if (!rle) {
                EXPECT_EQ(row.size(), size_t(width) + (size_t(width) + 127) / 128);
                EXPECT_EQ(row[0], 127);
            }
            size_t total = (wide ? 2 : 1) + count;
            size_t end = at + total + (total & 1);
            ASSERT_EQ(f.size(), end + 2);
            EXPECT_EQ(BE16(f, end), 0x00FFu);
            if (total & 1) {
                EXPECT_EQ(f[end - 1], 0);
            }
        }
    }
}

TEST(PictWriter, NarrowRowsAreStoredUnpacked)
{
    // Readers take rows under 8 bytes as they are, without a count.
    TempDir dir;
    CWinBmp bmp;
    MakePaletteTestPicture(bmp, 7, 3, 4);
    std::string path = dir.File("n.pct");
    CPICTEncoder().Save(path, bmp, true);
    Bytes f = FileBytes(path);
    EXPECT_EQ(f.size(), PictRowsAt(4) + 7 * 3 + 1 + 2);
}

TEST(PictWriter, ImageMagickReadsBackEveryColourCount)
{
    TempDir dir;
    const std::pair<int, int> sizes[] = {{1, 1}, {7, 2}, {8, 3}, {17, 9}, {251, 4}, {300, 5}};
    for (int colors : kColorCounts) {
        for (auto [w, h] : sizes) {
            if (w * h < colors && w * h > 1)
                continue;
            for (bool rle : {true, false}) {
                SCOPED_TRACE(std::to_string(colors) + " colours " + std::to_string(w) + "x" + std::to_string(h) +
                             (rle ? " rle" : ""));
                CWinBmp bmp;
                MakePaletteTestPicture(bmp, w, h, colors);
                std::string path = dir.File("p.pct");
                CPICTEncoder().Save(path, bmp, rle);
                EXPECT_TRUE(SamePixels(ReadWithImageMagick(path), Reduce(bmp).pixels));
            }
        }
    }
}

TEST(PictWriter, RunsInRealPicturesReadBack)
{
    TempDir dir;
    CWinBmp bmp;
    MakePaletteTestPicture(bmp, 400, 6, 2);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 400; ++x)
            if ((x / (y + 3)) % 3 == 0)
                bmp.GetLine32(y)[x] = MakePixel(255, 255, 255);
    std::string path = dir.File("r.pct");
    CPICTEncoder().Save(path, bmp, true);
    EXPECT_TRUE(SamePixels(ReadWithImageMagick(path), Reduce(bmp).pixels));
    CPICTEncoder().Save(dir.File("l.pct"), bmp, false);
    EXPECT_LT(FileBytes(path).size(), FileBytes(dir.File("l.pct")).size());
}

// ------------------------------------------------- failed writes, all three

namespace {

struct PaletteWriter {
    const char* name;
    std::function<void(const std::string&, CBmp&)> save;
};

const PaletteWriter kPaletteWriters[] = {
    {"pcx8", [](const std::string& p, CBmp& b) { CPCXEncoder().Save(p, b, 8); }},
    {"pcx24", [](const std::string& p, CBmp& b) { CPCXEncoder().Save(p, b, 24); }},
    {"iff", [](const std::string& p, CBmp& b) { CIFFEncoder().Save(p, b); }},
    {"pict-rle", [](const std::string& p, CBmp& b) { CPICTEncoder().Save(p, b, true); }},
    {"pict", [](const std::string& p, CBmp& b) { CPICTEncoder().Save(p, b, false); }},
};

bool OnlyTarget(const std::string& dir)
{
    for (auto& e : std::filesystem::directory_iterator(dir))
        if (e.path().filename() != "target")
            return false;
    return true;
}

} // namespace

TEST(PcxIffPictWriters, FailedWritesLeaveTheTarget)
{
    CWinBmp bmp;
    MakeTestPicture(bmp, 300, 200);
    for (const PaletteWriter& w : kPaletteWriters) {
        SCOPED_TRACE(w.name);
        TempDir dir;
        std::string path = dir.File("target");
        WriteFile(path, "old contents");
        // Full disk.
        int code = 0;
        WithFileSizeLimit(4096, [&] {
            try {
                w.save(path, bmp);
            } catch (const CTextException& e) {
                code = e.GetCode();
            }
        });
        EXPECT_EQ(code, ErrWriting);
        EXPECT_EQ(ReadFile(path), "old contents");
        EXPECT_TRUE(OnlyTarget(dir.Path()));
        // A directory in the way, a missing folder.
        std::filesystem::create_directory(dir.File("target.d"));
        EXPECT_THROW(w.save(dir.File("target.d"), bmp), CTextException);
        EXPECT_TRUE(std::filesystem::is_directory(dir.File("target.d")));
        std::filesystem::remove(dir.File("target.d"));
        EXPECT_THROW(w.save(dir.File("missing/target"), bmp), CTextException);
        EXPECT_TRUE(OnlyTarget(dir.Path()));
        // And a write that works replaces it.
        w.save(path, bmp);
        EXPECT_NE(ReadFile(path), "old contents");
        EXPECT_TRUE(OnlyTarget(dir.Path()));
    }
}

TEST(PcxIffPictWriters, SizesTheFormatsCannotHoldAreRefused)
{
    TempDir dir;
    CWinBmp wide;
    wide.Create(70000, 1, 32, false);
    std::memset(wide.GetLine(0), 0, size_t(wide.GetLineBytes()));
    CWinBmp pictWide;
    pictWide.Create(0x4000, 1, 32, false);
    std::memset(pictWide.GetLine(0), 0, size_t(pictWide.GetLineBytes()));
    for (const PaletteWriter& w : kPaletteWriters) {
        SCOPED_TRACE(w.name);
        CWinBmp& bmp = std::string(w.name).rfind("pict", 0) == 0 ? pictWide : wide;
        try {
            w.save(dir.File("big"), bmp);
            ADD_FAILURE() << "no exception";
        } catch (const CTextException& e) {
            EXPECT_EQ(e.GetCode(), ErrUnsupported);
        }
        EXPECT_FALSE(FileExists(dir.File("big")));
    }
}

TEST(PcxIffPictWriters, PictureIsNotChanged)
{
    TempDir dir;
    CWinBmp bmp;
    MakeTestPicture(bmp, 50, 40);
    Pixels before = FromBitmap(bmp);
    for (const PaletteWriter& w : kPaletteWriters)
        w.save(dir.File(std::string("x.") + w.name), bmp);
    EXPECT_EQ(FromBitmap(bmp), before);
}
