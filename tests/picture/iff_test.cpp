// IFF/ILBM decoding: files from ppmtoilbm (palette, HAM, 24 planes, with
// and without compression) must give ilbmtoppm's pixels; hand-built files
// pin EHB, masking, gray and error rules; damaged files fail cleanly.
#include "TestSupport.h"
#include "picture/IFFDecoder.h"
#include "picture/except.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace vktest;

namespace {

std::string ToPpm(const CBmp& bmp)
{
    Pixels p = FromBitmap(bmp);
    std::string out = "P6\n" + std::to_string(p.width) + " " + std::to_string(p.height) + "\n255\n";
    for (uint32_t v : p.data) {
        out += char((v >> 16) & 0xFF);
        out += char((v >> 8) & 0xFF);
        out += char(v & 0xFF);
    }
    return out;
}

Pixels DecodeBytes(const std::string& bytes)
{
    CIFFDecoder decoder;
    CWinBmp bmp;
    CMemSource source(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    decoder.Decode(source, bmp, 0);
    EXPECT_EQ(bmp.GetBitsPerPixel(), 32);
    return FromBitmap(bmp);
}

std::pair<int, std::string> DecodeError(const std::string& bytes)
{
    try {
        DecodeBytes(bytes);
    } catch (const CTextException& e) {
        return {e.GetCode(), e.GetText()};
    }
    return {0, ""};
}

std::string BE32(uint32_t v)
{
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}
std::string BE16(int v) { return {char(v >> 8), char(v)}; }

std::string Chunk(const std::string& id, const std::string& data)
{
    std::string s = id + BE32(uint32_t(data.size())) + data;
    if (data.size() & 1)
        s += '\0';
    return s;
}

std::string Form(const std::string& chunks) { return "FORM" + BE32(uint32_t(4 + chunks.size())) + "ILBM" + chunks; }

std::string Bmhd(int width, int height, int planes, int masking = 0, int compression = 0)
{
    return Chunk("BMHD", BE16(width) + BE16(height) + BE16(0) + BE16(0) + char(planes) + char(masking) +
                             char(compression) + '\0' + BE16(0) + char(10) + char(11) + BE16(width) + BE16(height));
}

struct Rgb {
    uint8_t r, g, b;
};

std::string Cmap(const std::vector<Rgb>& colors)
{
    std::string s;
    for (const Rgb& c : colors) {
        s += char(c.r);
        s += char(c.g);
        s += char(c.b);
    }
    return Chunk("CMAP", s);
}

std::string Camg(uint32_t mode) { return Chunk("CAMG", BE32(mode)); }

// ByteRun1 for one plane row: runs of 3 or more, literals otherwise.
std::string ByteRun1(const std::string& row)
{
    std::string out;
    size_t i = 0;
    while (i < row.size()) {
        size_t run = 1;
        while (i + run < row.size() && row[i + run] == row[i] && run < 128)
            ++run;
        if (run >= 3) {
            out += char(257 - run);
            out += row[i];
            i += run;
            continue;
        }
        size_t start = i;
        while (i < row.size() && i - start < 128) {
            size_t r = 1;
            while (i + r < row.size() && row[i + r] == row[i] && r < 3)
                ++r;
            if (r >= 3)
                break;
            ++i;
        }
        out += char(i - start - 1);
        out += row.substr(start, i - start);
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
            for (int x = 0; x < width; ++x) {
                bool set = k == planes || ((values[size_t(y * width + x)] >> k) & 1);
                if (set)
                    row[size_t(x / 8)] = char(row[size_t(x / 8)] | (0x80 >> (x % 8)));
            }
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
    if (!HasProgram("ppmtoilbm") || !HasProgram("ilbmtoppm"))
        GTEST_SKIP() << "netpbm not installed";
    TempDir dir;
    const std::string ppm = dir.File("in.ppm");
    const std::string out = dir.File("out.iff");
    struct Variant {
        std::string name;
        int colors; // 0: the full-colour test picture
        std::string options;
        bool exact;  // the picture survives unchanged
        int hamBits; // HAM value bits, 0 for other files
    };
    const std::vector<Variant> variants = {
        {"palette byterun1", 200, "-compress", true, 0},
        {"palette uncompressed", 200, "-nocompress", true, 0},
        {"16 colours", 16, "", true, 0},
        {"2 colours", 2, "-nocompress", true, 0},
        {"24 planes byterun1", 0, "-24force", true, 0},
        {"24 planes uncompressed", 0, "-24force -nocompress", true, 0},
        {"HAM6", 0, "-hamforce -ham6", false, 4},
        {"HAM8", 0, "-hamforce -ham8", false, 6},
        {"HAM6 uncompressed", 0, "-hamforce -ham6 -nocompress", false, 4},
    };
    for (int width : {1, 9, 16, 17, 203}) {
        const int height = width > 100 ? 57 : 4;
        for (const Variant& v : variants) {
            CWinBmp bmp;
            if (v.colors)
                MakePaletteTestPicture(bmp, width, height, v.colors);
            else
                MakeTestPicture(bmp, width, height, unsigned(width + 5));
            WriteFile(ppm, ToPpm(bmp));
            ASSERT_EQ(vktest::Run("ppmtoilbm " + v.options + " " + Quote(ppm) + " > " + Quote(out) + " 2>/dev/null"), 0)
                << v.name;
            const std::string what = v.name + " " + std::to_string(width);
            Pixels ours;
            try {
                ours = DecodeWithVelkor(out);
            } catch (const CTextException& e) {
                ADD_FAILURE() << what << ": " << e.GetText();
                continue;
            }
            Pixels theirs = ReadWithIlbmtoppm(out);
            ASSERT_FALSE(theirs.data.empty()) << what;
            if (v.hamBits)
                EXPECT_TRUE(SameHamBits(ours, theirs, v.hamBits)) << what << ": differs from ilbmtoppm";
            else
                EXPECT_TRUE(ours == theirs) << what << ": differs from ilbmtoppm";
            if (v.exact)
                EXPECT_TRUE(ours == FromBitmap(bmp)) << what << ": differs from the source picture";
        }
    }
}

// Hand-built files, each also read by ilbmtoppm.
TEST(IffFormat, EhbMaskingGrayAndShortPalettes)
{
    TempDir dir;
    struct Case {
        std::string name;
        std::string bytes;
        Pixels expected;
    };
    std::vector<Case> cases;
    const int w = 21, h = 6;
    auto expect = [&](const std::vector<uint32_t>& values, auto colorOf) {
        Pixels p;
        p.width = w;
        p.height = h;
        for (uint32_t v : values)
            p.data.push_back(colorOf(v));
        return p;
    };
    {
        // EHB: 32 entries and 6 planes; 32..63 are the halved copies.
        std::vector<Rgb> colors = Colors(32);
        std::vector<uint32_t> values = Values(w, h, 64);
        cases.push_back({"EHB",
                         Form(Bmhd(w, h, 6, 0, 1) + Cmap(colors) + Camg(0x80) + Body(w, h, 6, values, false, true)),
                         expect(values, [&](uint32_t v) {
                             Rgb c = colors[v % 32];
                             return v < 32 ? MakePixel(c.r, c.g, c.b) : MakePixel(c.r >> 1, c.g >> 1, c.b >> 1);
                         })});
    }
    {
        // Masking 1: a fifth plane per row, read and ignored.
        std::vector<Rgb> colors = Colors(16);
        std::vector<uint32_t> values = Values(w, h, 16);
        auto colorOf = [&](uint32_t v) { return MakePixel(colors[v].r, colors[v].g, colors[v].b); };
        cases.push_back({"masking plane",
                         Form(Bmhd(w, h, 4, 1, 1) + Cmap(colors) + Body(w, h, 4, values, true, true)),
                         expect(values, colorOf)});
        cases.push_back({"masking plane uncompressed",
                         Form(Bmhd(w, h, 4, 1, 0) + Cmap(colors) + Body(w, h, 4, values, true, false)),
                         expect(values, colorOf)});
    }
    {
        // No CMAP, 4 planes: grays 0..15 stretched to 0..255.
        std::vector<uint32_t> values = Values(w, h, 16);
        cases.push_back({"gray", Form(Bmhd(w, h, 4) + Body(w, h, 4, values)), expect(values, [](uint32_t v) {
                             return MakePixel(uint8_t(v * 17), uint8_t(v * 17), uint8_t(v * 17));
                         })});
    }
    {
        // Chunks the decoder skips, around and after BODY.
        std::vector<Rgb> colors = Colors(8);
        std::vector<uint32_t> values = Values(w, h, 8);
        cases.push_back({"skipped chunks",
                         Form(Chunk("ANNO", "odd") + Bmhd(w, h, 3) + Chunk("GRAB", "\1\2\3\4") + Cmap(colors) +
                              Body(w, h, 3, values) + Cmap(Colors(2))),
                         expect(values, [&](uint32_t v) { return MakePixel(colors[v].r, colors[v].g, colors[v].b); })});
    }
    for (const Case& c : cases) {
        EXPECT_EQ(DecodeBytes(c.bytes), c.expected) << c.name;
        if (HasProgram("ilbmtoppm")) {
            const std::string path = dir.File("case.iff");
            WriteFile(path, c.bytes);
            EXPECT_EQ(DecodeBytes(c.bytes), ReadWithIlbmtoppm(path)) << c.name << ": differs from ilbmtoppm";
        }
    }

    // A 7-byte CMAP gives two entries; indices past them are black.
    std::vector<uint32_t> values = Values(w, h, 4);
    std::string seven = Chunk("CMAP", std::string("\x10\x20\x30\x40\x50\x60\x70", 7));
    Pixels p = DecodeBytes(Form(Bmhd(w, h, 2) + seven + Body(w, h, 2, values)));
    for (size_t i = 0; i < values.size(); ++i) {
        uint32_t want = values[i] == 0 ? MakePixel(0x10, 0x20, 0x30)
                        : values[i] == 1 ? MakePixel(0x40, 0x50, 0x60)
                                         : MakePixel(0, 0, 0);
        EXPECT_EQ(p.data[i], want) << i;
    }
}

TEST(IffFormat, HamHoldsAndModifies)
{
    // HAM6 with a 16-entry palette: mode 0 takes the (4-bit) palette
    // entry, modes 1..3 replace blue, red, green; every row starts black.
    std::vector<Rgb> colors = Colors(16);
    const int w = 8;
    std::vector<uint32_t> values = {
        0x10 | 5, 0x00 | 3, 0x10 | 9, 0x20 | 15, 0x30 | 1, 0x00 | 0, 0x20 | 7, 0x30 | 12, // row 0
        0x20 | 4, 0x30 | 2, 0x00 | 15, 0x10 | 0, 0x10 | 1, 0x20 | 2, 0x30 | 3, 0x00 | 8,  // row 1
    };
    std::string file = Form(Bmhd(w, 2, 6, 0, 1) + Cmap(colors) + Camg(0x800) + Body(w, 2, 6, values, false, true));
    Pixels p = DecodeBytes(file);
    auto s = [](int v) { return uint8_t((v * 255 + 7) / 15); };
    int r = 0, g = 0, b = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        if (i % 8 == 0)
            r = g = b = 0;
        int v = int(values[i] & 15);
        switch (values[i] >> 4) {
        case 0: r = colors[size_t(v)].r >> 4; g = colors[size_t(v)].g >> 4; b = colors[size_t(v)].b >> 4; break;
        case 1: b = v; break;
        case 2: r = v; break;
        default: g = v; break;
        }
        EXPECT_EQ(p.data[i], MakePixel(s(r), s(g), s(b))) << i;
    }
    if (HasProgram("ilbmtoppm")) {
        TempDir dir;
        WriteFile(dir.File("ham.iff"), file);
        EXPECT_TRUE(SameHamBits(p, ReadWithIlbmtoppm(dir.File("ham.iff")), 4));
    }
    // Without a palette mode 0 is the gray of its value.
    Pixels gray = DecodeBytes(Form(Bmhd(w, 2, 6, 0, 0) + Camg(0x800) + Body(w, 2, 6, values)));
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
        {Form(Cmap(Colors(4)) + Body(5, 2, 2, values)), ErrBadFormat, "Decoder error: No BMHD chunk found.\n"},
        {Form(Bmhd(5, 2, 2) + Cmap(Colors(4))), ErrBadFormat, "Decoder error: No BODY chunk found.\n"},
        {Form(Bmhd(5, 2, 2, 0, 2) + Body(5, 2, 2, values)), ErrUnsupported, "Decoder error: Unknown compression type.\n"},
        {Form(Bmhd(5, 2, 1, 0, 1) + overrun), ErrUnsupported, "Decoder error: Error doing ByteRun decompression\n"},
        {Form(Bmhd(5, 2, 11) + Body(5, 2, 11, values)), ErrUnsupported, "Decoder error: nPlanes is too large\n"},
        {Form(Bmhd(5, 2, 13) + Camg(0x800) + Body(5, 2, 13, values)), ErrUnsupported,
         "Decoder error: nPlanes is too large\n"},
        // BODY shorter than its rows.
        {Form(Bmhd(5, 2, 2) + Chunk("BODY", "\1\2\3")), ErrEndOfFile, "End of file reached while decoding.\n"},
        {Form(Bmhd(5, 2, 2, 0, 1) + Chunk("BODY", std::string("\x01\x01\x01\x01\x00", 5))), ErrEndOfFile,
         "End of file reached while decoding.\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeError(c.bytes), std::make_pair(c.code, c.text)) << c.text;
    // 11 planes with a palette are fine: indices past it are black.
    Pixels p = DecodeBytes(Form(Bmhd(5, 2, 11) + Cmap(Colors(4)) + Body(5, 2, 11, values)));
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
    for (const std::string& good : goods) {
        ASSERT_EQ(DecodeError(good).first, 0);
        for (size_t n = 0; n < good.size(); ++n)
            EXPECT_EQ(DecodeError(good.substr(0, n)).first, ErrEndOfFile) << "cut at " << n;
        for (size_t i = 4; i < good.size(); i += (i < 80 ? 1 : 5)) {
            for (uint8_t mask : {0x01, 0x80, 0xFF}) {
                std::string bad = good;
                bad[i] = char(bad[i] ^ mask);
                int code = DecodeError(bad).first;
                EXPECT_TRUE(code == 0 || code == ErrEndOfFile || code == ErrUnsupported || code == ErrBadFormat ||
                            code == ErrNoMemory)
                    << "byte " << i << " code " << code;
            }
        }
    }
    // Huge sizes: a chunk past the file, a picture far larger than its BODY.
    EXPECT_EQ(DecodeError(Form(Bmhd(5, 2, 2) + "BODY" + BE32(0x7FFFFFF0) + "abc")).first, ErrEndOfFile);
    EXPECT_EQ(DecodeError(Form(Bmhd(65535, 65535, 24, 0, 1) + Chunk("BODY", std::string(64, '\x81')))).first,
              ErrEndOfFile);
}

TEST(IffDamage, MalformedRegressionFiles)
{
    std::error_code ec;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(VELKOR_TEST_DATA) + "/iff/malformed", ec)) {
        if (entry.path().extension() == ".md")
            continue;
        EXPECT_NE(DecodeError(ReadFile(entry.path().string())).first, ErrInternal) << entry.path();
    }
}
