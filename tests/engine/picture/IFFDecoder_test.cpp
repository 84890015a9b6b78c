// IFF/ILBM decoding: files from ppmtoilbm (palette, HAM, 24 planes, with
// and without compression) must give ilbmtoppm's pixels; hand-built files
// pin EHB, masking, gray and error rules; damaged files fail cleanly.
#include "TestSupport.h"
#include "engine/picture/IFFDecoder.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace vktest;

namespace {

Pixels DecodeIff(const std::string& bytes)
{
    CIFFDecoder decoder;
    CWinBmp bmp;
    Pixels p = DecodeBytes(decoder, bytes, 0, &bmp);
    EXPECT_EQ(bmp.GetBitsPerPixel(), 32);
    return p;
}

std::pair<int, std::string> IffError(const std::string& bytes)
{
    CIFFDecoder decoder;
    return ErrorOf(decoder, bytes, 0);
}

std::string Chunk(const std::string& id, const std::string& data)
{
    return id + Be32(uint32_t(data.size())) + data + (data.size() & 1 ? std::string(1, '\0') : "");
}

std::string Form(const std::string& chunks)
{
    return "FORM" + Be32(uint32_t(4 + chunks.size())) + "ILBM" + chunks;
}

std::string Bmhd(int width, int height, int planes, int masking = 0, int compression = 0)
{
    return Chunk("BMHD", Be16(width) + Be16(height) + Be16(0) + Be16(0) + char(planes) + char(masking) +
                             char(compression) + '\0' + Be16(0) + char(10) + char(11) + Be16(width) +
                             Be16(height));
}

struct Rgb {
    uint8_t r, g, b;
};

std::string Cmap(const std::vector<Rgb>& colors)
{
    std::string s;
    for (const Rgb& c : colors)
        s += {char(c.r), char(c.g), char(c.b)};
    return Chunk("CMAP", s);
}

std::string Camg(uint32_t mode)
{
    return Chunk("CAMG", Be32(mode));
}

// ByteRun1 for one plane row: repeats as runs, single bytes as literals
// (files from ppmtoilbm carry longer literals).
std::string ByteRun1(const std::string& row)
{
    std::string out;
    for (size_t i = 0, n; i < row.size(); i += n) {
        for (n = 1; i + n < row.size() && row[i + n] == row[i] && n < 128;)
            ++n;
        out += {char(n > 1 ? 257 - n : 0), row[i]};
    }
    return out;
}

// BODY rows: plane k of each row holds bit k of the values (row-major).
// A mask plane of all ones follows the planes when `mask`.
std::string Body(int width, int height, int planes, const std::vector<uint32_t>& values, bool mask = false,
                 bool compress = false)
{
    const size_t rowBytes = size_t((width + 15) / 16 * 2);
    std::string body;
    for (int y = 0; y < height; ++y) {
        for (int k = 0; k < planes + (mask ? 1 : 0); ++k) {
            std::string row(rowBytes, '\0');
            for (int x = 0; x < width; ++x)
                if (k == planes || ((values[size_t(y * width + x)] >> k) & 1))
                    row[size_t(x / 8)] = char(row[size_t(x / 8)] | (0x80 >> (x % 8)));
            body += compress ? ByteRun1(row) : row;
        }
    }
    return Chunk("BODY", body);
}

std::vector<Rgb> Colors(int n)
{
    std::vector<Rgb> c;
    for (int i = 0; i < n; ++i)
        c.push_back(Rgb{uint8_t(i * 8 + 2), uint8_t(250 - i * 3), uint8_t(i * 29)});
    return c;
}

std::vector<uint32_t> Values(int width, int height, uint32_t modulo)
{
    std::vector<uint32_t> v;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            v.push_back(uint32_t(x * 5 + y * 3 + x * y) % modulo);
    return v;
}

Pixels ReadWithIlbmtoppm(const std::string& path)
{
    return ReadWithNetpbm("ilbmtoppm " + Quote(path) + " 2>/dev/null | pamdepth 255");
}

// HAM: we stretch the 0..maxval values to 0..255, while ilbmtoppm keeps the
// held colour's low bits under a modified channel. The top `hamBits` bits
// of every channel, the ones the file sets, must agree.
bool SameHamBits(const Pixels& ours, const Pixels& theirs, int hamBits)
{
    if (ours.width != theirs.width || ours.height != theirs.height)
        return false;
    const int drop = 8 - hamBits;
    for (size_t i = 0; i < ours.data.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8)
            if (((ours.data[i] >> shift) & 0xFF) >> drop != ((theirs.data[i] >> shift) & 0xFF) >> drop)
                return false;
    return true;
}

} // namespace

TEST(IffPeers, PpmtoilbmLayoutsMatchIlbmtoppm)
{
    TempDir dir;
    const std::string ppm = dir.File("in.ppm"), out = dir.File("out.iff");
    // (colours, options, HAM value bits): 0 colours is the full-colour
    // picture; all but HAM keep the picture exactly.
    const std::vector<std::tuple<int, std::string, int>> variants = {
        {200, "-compress", 0},     {200, "-nocompress", 0},   {16, "", 0},
        {2, "-nocompress", 0},     {0, "-24force", 0},        {0, "-24force -nocompress", 0},
        {0, "-ham6 -hamforce", 4}, {0, "-ham8 -hamforce", 6}, {0, "-ham6 -hamforce -nocompress", 4}};
    for (int width : {1, 9, 16, 17, 203}) {
        for (const auto& [colors, options, hamBits] : variants) {
            const Pixels source = WriteTestPpm(ppm, width, width > 100 ? 57 : 4, colors, unsigned(width + 5));
            const std::string what =
                options + " " + std::to_string(colors) + " colours, width " + std::to_string(width);
            ASSERT_EQ(
                vktest::Run("ppmtoilbm " + options + " " + Quote(ppm) + " > " + Quote(out) + " 2>/dev/null"),
                0);
            Pixels ours = DecodeWithVelkor(out), theirs = ReadWithIlbmtoppm(out);
            ASSERT_FALSE(theirs.data.empty()) << what;
            EXPECT_TRUE(hamBits ? SameHamBits(ours, theirs, hamBits) : ours == theirs)
                << what << ": differs from ilbmtoppm";
            EXPECT_TRUE(hamBits || ours == source) << what << ": differs from the source picture";
        }
    }
}

// Hand-built files, each also read by ilbmtoppm.
TEST(IffFormat, EhbMaskingGraySkippedChunksAndShortPalettes)
{
    TempDir dir;
    const int w = 21, h = 6;
    const std::vector<Rgb> c32 = Colors(32), c16 = Colors(16), c8 = Colors(8);
    const std::vector<uint32_t> v64 = Values(w, h, 64), v16 = Values(w, h, 16), v8 = Values(w, h, 8);
    auto pixels = [&](const std::vector<uint32_t>& values, auto colorOf) {
        Pixels p{w, h, {}};
        for (uint32_t v : values)
            p.data.push_back(colorOf(v));
        return p;
    };
    auto entry = [](const std::vector<Rgb>& colors) {
        return [&colors](uint32_t v) { return MakePixel(colors[v].r, colors[v].g, colors[v].b); };
    };
    // EHB: entries 32..63 are the halved copies of 0..31. Masking 1: a
    // plane per row read and ignored. No CMAP: grays 0..15 stretched.
    const std::vector<std::pair<std::string, Pixels>> cases = {
        {Form(Bmhd(w, h, 6, 0, 1) + Cmap(c32) + Camg(0x80) + Body(w, h, 6, v64, false, true)),
         pixels(v64,
                [&](uint32_t v) {
                    Rgb c = c32[v % 32];
                    return v < 32 ? MakePixel(c.r, c.g, c.b) : MakePixel(c.r >> 1, c.g >> 1, c.b >> 1);
                })},
        {Form(Bmhd(w, h, 4, 1, 1) + Cmap(c16) + Body(w, h, 4, v16, true, true)), pixels(v16, entry(c16))},
        {Form(Bmhd(w, h, 4, 1, 0) + Cmap(c16) + Body(w, h, 4, v16, true, false)), pixels(v16, entry(c16))},
        {Form(Bmhd(w, h, 4) + Body(w, h, 4, v16)),
         pixels(v16,
                [](uint32_t v) { return MakePixel(uint8_t(v * 17), uint8_t(v * 17), uint8_t(v * 17)); })},
        {Form(Chunk("ANNO", "odd") + Bmhd(w, h, 3) + Chunk("GRAB", "\1\2\3\4") + Cmap(c8) +
              Body(w, h, 3, v8) + Cmap(Colors(2))),
         pixels(v8, entry(c8))},
    };
    for (const auto& [bytes, expected] : cases) {
        EXPECT_EQ(DecodeIff(bytes), expected) << &bytes - &cases[0].first;
        WriteFile(dir.File("case.iff"), bytes);
        EXPECT_EQ(DecodeIff(bytes), ReadWithIlbmtoppm(dir.File("case.iff"))) << &bytes - &cases[0].first;
    }
    // A 7-byte CMAP gives two entries; indices past them are black.
    const std::vector<uint32_t> v4 = Values(w, h, 4);
    Pixels p =
        DecodeIff(Form(Bmhd(w, h, 2) + Chunk("CMAP", "\x10\x20\x30\x40\x50\x60\x70") + Body(w, h, 2, v4)));
    EXPECT_EQ(p, pixels(v4, [](uint32_t v) {
                  return v == 0   ? MakePixel(0x10, 0x20, 0x30)
                         : v == 1 ? MakePixel(0x40, 0x50, 0x60)
                                  : MakePixel(0, 0, 0);
              }));
}

TEST(IffFormat, HamHoldsAndModifies)
{
    // HAM6 with a 16-entry palette: mode 0 takes the (4-bit) palette
    // entry, modes 1..3 replace blue, red, green; every row starts black.
    const std::vector<Rgb> colors = Colors(16);
    const std::vector<uint32_t> values = {0x15, 0x03, 0x19, 0x2F, 0x31, 0x00, 0x27, 0x3C,  // row 0
                                          0x24, 0x32, 0x0F, 0x10, 0x11, 0x22, 0x33, 0x08}; // row 1
    const std::string file =
        Form(Bmhd(8, 2, 6, 0, 1) + Cmap(colors) + Camg(0x800) + Body(8, 2, 6, values, false, true));
    Pixels p = DecodeIff(file);
    auto s = [](int v) { return uint8_t((v * 255 + 7) / 15); };
    int held[3] = {0, 0, 0}; // red, green, blue
    for (size_t i = 0; i < values.size(); ++i) {
        const int v = int(values[i] & 15), mode = int(values[i] >> 4);
        if (i % 8 == 0)
            held[0] = held[1] = held[2] = 0;
        if (mode == 0)
            held[0] = colors[size_t(v)].r >> 4, held[1] = colors[size_t(v)].g >> 4,
            held[2] = colors[size_t(v)].b >> 4;
        else
            held[mode == 1 ? 2 : mode == 2 ? 0 : 1] = v;
        EXPECT_EQ(p.data[i], MakePixel(s(held[0]), s(held[1]), s(held[2]))) << i;
    }
    TempDir dir;
    WriteFile(dir.File("ham.iff"), file);
    EXPECT_TRUE(SameHamBits(p, ReadWithIlbmtoppm(dir.File("ham.iff")), 4));
    // Without a palette mode 0 is the gray of its value.
    Pixels gray = DecodeIff(Form(Bmhd(8, 2, 6) + Camg(0x800) + Body(8, 2, 6, values)));
    EXPECT_EQ(gray.data[5], MakePixel(0, 0, 0));
    EXPECT_EQ(gray.data[10], MakePixel(255, 255, 255));
    EXPECT_EQ(gray.data[11], MakePixel(255, 255, 0));
}

TEST(IffFormat, RefusedFiles)
{
    const std::vector<uint32_t> values = Values(5, 2, 4);
    struct Case {
        std::string bytes;
        int code;
        std::string text;
    };
    // A row whose ByteRun1 run reaches past the row's 2 bytes.
    std::string overrun = Chunk("BODY", std::string("\xFD\x01", 2) + std::string(8, '\0'));
    const std::vector<Case> cases = {
        {Form(Cmap(Colors(4)) + Body(5, 2, 2, values)), ErrBadFormat,
         "Decoder error: No BMHD chunk found.\n"},
        {Form(Bmhd(5, 2, 2) + Cmap(Colors(4))), ErrBadFormat, "Decoder error: No BODY chunk found.\n"},
        {Form(Bmhd(5, 2, 2, 0, 2) + Body(5, 2, 2, values)), ErrUnsupported,
         "Decoder error: Unknown compression type.\n"},
        {Form(Bmhd(5, 2, 1, 0, 1) + overrun), ErrUnsupported,
         "Decoder error: Error doing ByteRun decompression\n"},
        {Form(Bmhd(5, 2, 11) + Body(5, 2, 11, values)), ErrUnsupported,
         "Decoder error: nPlanes is too large\n"},
        {Form(Bmhd(5, 2, 13) + Camg(0x800) + Body(5, 2, 13, values)), ErrUnsupported,
         "Decoder error: nPlanes is too large\n"},
        {Form(Bmhd(5000, 5000, 0) + Chunk("BODY", "\1\2")), ErrBadFormat,
         "Decoder error: No planes in BMHD.\n"},
        // BODY shorter than its rows.
        {Form(Bmhd(5, 2, 2) + Chunk("BODY", "\1\2\3")), ErrEndOfFile,
         "End of file reached while decoding.\n"},
        {Form(Bmhd(5, 2, 2, 0, 1) + Chunk("BODY", std::string("\x01\x01\x01\x01\x00", 5))), ErrEndOfFile,
         "End of file reached while decoding.\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IffError(c.bytes), std::make_pair(c.code, c.text)) << c.text;
    // 11 planes with a palette are fine: indices past it are black.
    Pixels p = DecodeIff(Form(Bmhd(5, 2, 11) + Cmap(Colors(4)) + Body(5, 2, 11, values)));
    EXPECT_EQ(p.data[0], MakePixel(Colors(4)[values[0]].r, Colors(4)[values[0]].g, Colors(4)[values[0]].b));
}

TEST(IffDamage, TruncatedFlippedAndHugeFilesFailCleanly)
{
    const std::vector<uint32_t> values = Values(19, 7, 64);
    const std::vector<std::string> goods = {
        Form(Bmhd(19, 7, 6, 1, 1) + Cmap(Colors(32)) + Camg(0x80) + Body(19, 7, 6, values, true, true)),
        Form(Bmhd(19, 7, 6, 0, 0) + Cmap(Colors(16)) + Camg(0x800) + Body(19, 7, 6, values)),
        Form(Bmhd(19, 7, 24, 0, 1) + Body(19, 7, 24, Values(19, 7, 1 << 24), false, true)),
    };
    CIFFDecoder decoder;
    for (const std::string& good : goods) {
        ASSERT_EQ(IffError(good).first, 0);
        EXPECT_EQ(CutFailures(decoder, good, {ErrEndOfFile}, {}, 0), "");
        EXPECT_EQ(FlipFailures(decoder, good, Positions(4, good.size(), 80, 5), {0x01, 0x80, 0xFF},
                               {ErrEndOfFile, ErrUnsupported, ErrBadFormat, ErrNoMemory}, 0),
                  "");
    }
    // Huge sizes: a chunk past the file, a picture far larger than its BODY.
    EXPECT_EQ(IffError(Form(Bmhd(5, 2, 2) + "BODY" + Be32(0x7FFFFFF0) + "abc")).first, ErrEndOfFile);
    EXPECT_EQ(IffError(Form(Bmhd(65535, 65535, 24, 0, 1) + Chunk("BODY", std::string(64, '\x81')))).first,
              ErrEndOfFile);
    const std::vector<std::string> found = DataFiles(std::string(VELKOR_TEST_DATA) + "/iff/malformed");
    EXPECT_FALSE(found.empty());
    for (const std::string& path : found)
        EXPECT_NE(IffError(ReadFile(path)).first, ErrInternal) << path;
}
