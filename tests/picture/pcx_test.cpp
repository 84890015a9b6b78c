// PCX decoding: files from netpbm and ImageMagick in every plane/bit
// layout must give their pixels; hand-built files pin the run and palette
// rules; damaged files fail cleanly.
#include "TestSupport.h"
#include "picture/PCXDecoder.h"
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
    CPCXDecoder decoder;
    CWinBmp bmp;
    CMemSource source(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    decoder.Decode(source, bmp, 0);
    EXPECT_EQ(bmp.GetBitsPerPixel(), 32);
    return FromBitmap(bmp);
}

// The error code and text, code 0 on success.
std::pair<int, std::string> DecodeError(const std::string& bytes)
{
    try {
        DecodeBytes(bytes);
    } catch (const CTextException& e) {
        return {e.GetCode(), e.GetText()};
    }
    return {0, ""};
}

struct Rgb {
    uint8_t r, g, b;
};

void Put16(std::string& s, size_t at, int v)
{
    s[at] = char(v & 0xFF);
    s[at + 1] = char((v >> 8) & 0xFF);
}

std::string Header(int version, int bits, int planes, int width, int height, int bytesPerLine,
                   const std::vector<Rgb>& palette16 = {})
{
    std::string h(128, '\0');
    h[0] = 0x0A;
    h[1] = char(version);
    h[2] = 1;
    h[3] = char(bits);
    Put16(h, 4, 0);
    Put16(h, 6, 0);
    Put16(h, 8, width - 1);
    Put16(h, 10, height - 1);
    for (size_t i = 0; i < palette16.size() && i < 16; ++i) {
        h[16 + 3 * i] = char(palette16[i].r);
        h[17 + 3 * i] = char(palette16[i].g);
        h[18 + 3 * i] = char(palette16[i].b);
    }
    h[65] = char(planes);
    Put16(h, 66, bytesPerLine);
    return h;
}

// Run-length codes for raw bytes: runs of 2 or more, and bytes of 0xC0 or
// above behind a count of 1. Runs may cross line ends.
std::string Rle(const std::string& raw)
{
    std::string out;
    for (size_t i = 0; i < raw.size();) {
        size_t n = 1;
        while (i + n < raw.size() && raw[i + n] == raw[i] && n < 63)
            ++n;
        if (n > 1 || uint8_t(raw[i]) >= 0xC0) {
            out += char(0xC0 | n);
            out += raw[i];
        } else {
            out += raw[i];
        }
        i += n;
    }
    return out;
}

std::string VgaPalette(const std::vector<Rgb>& colors)
{
    std::string s(1, char(12));
    for (int i = 0; i < 256; ++i) {
        Rgb c = i < int(colors.size()) ? colors[size_t(i)] : Rgb{0, 0, 0};
        s += char(c.r);
        s += char(c.g);
        s += char(c.b);
    }
    return s;
}

std::vector<Rgb> Colors(int n)
{
    std::vector<Rgb> c;
    for (int i = 0; i < n; ++i)
        c.push_back(Rgb{uint8_t(i * 7 + 3), uint8_t(255 - i), uint8_t(i * 31)});
    return c;
}

uint32_t Px(const Rgb& c) { return MakePixel(c.r, c.g, c.b); }

// A picture with few colours for the planar and packed layouts.
void MakeFewColors(CWinBmp& bmp, int width, int height, int colors)
{
    MakePaletteTestPicture(bmp, width, height, colors);
}

void ExpectPeersAgree(const std::string& path, const std::string& what, bool withMagick = true)
{
    Pixels ours;
    try {
        ours = DecodeWithVelkor(path);
    } catch (const CTextException& e) {
        ADD_FAILURE() << what << ": " << e.GetText();
        return;
    }
    Pixels netpbm = ReadWithNetpbm("pcxtoppm " + Quote(path));
    ASSERT_FALSE(netpbm.data.empty()) << what;
    EXPECT_TRUE(ours == netpbm) << what << ": differs from pcxtoppm";
    if (withMagick) {
        Pixels magick = ReadWithImageMagick(path);
        ASSERT_FALSE(magick.data.empty()) << what;
        EXPECT_TRUE(ours == Opaque(magick)) << what << ": differs from ImageMagick";
    }
}

} // namespace

TEST(PcxPeers, NetpbmLayouts)
{
    if (!HasProgram("ppmtopcx"))
        GTEST_SKIP() << "netpbm not installed";
    TempDir dir;
    const std::string ppm = dir.File("in.ppm");
    const std::string out = dir.File("out.pcx");
    struct Variant {
        std::string name;
        int colors; // 0: the full-colour test picture
        std::string options;
    };
    const std::vector<Variant> variants = {
        {"24-bit", 0, "-24bit"},
        {"8-bit palette", 200, "-8bit"},
        {"default 256 colours", 256, ""},
        {"1-bit 1 plane", 2, ""},
        {"1-bit 2 planes", 4, ""},
        {"1-bit 3 planes", 8, ""},
        {"1-bit 4 planes", 16, ""},
        {"packed 1 bit", 2, "-packed"},
        {"packed 2 bits", 4, "-packed"},
        {"packed 4 bits", 16, "-packed"},
    };
    for (int width : {1, 7, 33, 250}) {
        const int height = width == 250 ? 61 : 5;
        for (const Variant& v : variants) {
            CWinBmp bmp;
            if (v.colors)
                MakeFewColors(bmp, width, height, v.colors);
            else
                MakeTestPicture(bmp, width, height, unsigned(width));
            WriteFile(ppm, ToPpm(bmp));
            ASSERT_EQ(vktest::Run("ppmtopcx " + v.options + " " + Quote(ppm) + " > " + Quote(out) + " 2>/dev/null"), 0)
                << v.name;
            // Our pixels equal netpbm's reading, and the source picture.
            ExpectPeersAgree(out, v.name + " " + std::to_string(width), false);
            EXPECT_TRUE(DecodeWithVelkor(out) == FromBitmap(bmp)) << v.name << " " << width;
        }
    }
}

TEST(PcxPeers, ImageMagickFiles)
{
    TempDir dir;
    const std::string ppm = dir.File("in.ppm");
    const std::string out = dir.File("out.pcx");
    CWinBmp bmp;
    MakeTestPicture(bmp, 123, 45, 9);
    WriteFile(ppm, ToPpm(bmp));
    for (std::string options : {"", "-colors 256 -type palette", "-colors 16 -type palette", "-monochrome"}) {
        ASSERT_EQ(vktest::Run(ImageMagick() + " " + Quote(ppm) + " " + options + " " + Quote(out) + " 2>/dev/null"), 0);
        ExpectPeersAgree(out, "magick " + options);
    }
}

TEST(PcxFormat, PalettesRunsAndLineLengths)
{
    const std::vector<Rgb> colors = Colors(256);
    std::string raw;
    for (int i = 0; i < 2 * 20; ++i)
        raw += char(i * 7 % 256);

    // Version 3, 8 bits: only the header's 16 entries; the rest is black.
    {
        Pixels p = DecodeBytes(Header(3, 8, 1, 20, 2, 20, colors) + Rle(raw) + VgaPalette(colors));
        for (int i = 0; i < 40; ++i) {
            const int index = i * 7 % 256;
            EXPECT_EQ(p.data[size_t(i)], index < 16 ? Px(colors[size_t(index)]) : MakePixel(0, 0, 0)) << i;
        }
    }
    // Version 5, 8 bits, 1 plane: the trailing 256-entry palette.
    {
        Pixels p = DecodeBytes(Header(5, 8, 1, 20, 2, 20) + Rle(raw) + VgaPalette(colors));
        for (int i = 0; i < 40; ++i)
            EXPECT_EQ(p.data[size_t(i)], Px(colors[size_t(i * 7 % 256)])) << i;
        auto [code, text] = DecodeError(Header(5, 8, 1, 20, 2, 20) + Rle(raw) + std::string(769, '\x0B'));
        EXPECT_EQ(code, ErrWrongSignature);
        EXPECT_EQ(text, "Decoder error: Bad color map signature.\n");
    }
    // Version 5, 8 bits, 3 planes: no trailing palette is read.
    {
        std::string planes = "\x01\x02\x03" "\x10\x20\x30" "\xFE\xFD\xFC";
        Pixels p = DecodeBytes(Header(5, 8, 3, 3, 1, 3) + Rle(planes));
        EXPECT_EQ(p.data, (std::vector<uint32_t>{MakePixel(1, 0x10, 0xFE), MakePixel(2, 0x20, 0xFD), MakePixel(3, 0x30, 0xFC)}));
    }
    // Four 1-bit planes: plane i gives bit i of the index.
    {
        // Pixels 0..7 of one line; plane i holds bit i of the index x * 2 + 1.
        std::string planes;
        for (int i = 0; i < 4; ++i) {
            uint8_t byte = 0;
            for (int x = 0; x < 8; ++x)
                if (((x * 2 + 1) >> i) & 1)
                    byte = uint8_t(byte | (0x80 >> x));
            planes += char(byte);
            planes += '\0';
        }
        Pixels p = DecodeBytes(Header(5, 1, 4, 8, 1, 2, Colors(16)) + Rle(planes));
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(p.data[size_t(x)], Px(Colors(16)[size_t(x * 2 + 1)])) << x;
    }
    // A run of count 0 consumes its value byte and writes nothing; runs
    // continue over line ends.
    {
        std::string data = std::string("\xC0\x55", 2) + "\xC5\x09" + "\x02";
        Pixels p = DecodeBytes(Header(5, 8, 1, 3, 2, 3, Colors(16)) + data + VgaPalette(colors));
        const uint32_t nine = Px(colors[9]);
        EXPECT_EQ(p.data, (std::vector<uint32_t>{nine, nine, nine, nine, nine, Px(colors[2])}));
    }
    // Lines longer than the width needs: the extra bytes are skipped.
    {
        std::string lines = "\x01\x02\x03\x04\x05\x06" "\x07\x08\x09\x0A\x0B\x0C";
        Pixels p = DecodeBytes(Header(5, 8, 1, 3, 2, 6) + Rle(lines) + VgaPalette(colors));
        EXPECT_EQ(p.data, (std::vector<uint32_t>{Px(colors[1]), Px(colors[2]), Px(colors[3]), Px(colors[7]),
                                                 Px(colors[8]), Px(colors[9])}));
    }
    // Lines shorter than the width needs: the missing pixels are index 0.
    {
        std::string lines = "\x01\x02" "\x03\x04";
        Pixels p = DecodeBytes(Header(5, 8, 1, 3, 2, 2) + Rle(lines) + VgaPalette(colors));
        EXPECT_EQ(p.data, (std::vector<uint32_t>{Px(colors[1]), Px(colors[2]), Px(colors[0]), Px(colors[3]),
                                                 Px(colors[4]), Px(colors[0])}));
    }
}

TEST(PcxFormat, RefusedLayoutsAndRuns)
{
    struct Case {
        std::string bytes;
        int code;
        std::string text;
    };
    const std::string twoLines = Rle(std::string(8, '\x01'));
    const std::vector<Case> cases = {
        {Header(5, 1, 5, 8, 1, 1) + Rle(std::string(5, '\0')), ErrUnsupported,
         "Can't handle image with more then 4 planes"},
        {Header(5, 8, 2, 4, 1, 4) + twoLines, ErrUnsupported, "Can't handle image"},
        {Header(5, 3, 1, 4, 1, 4) + twoLines, ErrUnsupported, "Can't handle image"},
        {Header(5, 4, 3, 4, 1, 2) + Rle(std::string(6, '\x11')), ErrUnsupported,
         "Can't handle more then 1 bit per pixel"},
        {Header(5, 2, 3, 4, 1, 1) + Rle(std::string(3, '\x11')), ErrUnsupported,
         "Can't handle more then 1 bit per pixel"},
        // 4 bytes in all, and a run of 5.
        {Header(5, 8, 1, 2, 2, 2) + "\xC5\x01" + VgaPalette(Colors(4)), ErrUnsupported,
         "Repeat count spans end of image."},
        {Header(5, 8, 3, 2, 2, 2) + "\x01\x02\xCB\x03", ErrUnsupported, "Repeat count spans end of image."},
    };
    for (const Case& c : cases) {
        auto [code, text] = DecodeError(c.bytes);
        EXPECT_EQ(code, c.code) << c.text;
        EXPECT_EQ(text, "Decoder error: " + c.text + "\n");
    }
}

TEST(PcxDamage, TruncatedFlippedAndHugeFilesFailCleanly)
{
    std::vector<std::string> goods;
    std::string raw;
    for (int i = 0; i < 120; ++i)
        raw += char((i / 5) * 3);
    goods.push_back(Header(5, 8, 1, 13, 9, 13) + Rle(raw.substr(0, 117)) + VgaPalette(Colors(256)));
    goods.push_back(Header(5, 8, 3, 13, 3, 13) + Rle(raw.substr(0, 117)));
    goods.push_back(Header(5, 1, 4, 40, 5, 6, Colors(16)) + Rle(raw.substr(0, 120)));
    for (const std::string& good : goods) {
        ASSERT_EQ(DecodeError(good).first, 0);
        for (size_t n = 0; n < good.size(); ++n)
            EXPECT_EQ(DecodeError(good.substr(0, n)).first, ErrEndOfFile) << "cut at " << n;
        for (size_t i = 1; i < good.size(); i += (i < 128 ? 1 : 7)) {
            for (uint8_t mask : {0x01, 0x40, 0xFF}) {
                std::string bad = good;
                bad[i] = char(bad[i] ^ mask);
                int code = DecodeError(bad).first;
                EXPECT_TRUE(code == 0 || code == ErrEndOfFile || code == ErrUnsupported || code == ErrWrongSignature ||
                            code == ErrBadFormat || code == ErrNoMemory)
                    << "byte " << i << " code " << code;
            }
        }
    }
    // Claimed sizes far beyond the data fail before a picture is allocated.
    EXPECT_EQ(DecodeError(Header(5, 8, 3, 65535, 65535, 65535) + "\xFF\x01").first, ErrEndOfFile);
    EXPECT_EQ(DecodeError(Header(5, 1, 1, 60000, 1, 1) + "\x55").first, 0);
    // xmax below xmin.
    std::string backwards = Header(5, 8, 1, 4, 1, 4) + "\x01\x01\x01\x01" + VgaPalette(Colors(4));
    Put16(backwards, 4, 10);
    EXPECT_EQ(DecodeError(backwards).first, ErrBadFormat);
}

TEST(PcxDamage, MalformedRegressionFiles)
{
    std::error_code ec;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(VELKOR_TEST_DATA) + "/pcx/malformed", ec)) {
        if (entry.path().extension() == ".md")
            continue;
        int code = DecodeError(ReadFile(entry.path().string())).first;
        EXPECT_NE(code, ErrInternal) << entry.path();
    }
}
