// PCX, IFF/ILBM and PICT writers: the bytes the readers do not check (run
// rules, the plane layout chosen per colour count, row counts, padding) and
// what netpbm and ImageMagick read back, which pins the headers. Failed
// writes are in SaveDispatch_test.
#include "TestSupport.h"

#include "engine/picture/TextException.h"
#include "engine/save/ColorHash.h"
#include "engine/save/IFFEncoder.h"
#include "engine/save/PCXEncoder.h"
#include "engine/save/PackBitsEncoder.h"
#include "engine/save/PictEncoder.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace vktest;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes FileBytes(const std::string& path)
{
    std::string s = ReadFile(path);
    return Bytes(s.begin(), s.end());
}
unsigned LE16(const Bytes& b, size_t at)
{
    return b[at] | unsigned(b[at + 1]) << 8;
}
unsigned BE16(const Bytes& b, size_t at)
{
    return unsigned(b[at]) << 8 | b[at + 1];
}

Bytes Prefix(const Bytes& f, size_t from, size_t n)
{
    return Bytes(f.begin() + long(from), f.begin() + long(from + n));
}

Bytes Pcx(const Bytes& line)
{
    Bytes out(2 * line.size());
    out.resize(PcxEncodeLine(line.data(), line.size(), out.data()));
    return out;
}

// Undoes PCX run-length coding of `count` bytes from `at`, moving `at`.
Bytes PcxDecode(const Bytes& file, size_t& at, size_t count)
{
    Bytes out;
    while (out.size() < count && at < file.size()) {
        uint8_t b = file[at++];
        size_t run = b >= 0xC0 ? b & 0x3F : 1;
        if (b >= 0xC0)
            b = file[at++];
        out.insert(out.end(), run, b);
    }
    return out;
}

// The palette an 8-bit writer uses and the pixels it writes.
struct Reduced {
    CReducedPalette palette;
    Pixels pixels;
    unsigned Index(uint32_t pixel) const { return unsigned(palette.lookup.Find(pixel)); }
};
Reduced Reduce(const CBmp& bmp)
{
    Reduced r{ReducePalette(bmp), {}};
    r.pixels = Opaque(FromBitmap(*r.palette.pixels));
    return r;
}

const std::pair<int, int> kSizes[] = {{1, 1}, {7, 2}, {17, 9}, {40, 31}, {300, 5}};

// Palette pictures as (width, height, colours): colour counts read back
// exactly up to 256 and after median cut beyond, at each size that can
// hold them.
std::vector<std::tuple<int, int, int>> PaletteCases()
{
    std::vector<std::tuple<int, int, int>> cases;
    for (auto [w, h] : kSizes)
        for (int colors : {1, 2, 3, 5, 16, 17, 200, 256, 257, 1000})
            if (w * h >= colors || w * h == 1)
                cases.emplace_back(w, h, colors);
    return cases;
}

std::string CaseName(int w, int h, int colors)
{
    return std::to_string(colors) + " colours " + std::to_string(w) + "x" + std::to_string(h);
}

// Where the rows start in a PICT of n colours: header, opcodes, pixmap,
// colour table, rectangles and mode.
constexpr size_t kPictRowBytesAt = 512 + 2 + 8 + 4 + 2 + 24 + 12 + 2;
size_t PictRowsAt(int n)
{
    return kPictRowBytesAt + 46 + 8 + 8 * size_t(n) + 16 + 2;
}

} // namespace

TEST(PcxWriter, RunLengthRules)
{
    EXPECT_EQ(Pcx(Bytes(100, 10)), (Bytes{0xFF, 10, 0xE5, 10}));
    EXPECT_EQ(Pcx(Bytes(64, 10)), (Bytes{0xFF, 10, 10}));
    EXPECT_EQ(Pcx({0xC5}), (Bytes{0xC1, 0xC5}));
    EXPECT_EQ(Pcx({0xC0, 0xBF}), (Bytes{0xC1, 0xC0, 0xBF}));
    EXPECT_EQ(Pcx({1, 2, 2, 0xFF, 0xFF, 0xFF}), (Bytes{1, 0xC2, 2, 0xC3, 0xFF}));
    Bytes alternating; // the worst case: a count for every byte
    for (int i = 0; i < 50; ++i)
        alternating.push_back(uint8_t(0xC0 + (i & 1)));
    EXPECT_EQ(Pcx(alternating).size(), 100u);
}

TEST(PcxWriter, PaletteFormsChoosePlanesAndMapsByColourCount)
{
    TempDir dir;
    const struct {
        int colors, bits, planes;
    } cases[] = {{1, 1, 1}, {2, 1, 1}, {3, 1, 2},  {4, 1, 2}, {5, 1, 3},
                 {8, 1, 3}, {9, 1, 4}, {16, 1, 4}, {17, 8, 1}};
    for (auto c : cases) {
        SCOPED_TRACE(c.colors);
        CWinBmp bmp;
        MakePaletteTestPicture(bmp, 21, 4, c.colors);
        std::string path = dir.File("p.pcx");
        CPCXEncoder().Save(path, bmp, 8);
        Bytes f = FileBytes(path);
        Reduced r = Reduce(bmp);
        size_t lineBytes = c.bits == 1 ? 3 : 21;
        EXPECT_EQ(f[3], c.bits);
        EXPECT_EQ(f[65], c.planes);
        EXPECT_EQ(LE16(f, 66), lineBytes);
        Bytes map(48, 255); // the header map: colours, then white
        Bytes full(768, 255);
        for (int i = 0; i < r.palette.Count(); ++i) {
            const colorhist_item& e = r.palette.colors[size_t(i)];
            Bytes& m = i < 16 ? map : full;
            for (Bytes* t : {&m, &full}) {
                (*t)[3 * size_t(i)] = e.red;
                (*t)[3 * size_t(i) + 1] = e.green;
                (*t)[3 * size_t(i) + 2] = e.blue;
            }
        }
        EXPECT_EQ(Prefix(f, 16, 48), map);
        // Bit k of each index in plane k, leftmost pixel in the top bit,
        // bits past the line end 0.
        size_t at = 128;
        for (int k = 0; k < c.planes; ++k) {
            Bytes plane = PcxDecode(f, at, lineBytes);
            for (int x = 0; x < 24 && c.bits == 1; ++x) {
                unsigned index = x < 21 ? r.Index(bmp.GetLine32(0)[x]) : 0;
                EXPECT_EQ(plane[size_t(x / 8)] >> (7 - x % 8) & 1, index >> k & 1) << x << " plane " << k;
            }
        }
        PcxDecode(f, at, lineBytes * size_t(c.planes) * 3);
        if (c.bits == 8) { // the 256-colour map follows the image only here
            ASSERT_EQ(f.size(), at + 769);
            EXPECT_EQ(f[at], 12);
            EXPECT_EQ(Prefix(f, at + 1, 768), full);
        } else {
            EXPECT_EQ(at, f.size());
        }
    }
}

TEST(PcxWriter, PcxtoppmAndImageMagickReadBack)
{
    TempDir dir;
    std::string path = dir.File("p.pcx");
    for (auto [w, h] : kSizes) {
        CWinBmp bmp;
        MakeTestPicture(bmp, w, h);
        CPCXEncoder().Save(path, bmp, 24);
        EXPECT_EQ(Diff(ReadWithNetpbm("pcxtoppm " + Quote(path)), Opaque(FromBitmap(bmp))), "") << w;
        EXPECT_EQ(Diff(ReadWithImageMagick(path), Opaque(FromBitmap(bmp))), "") << w;
    }
    for (auto [w, h, colors] : PaletteCases()) {
        SCOPED_TRACE(CaseName(w, h, colors));
        CWinBmp bmp;
        MakePaletteTestPicture(bmp, w, h, colors);
        CPCXEncoder().Save(path, bmp, 8);
        Reduced r = Reduce(bmp);
        EXPECT_TRUE(colors > 256 || r.pixels == Opaque(FromBitmap(bmp)));
        EXPECT_GT(Psnr(r.pixels, Opaque(FromBitmap(bmp))), 25.0);
        EXPECT_EQ(Diff(ReadWithNetpbm("pcxtoppm " + Quote(path)), r.pixels), "");
        // ImageMagick shows one plane of one bit as black and white
        // whatever the colour map says.
        if (r.palette.Count() > 2) {
            EXPECT_EQ(Diff(ReadWithImageMagick(path), r.pixels), "");
        }
    }
}

TEST(IffWriter, IlbmtoppmReadsBackEveryColourCount)
{
    TempDir dir;
    for (auto [w, h, colors] : PaletteCases()) {
        SCOPED_TRACE(CaseName(w, h, colors));
        CWinBmp bmp;
        MakePaletteTestPicture(bmp, w, h, colors);
        std::string path = dir.File("p.iff");
        CIFFEncoder().Save(path, bmp);
        Reduced r = Reduce(bmp);
        int planes = 1;
        while ((1 << planes) < r.palette.Count())
            ++planes;
        EXPECT_EQ(FileBytes(path)[28], planes);
        EXPECT_EQ(Diff(ReadWithNetpbm("ilbmtoppm " + Quote(path)), r.pixels), "");
    }
}

TEST(PackBitsPacker, PacketsAreCutFromTheEnd)
{
    auto pack = [](const Bytes& in, bool rle) {
        Bytes out(PackBitsBound(in.size()));
        out.resize(rle ? PackBitsRow(in.data(), in.size(), out.data())
                       : PackBitsLiteralRow(in.data(), in.size(), out.data()));
        return out;
    };
    // 300 equal: the 44 remainder first, then two full runs.
    EXPECT_EQ(pack(Bytes(300, 7), true), (Bytes{uint8_t(1 - 44), 7, 0x81, 7, 0x81, 7}));
    EXPECT_EQ(pack({1, 1, 2}, true), (Bytes{2, 1, 1, 2}));
    EXPECT_EQ(pack({5, 1, 1, 1, 6, 7}, true), (Bytes{0, 5, 0xFE, 1, 1, 6, 7}));
    Bytes ramp;
    for (int i = 0; i < 130; ++i)
        ramp.push_back(uint8_t(i));
    Bytes packed = pack(ramp, true); // literals: 2, then 128
    ASSERT_EQ(packed.size(), 132u);
    EXPECT_EQ(Prefix(packed, 0, 4), (Bytes{1, 0, 1, 127}));
    Bytes literal = pack(Bytes(300, 7), false); // 128, 128, then 44
    ASSERT_EQ(literal.size(), 303u);
    EXPECT_EQ((Bytes{literal[0], literal[129], literal[258]}), (Bytes{127, 127, 43}));
}

TEST(PackBitsPacker, RandomRowsUnpackToThemselvesWithinTheBound)
{
    uint32_t state = 99;
    for (int round = 0; round < 400; ++round) {
        size_t n = size_t(round % 50 == 0 ? 1 + round * 3 : 1 + round % 300);
        Bytes row(n);
        for (auto& b : row) { // few values, so runs of every length occur
            state = state * 1664525u + 1013904223u;
            b = uint8_t((state >> 28) % (1 + round % 4));
        }
        Bytes out(PackBitsBound(n));
        size_t length = PackBitsRow(row.data(), n, out.data());
        ASSERT_LE(length, out.size());
        Bytes back;
        for (size_t at = 0; at < length;) {
            auto flag = int8_t(out[at++]);
            ASSERT_NE(flag, -128);
            if (flag >= 0) {
                back.insert(back.end(), out.begin() + long(at), out.begin() + long(at) + flag + 1);
                at += size_t(flag) + 1;
            } else {
                back.insert(back.end(), size_t(1 - flag), out[at++]);
            }
        }
        ASSERT_EQ(back, row) << "round " << round;
    }
}

TEST(PictWriter, RowCountsPacketsAndPadding)
{
    TempDir dir;
    for (int width : {7, 8, 250, 251, 300}) {
        for (bool rle : {true, false}) {
            SCOPED_TRACE(std::to_string(width) + (rle ? " rle" : " literal"));
            CWinBmp bmp;
            MakePaletteTestPicture(bmp, width, 1, 1);
            std::string path = dir.File("w.pct");
            CPictEncoder().Save(path, bmp, rle);
            Bytes f = FileBytes(path);
            size_t at = PictRowsAt(1), total;
            if (width < 8) { // narrow rows are stored as they are
                total = size_t(width);
                EXPECT_EQ(Prefix(f, at, total), Bytes(size_t(width), 0));
            } else { // a 16-bit count only past 250 bytes
                size_t countBytes = width > 250 ? 2 : 1;
                size_t count = countBytes == 2 ? BE16(f, at) : f[at];
                Bytes row = Prefix(f, at + countBytes, count);
                total = countBytes + count;
                if (rle && width == 300) {
                    EXPECT_EQ(row, (Bytes{uint8_t(1 - 44), 0, 0x81, 0, 0x81, 0}));
                } else if (!rle) {
                    EXPECT_EQ(row.size(), size_t(width) + (size_t(width) + 127) / 128);
                    EXPECT_EQ(row[0], width >= 128 ? 127 : width - 1);
                }
            }
            size_t end = at + total + (total & 1); // the end opcode on an even offset
            ASSERT_EQ(f.size(), end + 2);
            EXPECT_EQ(Prefix(f, end - (total & 1), 2 + (total & 1)),
                      (total & 1) ? (Bytes{0, 0, 0xFF}) : (Bytes{0, 0xFF}));
        }
    }
}

TEST(PictWriter, ImageMagickReadsBackEveryColourCount)
{
    TempDir dir;
    std::string path = dir.File("p.pct");
    for (auto [w, h, colors] : PaletteCases()) {
        SCOPED_TRACE(CaseName(w, h, colors));
        CWinBmp bmp;
        MakePaletteTestPicture(bmp, w, h, colors);
        const Pixels want = Reduce(bmp).pixels;
        for (bool rle : {true, false}) {
            CPictEncoder().Save(path, bmp, rle);
            EXPECT_EQ(Diff(ReadWithImageMagick(path), want), "") << rle;
        }
    }
    // Runs of every length between literals.
    CWinBmp bands;
    MakePaletteTestPicture(bands, 400, 6, 2);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 400; ++x)
            if ((x / (y * 29 + 3)) % 3 == 0)
                bands.GetLine32(y)[x] = MakePixel(255, 255, 255);
    CPictEncoder().Save(path, bands, true);
    EXPECT_EQ(Diff(ReadWithImageMagick(path), Reduce(bands).pixels), "");
}
