// PCX decoding: files from netpbm and ImageMagick in every plane and bit
// layout must give their pixels; hand-built files pin the run, palette and
// line rules; damaged files fail cleanly.
#include "TestSupport.h"
#include "engine/picture/PCXDecoder.h"

#include <gtest/gtest.h>

using namespace vktest;

namespace {

struct Rgb {
    uint8_t r, g, b;
};
using Colors = std::vector<Rgb>;

Pixels DecodePcx(const std::string& bytes)
{
    CPCXDecoder decoder;
    CWinBmp bmp;
    Pixels p = DecodeBytes(decoder, bytes, 0, &bmp);
    EXPECT_EQ(bmp.GetBitsPerPixel(), 32);
    return p;
}

std::pair<int, std::string> PcxError(const std::string& bytes)
{
    CPCXDecoder decoder;
    return ErrorOf(decoder, bytes, 0);
}

std::string Header(int version, int bits, int planes, int width, int height, int bytesPerLine,
                   const Colors& palette16 = {})
{
    std::string h(128, '\0');
    h[0] = 0x0A, h[1] = char(version), h[2] = 1, h[3] = char(bits);
    h[8] = char((width - 1) & 0xFF), h[9] = char((width - 1) >> 8);
    h[10] = char((height - 1) & 0xFF), h[11] = char((height - 1) >> 8);
    for (size_t i = 0; i < palette16.size() && i < 16; ++i)
        h.replace(16 + 3 * i, 3, {char(palette16[i].r), char(palette16[i].g), char(palette16[i].b)});
    h[65] = char(planes), h[66] = char(bytesPerLine & 0xFF), h[67] = char(bytesPerLine >> 8);
    return h;
}

// Runs of 2 or more, and bytes of 0xC0 or above behind a count of 1; runs
// may cross line ends.
std::string Rle(const std::string& raw)
{
    std::string out;
    for (size_t i = 0, n; i < raw.size(); i += n) {
        for (n = 1; i + n < raw.size() && raw[i + n] == raw[i] && n < 63;)
            ++n;
        if (n > 1 || uint8_t(raw[i]) >= 0xC0)
            out += char(0xC0 | n);
        out += raw[i];
    }
    return out;
}

Colors Ramp(int n)
{
    Colors c;
    for (int i = 0; i < n; ++i)
        c.push_back(Rgb{uint8_t(i * 7 + 3), uint8_t(255 - i), uint8_t(i * 31)});
    return c;
}

std::string VgaPalette(const Colors& colors)
{
    std::string s(1, char(12));
    for (size_t i = 0; i < 256; ++i)
        s += i < colors.size() ? std::string{char(colors[i].r), char(colors[i].g), char(colors[i].b)}
                               : std::string(3, '\0');
    return s;
}

uint32_t Px(const Rgb& c)
{
    return MakePixel(c.r, c.g, c.b);
}

void ExpectPeersAgree(const std::string& path, const std::string& what, bool withMagick)
{
    Pixels ours;
    try {
        ours = DecodeWithVelkor(path);
    } catch (const CTextException& e) {
        ADD_FAILURE() << what << ": " << e.GetText();
        return;
    }
    EXPECT_EQ(Diff(ours, ReadWithNetpbm("pcxtoppm " + Quote(path))), "") << what << ": against pcxtoppm";
    if (withMagick) {
        EXPECT_EQ(Diff(ours, Opaque(ReadWithImageMagick(path))), "") << what << ": against ImageMagick";
    }
}

} // namespace

TEST(PcxPeers, NetpbmAndImageMagickLayouts)
{
    TempDir dir;
    const std::string ppm = dir.File("in.ppm"), out = dir.File("out.pcx");
    // (colours, ppmtopcx options): 0 colours is the full-colour picture.
    const std::vector<std::pair<int, std::string>> variants = {
        {0, "-24bit"}, {200, "-8bit"}, {256, ""},      {2, ""},        {4, ""},
        {8, ""},       {16, ""},       {2, "-packed"}, {4, "-packed"}, {16, "-packed"}};
    for (int width : {1, 7, 33, 250}) {
        const int height = width == 250 ? 61 : 5;
        for (const auto& [colors, options] : variants) {
            const Pixels source = WriteTestPpm(ppm, width, height, colors, unsigned(width));
            const std::string what =
                std::to_string(colors) + " colours " + options + " " + std::to_string(width);
            ASSERT_EQ(
                vktest::Run("ppmtopcx " + options + " " + Quote(ppm) + " > " + Quote(out) + " 2>/dev/null"),
                0);
            ExpectPeersAgree(out, what, false);
            EXPECT_EQ(Diff(DecodeWithVelkor(out), source), "") << what << ": differs from the source picture";
        }
    }
    WriteTestPpm(ppm, 123, 45, 0, 9);
    for (std::string options : {"", "-colors 256 -type palette", "-colors 16 -type palette", "-monochrome"}) {
        ASSERT_EQ(
            vktest::Run(ImageMagick() + " " + Quote(ppm) + " " + options + " " + Quote(out) + " 2>/dev/null"),
            0);
        ExpectPeersAgree(out, "ImageMagick " + options, true);
    }
}

TEST(PcxFormat, PalettesRunsAndLineLengths)
{
    const Colors colors = Ramp(256);
    std::string raw;
    for (int i = 0; i < 40; ++i)
        raw += char(i * 7);
    // Version 3: only the header's 16 entries, the rest black; version 5:
    // the trailing 256 entries.
    Pixels v3 = DecodePcx(Header(3, 8, 1, 20, 2, 20, colors) + Rle(raw) + VgaPalette(colors));
    Pixels v5 = DecodePcx(Header(5, 8, 1, 20, 2, 20) + Rle(raw) + VgaPalette(colors));
    for (size_t i = 0; i < 40; ++i) {
        const size_t index = i * 7 % 256;
        EXPECT_EQ(v3.data[i], index < 16 ? Px(colors[index]) : MakePixel(0, 0, 0)) << i;
        EXPECT_EQ(v5.data[i], Px(colors[index])) << i;
    }
    // Three 8-bit planes: no trailing palette is read.
    EXPECT_EQ(DecodePcx(Header(5, 8, 3, 3, 1, 3) + Rle("\x01\x02\x03\x10\x20\x30\xFE\xFD\xFC")).data,
              (std::vector<uint32_t>{MakePixel(1, 0x10, 0xFE), MakePixel(2, 0x20, 0xFD),
                                     MakePixel(3, 0x30, 0xFC)}));
    // Four 1-bit planes: plane i gives bit i of the index (here x * 2 + 1).
    std::string planes;
    for (int i = 0; i < 4; ++i) {
        uint8_t byte = 0;
        for (int x = 0; x < 8; ++x)
            byte = uint8_t(byte | ((((x * 2 + 1) >> i) & 1) << (7 - x)));
        planes += {char(byte), '\0'};
    }
    Pixels p4 = DecodePcx(Header(5, 1, 4, 8, 1, 2, Ramp(16)) + Rle(planes));
    for (size_t x = 0; x < 8; ++x)
        EXPECT_EQ(p4.data[x], Px(colors[x * 2 + 1])) << x;
    // A run of count 0 consumes its value and writes nothing; runs cross
    // line ends.
    const uint32_t nine = Px(colors[9]);
    EXPECT_EQ(
        DecodePcx(Header(5, 8, 1, 3, 2, 3) + std::string("\xC0\x55\xC5\x09\x02", 5) + VgaPalette(colors))
            .data,
        (std::vector<uint32_t>{nine, nine, nine, nine, nine, Px(colors[2])}));
    // Lines longer than the width needs: the extra bytes are skipped.
    EXPECT_EQ(DecodePcx(Header(5, 8, 1, 3, 2, 6) + Rle("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C") +
                        VgaPalette(colors))
                  .data,
              (std::vector<uint32_t>{Px(colors[1]), Px(colors[2]), Px(colors[3]), Px(colors[7]),
                                     Px(colors[8]), Px(colors[9])}));
}

TEST(PcxFormat, RefusedLayoutsRunsAndPalettes)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {Header(5, 1, 5, 8, 1, 1) + Rle(std::string(5, '\0')), "Can't handle image with more then 4 planes"},
        {Header(5, 8, 2, 4, 1, 4) + Rle(std::string(8, '\1')), "Can't handle image"},
        {Header(5, 1, 0, 3000, 3000, 400), "Can't handle image"},
        {Header(5, 3, 1, 4, 1, 4) + Rle(std::string(4, '\1')), "Can't handle image"},
        {Header(5, 4, 3, 4, 1, 2) + Rle(std::string(6, '\x11')), "Can't handle more then 1 bit per pixel"},
        {Header(5, 2, 3, 4, 1, 1) + Rle(std::string(3, '\x11')), "Can't handle more then 1 bit per pixel"},
        // 4 bytes in all and a run of 5; 12 bytes and a run of 11 after 2.
        {Header(5, 8, 1, 2, 2, 2) + "\xC5\x01" + VgaPalette(Ramp(4)), "Repeat count spans end of image."},
        {Header(5, 8, 3, 2, 2, 2) + "\x01\x02\xCB\x03", "Repeat count spans end of image."},
        {Header(5, 8, 1, 20, 1, 20) + Rle(std::string(20, '\1')) + std::string(769, '\x0B'),
         "Bad color map signature."},
        // Lines too short for the width.
        {Header(5, 8, 1, 3, 2, 2) + Rle("\x01\x02\x03\x04") + VgaPalette(Ramp(4)),
         "Bytes per line too few for the width."},
        {Header(5, 1, 1, 60000, 1, 1) + "\x55", "Bytes per line too few for the width."},
    };
    for (const auto& [bytes, text] : cases) {
        auto [code, got] = PcxError(bytes);
        EXPECT_EQ(code, text == "Bad color map signature." ? ErrWrongSignature
                        : text.starts_with("Bytes")        ? ErrBadFormat
                                                           : ErrUnsupported)
            << text;
        EXPECT_EQ(got, "Decoder error: " + text + "\n");
    }
}

TEST(PcxDamage, TruncatedFlippedAndHugeFilesFailCleanly)
{
    std::string raw;
    for (int i = 0; i < 120; ++i)
        raw += char((i / 5) * 3);
    const std::vector<std::string> goods = {
        Header(5, 8, 1, 13, 9, 13) + Rle(raw.substr(0, 117)) + VgaPalette(Ramp(256)),
        Header(5, 8, 3, 13, 3, 13) + Rle(raw.substr(0, 117)),
        Header(5, 1, 4, 40, 5, 6, Ramp(16)) + Rle(raw),
    };
    CPCXDecoder decoder;
    for (const std::string& good : goods) {
        ASSERT_EQ(PcxError(good).first, 0);
        EXPECT_EQ(CutFailures(decoder, good, {ErrEndOfFile}, {}, 0), "");
        EXPECT_EQ(FlipFailures(decoder, good, Positions(1, good.size(), 128, 7), {0x01, 0x40, 0xFF},
                               {ErrEndOfFile, ErrUnsupported, ErrWrongSignature, ErrBadFormat, ErrNoMemory},
                               0),
                  "");
    }
    // Claimed sizes far beyond the data fail before a picture is allocated;
    // xmax below xmin is refused.
    EXPECT_EQ(PcxError(Header(5, 8, 3, 65535, 65535, 65535) + "\xFF\x01").first, ErrEndOfFile);
    std::string backwards = Header(5, 8, 1, 4, 1, 4) + "\x01\x01\x01\x01" + VgaPalette(Ramp(4));
    backwards[4] = 10;
    EXPECT_EQ(PcxError(backwards).first, ErrBadFormat);
    const std::vector<std::string> found = DataFiles(std::string(VELKOR_TEST_DATA) + "/pcx/malformed");
    EXPECT_FALSE(found.empty());
    for (const std::string& path : found)
        EXPECT_NE(PcxError(ReadFile(path)).first, ErrInternal) << path;
}
