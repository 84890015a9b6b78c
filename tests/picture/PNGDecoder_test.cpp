// PNG decoding: files written by netpbm and ImageMagick in every colour type
// and depth read as ImageMagick reads them; 8-bit destinations; alpha;
// truncated, damaged and oversized files.
#include "TestSupport.h"
#include "picture/AnyPicDecoder.h"
#include "picture/PNGDecoder.h"

#include <gtest/gtest.h>
#include <zlib.h>

using namespace vktest;

namespace {

struct Decoded {
    Pixels pixels;
    int depth = 0;
    bool alpha = false;
    int sourceDepth = 0;
};

Decoded Decode(const std::string& bytes, int wanted = 32)
{
    CPNGDecoder decoder;
    CMemSource source(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    CWinBmp bmp;
    decoder.Decode(source, bmp, wanted);
    return {FromBitmap(bmp), bmp.GetBitsPerPixel(), bmp.HasAlphaChannel(), bmp.GetSourceBitsPerPixel()};
}

int DecodeError(const std::string& bytes, std::string* text = nullptr)
{
    try {
        Decode(bytes);
    } catch (const CTextException& e) {
        if (text)
            *text = e.GetText();
        return e.GetCode();
    }
    return 0;
}

// Largest difference of any channel, alpha included; -1 when sizes differ.
int MaxDifference(const Pixels& a, const Pixels& b)
{
    if (a.width != b.width || a.height != b.height || a.data.size() != b.data.size() || a.data.empty())
        return -1;
    int worst = 0;
    for (size_t i = 0; i < a.data.size(); ++i)
        for (int shift = 0; shift < 32; shift += 8)
            worst = std::max(worst, std::abs(int(a.data[i] >> shift & 0xFF) - int(b.data[i] >> shift & 0xFF)));
    return worst;
}

std::string Chunk(const char* type, const std::string& data)
{
    std::string out;
    auto put32 = [&out](uint32_t v) {
        for (int s = 24; s >= 0; s -= 8)
            out += char(v >> s & 0xFF);
    };
    put32(uint32_t(data.size()));
    std::string body = std::string(type, 4) + data;
    out += body;
    put32(uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
    return out;
}

std::string Ihdr(uint32_t width, uint32_t height, int bitDepth, int colorType)
{
    std::string d;
    for (uint32_t v : {width, height})
        for (int s = 24; s >= 0; s -= 8)
            d += char(v >> s & 0xFF);
    d += char(bitDepth);
    d += char(colorType);
    d += std::string(3, '\0');
    return Chunk("IHDR", d);
}

const std::string kSignature("\x89PNG\r\n\x1A\n", 8);

class PngTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HasProgram("pnmtopng") || !HasProgram(ImageMagick()))
            GTEST_SKIP() << "netpbm or ImageMagick not installed";
        CWinBmp picture;
        MakeTestPicture(picture, 61, 39);
        m_ppm = m_dir.File("in.ppm");
        WriteFile(m_ppm, ToPpm(picture));
    }

    std::string Make(const std::string& command, const std::string& name)
    {
        std::string path = m_dir.File(name);
        std::string full = Substitute(Substitute(command, "{in}", Quote(m_ppm)), "{out}", Quote(path));
        EXPECT_EQ(vktest::Run("(" + full + ") 2>/dev/null"), 0) << full;
        return path;
    }

    TempDir m_dir;
    std::string m_ppm;
};

TEST_F(PngTest, EveryColourTypeAndDepthReadsAsImageMagickReadsIt)
{
    const std::string im = ImageMagick();
    const struct {
        std::string command;
        const char* name;
        int tolerance; // 16-bit samples: we keep the high byte, others round
        bool alpha;
    } cases[] = {
        {"pnmtopng {in} >{out}", "rgb.png", 0, false},
        {"pnmtopng -interlace {in} >{out}", "rgb-interlaced.png", 0, false},
        {"ppmtopgm {in} | pnmtopng >{out}", "gray.png", 0, false},
        {"pamdepth 65535 {in} | pnmtopng >{out}", "rgb16.png", 1, false},
        {"ppmtopgm {in} | pamdepth 65535 | pnmtopng >{out}", "gray16.png", 1, false},
        {im + " {in} -colors 16 PNG8:{out}", "palette.png", 0, false},
        {im + " {in} -colors 2 -type palette -depth 1 PNG8:{out}", "palette1.png", 0, false},
        {im + " {in} -colorspace gray -depth 4 PNG:{out}", "gray4.png", 0, false},
        {im + " {in} -colorspace gray -depth 2 PNG:{out}", "gray2.png", 0, false},
        {im + " {in} -monochrome PNG:{out}", "gray1.png", 0, false},
        {im + " {in} \\( +clone -fx 'i/w' \\) -alpha off -compose copy-opacity -composite PNG32:{out}", "rgba.png",
         0, true},
        {im + " {in} \\( +clone -fx 'j/h' \\) -alpha off -compose copy-opacity -composite -interlace png "
              "PNG32:{out}",
         "rgba-interlaced.png", 0, true},
        {im + " {in} \\( +clone -fx 'j/h' \\) -alpha off -compose copy-opacity -composite -depth 16 PNG64:{out}",
         "rgba16.png", 1, true},
        {im + " {in} -colorspace gray \\( +clone -fx 'i/w' \\) -alpha off -compose copy-opacity -composite "
              "-define png:color-type=4 PNG:{out}",
         "grayalpha.png", 0, true},
        {"pnmtopng -transparent =rgb:ff/00/28 {in} >{out}", "rgb-trns.png", 0, false},
        {im + " {in} -colors 8 -fill black -draw 'rectangle 0,0 9,9' "
              "-transparent black PNG8:{out}",
         "palette-trns.png", 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = Make(c.command, c.name);
        Pixels expected = ReadWithImageMagick(path);
        ASSERT_FALSE(expected.data.empty());
        Decoded ours = Decode(ReadFile(path));
        EXPECT_EQ(ours.depth, 32);
        EXPECT_LE(MaxDifference(ours.pixels, expected), c.tolerance);
        if (c.alpha) {
            EXPECT_TRUE(ours.alpha);
        }
        EXPECT_EQ(DecodeWithVelkor(path), ours.pixels);
    }
    // pngtopam agrees too, for the plain cases.
    Pixels netpbm = ReadWithNetpbm("pngtopam " + Quote(m_dir.File("rgb-interlaced.png")));
    EXPECT_EQ(Decode(ReadFile(m_dir.File("rgb-interlaced.png"))).pixels, netpbm);
}

TEST_F(PngTest, AlphaFlagAndFiller)
{
    Decoded rgb = Decode(ReadFile(Make("pnmtopng {in} >{out}", "rgb.png")));
    EXPECT_FALSE(rgb.alpha);
    EXPECT_EQ(rgb.sourceDepth, 24);
    for (uint32_t v : rgb.pixels.data)
        ASSERT_EQ(v >> 24, 255u);
    Decoded rgba = Decode(ReadFile(Make(ImageMagick() + " {in} -alpha set -channel A -evaluate set 50% PNG32:{out}",
                                        "half.png")));
    EXPECT_TRUE(rgba.alpha);
    EXPECT_EQ(rgba.sourceDepth, 32);
    EXPECT_NEAR(int(rgba.pixels.At(3, 3) >> 24), 128, 1);
}

TEST_F(PngTest, EightBitDestinationKeepsIndicesAndGrayLevels)
{
    for (const char* name : {"palette.png", "gray4.png", "gray1.png", "gray16.png"}) {
        SCOPED_TRACE(name);
        std::string command = std::string(name) == "palette.png" ? ImageMagick() + " {in} -colors 16 PNG8:{out}"
                              : std::string(name) == "gray4.png" ? ImageMagick() + " {in} -colorspace gray -depth 4 PNG:{out}"
                              : std::string(name) == "gray1.png" ? ImageMagick() + " {in} -monochrome PNG:{out}"
                                                                 : "ppmtopgm {in} | pamdepth 65535 | pnmtopng >{out}";
        std::string bytes = ReadFile(Make(command, name));
        Decoded at8 = Decode(bytes, 0);
        Decoded at32 = Decode(bytes, 32);
        EXPECT_EQ(at8.depth, 8);
        EXPECT_EQ(at8.pixels, at32.pixels);
    }
}

TEST_F(PngTest, TruncatedAndDamagedFilesRaiseCleanErrors)
{
    std::string bytes = ReadFile(Make("pnmtopng {in} >{out}", "rgb.png"));
    for (size_t keep : {size_t(4), size_t(20), size_t(40), bytes.size() / 2, bytes.size() - 13, bytes.size() - 1}) {
        std::string text;
        EXPECT_EQ(DecodeError(bytes.substr(0, keep), &text), ErrEndOfFile) << keep;
        EXPECT_EQ(text, kTextEndOfFile);
    }
    for (size_t i = 8; i < bytes.size(); i += 97) {
        std::string damaged = bytes;
        damaged[i] = char(damaged[i] ^ 0x5A);
        std::string text;
        int code = DecodeError(damaged, &text);
        EXPECT_TRUE(code == ErrBadFormat || code == ErrEndOfFile || code == ErrNoMemory) << i << " " << code;
        if (code == ErrBadFormat) {
            EXPECT_EQ(text.rfind("Decoder error: ", 0), 0u);
        }
    }
}

TEST_F(PngTest, HeaderClaimingAHugePictureIsRefusedBeforeAllocating)
{
    std::string idat = Chunk("IDAT", std::string("\x78\x9C\x03\x00\x00\x00\x00\x01", 8));
    std::string iend = Chunk("IEND", "");
    EXPECT_EQ(DecodeError(kSignature + Ihdr(900000, 900000, 8, 2) + idat + iend), ErrNoMemory);
    EXPECT_EQ(DecodeError(kSignature + Ihdr(0x7FFFFFFF, 1, 8, 6) + idat + iend), ErrBadFormat);
    std::string text;
    EXPECT_EQ(DecodeError(kSignature + Ihdr(4, 4, 3, 2) + idat + iend, &text), ErrBadFormat);
    EXPECT_EQ(text.rfind("Decoder error: ", 0), 0u);
}

// Files the fuzzer found; each must end in a clean error.
TEST(PngMalformed, FuzzerFindsFailCleanly)
{
    std::string bytes = ReadFile(std::string(VELKOR_TEST_DATA) + "/png/malformed/huge-text-chunk.png");
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(DecodeError(bytes), ErrEndOfFile);
}

} // namespace
