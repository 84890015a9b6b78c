// PNG decoding: files written by netpbm and ImageMagick in every colour type
// and depth read as ImageMagick reads them, at 32 and 8 bits; alpha;
// truncated, damaged and oversized files.
#include "TestSupport.h"
#include "engine/picture/PNGDecoder.h"

#include <gtest/gtest.h>
#include <zlib.h>

using namespace vktest;

namespace {

std::pair<int, std::string> PngError(const std::string& bytes)
{
    CPNGDecoder decoder;
    return ErrorOf(decoder, bytes);
}

std::string Chunk(const std::string& type, const std::string& data)
{
    const std::string body = type + data;
    return Be32(uint32_t(data.size())) + body +
           Be32(uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
}

// Signature, header, an empty compressed stream and the end.
std::string PngFile(uint32_t width, uint32_t height, int bitDepth, int colorType)
{
    return std::string("\x89PNG\r\n\x1A\n", 8) +
           Chunk("IHDR",
                 Be32(width) + Be32(height) + char(bitDepth) + char(colorType) + std::string(3, '\0')) +
           Chunk("IDAT", std::string("\x78\x9C\x03\x00\x00\x00\x00\x01", 8)) + Chunk("IEND", "");
}

class PngTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        if (!HasProgram("pnmtopng") || !HasProgram(ImageMagick()))
            GTEST_SKIP() << "netpbm or ImageMagick not installed";
        CWinBmp picture;
        MakeTestPicture(picture, 61, 39);
        WriteFile(m_ppm, ToPpm(picture));
    }

    std::string Make(const std::string& command, const std::string& name)
    {
        EXPECT_EQ(RunWith(command, m_ppm, m_dir.File(name)), 0) << command;
        return ReadFile(m_dir.File(name));
    }

    TempDir m_dir;
    std::string m_ppm = m_dir.File("in.ppm");
};

} // namespace

TEST_F(PngTest, EveryColourTypeAndDepthReadsAsImageMagickReadsIt)
{
    const std::string im = ImageMagick();
    const std::string alphaX = " \\( +clone -fx 'i/w' \\) -alpha off -compose copy-opacity -composite ";
    const std::string alphaY = " \\( +clone -fx 'j/h' \\) -alpha off -compose copy-opacity -composite ";
    const struct {
        std::string command;
        const char* name;
        int tolerance;   // 16-bit samples: we keep the high byte, others round
        int sourceDepth; // 0: not checked
        bool alpha;
        bool eightBit; // also decoded at depth 0 to 8 bits, same pixels
    } cases[] = {
        {"pnmtopng {in} >{out}", "rgb.png", 0, 24, false, false},
        {"pnmtopng -interlace {in} >{out}", "rgb-interlaced.png", 0, 0, false, false},
        {"ppmtopgm {in} | pnmtopng >{out}", "gray.png", 0, 0, false, false},
        {"pamdepth 65535 {in} | pnmtopng >{out}", "rgb16.png", 1, 0, false, false},
        {"ppmtopgm {in} | pamdepth 65535 | pnmtopng >{out}", "gray16.png", 1, 0, false, true},
        {im + " {in} -colors 16 PNG8:{out}", "palette.png", 0, 0, false, true},
        {im + " {in} -colors 2 -type palette -depth 1 PNG8:{out}", "palette1.png", 0, 0, false, false},
        {im + " {in} -colorspace gray -depth 4 PNG:{out}", "gray4.png", 0, 0, false, true},
        {im + " {in} -colorspace gray -depth 2 PNG:{out}", "gray2.png", 0, 0, false, false},
        {im + " {in} -monochrome PNG:{out}", "gray1.png", 0, 0, false, true},
        {im + " {in}" + alphaX + "PNG32:{out}", "rgba.png", 0, 32, true, false},
        {im + " {in}" + alphaY + "-interlace png PNG32:{out}", "rgba-interlaced.png", 0, 0, true, false},
        {im + " {in}" + alphaY + "-depth 16 PNG64:{out}", "rgba16.png", 1, 0, true, false},
        {im + " {in} -colorspace gray" + alphaX + "-define png:color-type=4 PNG:{out}", "grayalpha.png", 0, 0,
         true, false},
        {"pnmtopng -transparent =rgb:ff/00/28 {in} >{out}", "rgb-trns.png", 0, 0, false, false},
        {im + " {in} -colors 8 -fill black -draw 'rectangle 0,0 9,9' -transparent black PNG8:{out}",
         "palette-trns.png", 0, 0, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string bytes = Make(c.command, c.name);
        Pixels expected = ReadWithImageMagick(m_dir.File(c.name));
        ASSERT_FALSE(expected.data.empty());
        CPNGDecoder decoder;
        CWinBmp bmp;
        const Pixels ours = DecodeBytes(decoder, bytes, 32, &bmp);
        EXPECT_EQ(bmp.GetBitsPerPixel(), 32);
        EXPECT_LE(MaxChannelDifference(ours, expected), c.tolerance);
        if (c.alpha) {
            EXPECT_TRUE(bmp.HasAlphaChannel());
        }
        if (c.sourceDepth) {
            EXPECT_EQ(bmp.GetSourceBitsPerPixel(), c.sourceDepth);
            EXPECT_EQ(bmp.HasAlphaChannel(), c.alpha);
            for (uint32_t v : ours.data)
                ASSERT_EQ(v >> 24, c.alpha ? v >> 24 : 255u);
        }
        if (c.eightBit) {
            EXPECT_EQ(DecodeBytes(decoder, bytes, 0, &bmp), ours);
            EXPECT_EQ(bmp.GetBitsPerPixel(), 8);
        }
        EXPECT_EQ(DecodeWithVelkor(m_dir.File(c.name)), ours);
    }
    // pngtopam agrees too, for the plain cases.
    CPNGDecoder decoder;
    EXPECT_EQ(DecodeBytes(decoder, ReadFile(m_dir.File("rgb-interlaced.png"))),
              ReadWithNetpbm("pngtopam " + Quote(m_dir.File("rgb-interlaced.png"))));
    // Half-transparent pixels keep their alpha.
    const std::string half =
        Make(im + " {in} -alpha set -channel A -evaluate set 50% PNG32:{out}", "half.png");
    EXPECT_NEAR(int(DecodeBytes(decoder, half).At(3, 3) >> 24), 128, 1);
}

TEST_F(PngTest, TruncatedDamagedAndOversizedFilesRaiseCleanErrors)
{
    const std::string bytes = Make("pnmtopng {in} >{out}", "rgb.png");
    for (size_t keep : {size_t(4), size_t(20), size_t(40)})
        EXPECT_EQ(PngError(bytes.substr(0, keep)), std::pair(int(ErrEndOfFile), std::string(kTextEndOfFile)))
            << keep;
    // Cut inside or after the pixels: the rows that came through, and the
    // damaged-picture warning.
    CPNGDecoder decoder;
    const Pixels full = DecodeBytes(decoder, bytes);
    for (size_t keep : {bytes.size() / 2, bytes.size() - 13, bytes.size() - 1}) {
        std::vector<std::string> warnings;
        CWarningScope scope([&](const std::string& t) { warnings.push_back(t); });
        Pixels cut;
        ASSERT_NO_THROW(cut = DecodeBytes(decoder, bytes.substr(0, keep))) << keep << " of " << bytes.size();
        EXPECT_EQ(warnings, std::vector<std::string>{kTextDamaged}) << keep;
        ASSERT_EQ(cut.width, full.width);
        for (int x = 0; x < full.width; ++x)
            ASSERT_EQ(cut.At(x, 0), full.At(x, 0)) << keep;
        if (keep + 1 == bytes.size()) {
            EXPECT_EQ(cut, full) << "every row was read before the end was lost";
        }
    }
    for (size_t i = 8; i < bytes.size(); i += 97) {
        std::string damaged = bytes;
        damaged[i] = char(damaged[i] ^ 0x5A);
        const auto [code, text] = PngError(damaged);
        EXPECT_TRUE(code == 0 || code == ErrBadFormat || code == ErrEndOfFile || code == ErrNoMemory)
            << i << " " << code;
        if (code == ErrBadFormat) {
            EXPECT_EQ(text.rfind("Decoder error: ", 0), 0u);
        }
    }
    // Headers claiming huge pictures are refused before allocating.
    EXPECT_EQ(PngError(PngFile(900000, 900000, 8, 2)).first, ErrNoMemory);
    EXPECT_EQ(PngError(PngFile(0x7FFFFFFF, 1, 8, 6)).first, ErrBadFormat);
    const auto [code, text] = PngError(PngFile(4, 4, 3, 2));
    EXPECT_EQ(code, ErrBadFormat);
    EXPECT_EQ(text.rfind("Decoder error: ", 0), 0u);
    // Found by fuzzing.
    const std::string found = ReadFile(std::string(VELKOR_TEST_DATA) + "/png/malformed/huge-text-chunk.png");
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(PngError(found).first, ErrEndOfFile);
}
