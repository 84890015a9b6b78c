// JPEG decoding: pixels equal to djpeg with the same settings (float IDCT,
// no fancy upsampling) for the usual encodings, truncated and damaged files,
// and JPEG data read from the middle of a larger buffer.
#include "TestSupport.h"
#include "engine/picture/AnyPicDecoder.h"
#include "engine/picture/JPEGDecoder.h"

#include <gtest/gtest.h>

using namespace vktest;

namespace {

Pixels Decode(CPicDecoder& decoder, const std::string& bytes, int wanted = 32, int* depth = nullptr)
{
    CWinBmp bmp;
    const Pixels p = DecodeBytes(decoder, bytes, wanted, &bmp);
    if (depth)
        *depth = bmp.GetBitsPerPixel();
    return p;
}

class JpegTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        if (!HasProgram("cjpeg") || !HasProgram("djpeg"))
            GTEST_SKIP() << "cjpeg/djpeg not installed";
        CWinBmp picture;
        MakeTestPicture(picture, 77, 45);
        WriteFile(m_ppm, ToPpm(picture));
    }

    // Encodes the test picture with cjpeg options.
    std::string Encode(const std::string& options, const std::string& name)
    {
        std::string path = m_dir.File(name);
        EXPECT_EQ(vktest::Run("cjpeg " + options + " -outfile " + Quote(path) + " " + Quote(m_ppm)), 0);
        return path;
    }

    static Pixels Djpeg(const std::string& path)
    {
        return ReadWithNetpbm("djpeg -dct float -nosmooth -pnm " + Quote(path));
    }

    TempDir m_dir;
    std::string m_ppm = m_dir.File("in.ppm");
    CJPEGDecoder m_decoder;
};

TEST_F(JpegTest, PixelsEqualDjpegForEveryEncoding)
{
    const struct {
        const char* options;
        const char* name;
    } cases[] = {
        {"-quality 90 -sample 2x2", "420.jpg"},
        {"-quality 75 -sample 2x1", "422.jpg"},
        {"-quality 95 -sample 1x1", "444.jpg"},
        {"-sample 1x2", "440.jpg"},
        {"-progressive -sample 2x2", "progressive.jpg"},
        {"-progressive -sample 1x1 -optimize", "progressive444.jpg"},
        {"-restart 1 -sample 2x2", "restart.jpg"},
        {"-arithmetic", "arithmetic.jpg"},
        {"-grayscale", "gray.jpg"},
        {"-grayscale -progressive", "grayprogressive.jpg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = Encode(c.options, c.name);
        Pixels expected = Djpeg(path);
        ASSERT_FALSE(expected.data.empty());
        EXPECT_EQ(Decode(m_decoder, ReadFile(path)), expected);
        // Through the detector and the file source as the program loads it.
        EXPECT_EQ(DecodeWithVelkor(path), expected);
    }
}

TEST_F(JpegTest, ReducedDecodesEqualDjpegAtTheSameScale)
{
    for (const char* options : {"-sample 2x2", "-progressive -sample 1x1", "-grayscale"}) {
        SCOPED_TRACE(options);
        const std::string path = Encode(options, "s.jpg");
        const std::string bytes = ReadFile(path);
        for (int d : {2, 4, 8}) {
            SCOPED_TRACE(d);
            int seenWidth = 0, seenHeight = 0;
            m_decoder.SetScaleChooser([&](int w, int h) {
                seenWidth = w;
                seenHeight = h;
                return d;
            });
            const Pixels reduced = Decode(m_decoder, bytes);
            EXPECT_EQ(seenWidth, 77);
            EXPECT_EQ(seenHeight, 45);
            EXPECT_EQ(m_decoder.GetFullWidth(), 77);
            EXPECT_EQ(m_decoder.GetFullHeight(), 45);
            EXPECT_EQ(m_decoder.GetScaleDenominator(), d);
            EXPECT_EQ(reduced.width, (77 + d - 1) / d);
            EXPECT_EQ(reduced.height, (45 + d - 1) / d);
            EXPECT_EQ(reduced, ReadWithNetpbm("djpeg -dct float -nosmooth -scale 1/" + std::to_string(d) +
                                              " -pnm " + Quote(path)));
        }
    }
    // Any other answer decodes the full picture; no chooser is full size too.
    const std::string bytes = ReadFile(Encode("", "f.jpg"));
    for (int d : {0, 1, 3, 16, -8, 1 << 30}) {
        m_decoder.SetScaleChooser([d](int, int) { return d; });
        const Pixels p = Decode(m_decoder, bytes);
        EXPECT_EQ(p.width, 77) << d;
        EXPECT_EQ(m_decoder.GetScaleDenominator(), 1);
    }
    m_decoder.SetScaleChooser({});
    EXPECT_EQ(Decode(m_decoder, bytes).width, 77);
    // The same decoder goes on decoding reduced and full in turn.
    m_decoder.SetScaleChooser([](int, int) { return 8; });
    EXPECT_EQ(Decode(m_decoder, bytes).width, 10);
    EXPECT_NE(ErrorOf(m_decoder, bytes.substr(0, 20)).first, 0);
    m_decoder.SetScaleChooser({});
    EXPECT_EQ(Decode(m_decoder, bytes).width, 77);

    // A progressive file's first scan alone: its DC values less their last
    // bit, nearly all a 1/8 picture of a smooth scene needs, so on average
    // it is within a few levels of the whole decode (libjpeg smooths the
    // coarse blocks, so sharp edges differ more). Only the next reduced
    // decode of a progressive file is cut short.
    CWinBmp smooth;
    smooth.Create(77, 45, 32, false);
    for (int y = 0; y < 45; ++y)
        for (int x = 0; x < 77; ++x)
            smooth.GetLine32(y)[x] = MakePixel(uint8_t(x * 3), uint8_t(y * 5), uint8_t(200 - x - y));
    WriteFile(m_ppm, ToPpm(smooth));
    const std::string progressive = ReadFile(Encode("-progressive", "p.jpg"));
    m_decoder.SetScaleChooser([](int, int) { return 8; });
    const Pixels whole = Decode(m_decoder, progressive);
    m_decoder.SetFirstScanOnly();
    const Pixels first = Decode(m_decoder, progressive);
    EXPECT_TRUE(m_decoder.WasFirstScanOnly());
    ASSERT_EQ(first.width, whole.width);
    double total = 0;
    for (size_t i = 0; i < first.data.size(); ++i)
        for (int shift : {0, 8, 16})
            total += std::abs(int(first.data[i] >> shift & 0xFF) - int(whole.data[i] >> shift & 0xFF));
    EXPECT_LT(total / double(first.data.size() * 3), 8.0);
    EXPECT_EQ(Decode(m_decoder, progressive), whole);
    EXPECT_FALSE(m_decoder.WasFirstScanOnly());
    m_decoder.SetFirstScanOnly();
    EXPECT_EQ(Decode(m_decoder, bytes).width, 10); // baseline: every scan
    EXPECT_FALSE(m_decoder.WasFirstScanOnly());
    m_decoder.SetScaleChooser({});
    m_decoder.SetFirstScanOnly();
    EXPECT_EQ(Decode(m_decoder, progressive),
              ReadWithNetpbm("djpeg -dct float -nosmooth -pnm " + Quote(Encode("-progressive", "p.jpg"))));
    EXPECT_FALSE(m_decoder.WasFirstScanOnly());
}

TEST_F(JpegTest, GrayscaleDepthFollowsWantedDepth)
{
    // Gray files decode to 8 bits when the depth is free, to the same gray
    // pixels; colour files are 32 bits whatever was asked for, opaque.
    const std::string gray = ReadFile(Encode("-grayscale", "gray.jpg"));
    int depth = 0;
    const Pixels at32 = Decode(m_decoder, gray, 32, &depth);
    EXPECT_EQ(depth, 32);
    EXPECT_EQ(Decode(m_decoder, gray, 0, &depth), at32);
    EXPECT_EQ(depth, 8);
    const uint32_t v = at32.At(10, 10);
    EXPECT_EQ(v, MakePixel(uint8_t(v), uint8_t(v), uint8_t(v)));
    const Pixels colour = Decode(m_decoder, ReadFile(Encode("", "colour.jpg")), 0, &depth);
    EXPECT_EQ(depth, 32);
    EXPECT_EQ(colour, Opaque(colour));
}

TEST_F(JpegTest, TruncatedFilesDecodeWhatIsThere)
{
    for (const char* options : {"-sample 2x2", "-progressive"}) {
        SCOPED_TRACE(options);
        std::string bytes = ReadFile(Encode(options, "t.jpg"));
        std::vector<std::string> none;
        Pixels full;
        {
            CWarningScope scope([&](const std::string& t) { none.push_back(t); });
            full = Decode(m_decoder, bytes);
        }
        EXPECT_TRUE(none.empty());
        size_t scan = bytes.find("\xFF\xDA");
        ASSERT_NE(scan, std::string::npos);
        const size_t entropy = bytes.size() - scan;
        for (size_t keep : {bytes.size() - 2, scan + entropy * 3 / 4, scan + entropy / 2, scan + 20}) {
            Pixels cut;
            std::vector<std::string> warnings;
            {
                CWarningScope scope([&](const std::string& t) { warnings.push_back(t); });
                ASSERT_NO_THROW(cut = Decode(m_decoder, bytes.substr(0, keep))) << keep;
            }
            // Said once, whatever number of lost blocks libjpeg reports.
            EXPECT_EQ(warnings, std::vector<std::string>{kTextDamaged}) << keep;
            ASSERT_EQ(cut.width, full.width);
            ASSERT_EQ(cut.height, full.height);
            if (std::string(options) == "-sample 2x2" && keep >= scan + entropy / 2) {
                // The first lines of a sequential file are all present.
                for (int x = 0; x < full.width; ++x)
                    ASSERT_EQ(cut.At(x, 0), full.At(x, 0)) << keep;
            }
        }
    }
    // Cut before the frame header there is no picture at all.
    const auto [code, text] = ErrorOf(m_decoder, std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10));
    EXPECT_EQ(code, ErrUnsupported);
    EXPECT_EQ(text.rfind("Decoder error: ", 0), 0u);
    EXPECT_EQ(text.substr(text.size() - 2), "\n\n");
}

TEST_F(JpegTest, DamagedFilesFailCleanlyAndTheDecoderStaysUsable)
{
    std::string bytes = ReadFile(Encode("-sample 2x2", "d.jpg"));
    Pixels good = Decode(m_decoder, bytes);

    // Bytes flipped through the headers: decoded or refused, never more.
    for (size_t i = 2; i < 400 && i < bytes.size(); i += 3) {
        std::string damaged = bytes;
        damaged[i] = char(damaged[i] ^ 0xFF);
        const int code = ErrorOf(m_decoder, damaged).first;
        EXPECT_TRUE(code == 0 || code == ErrUnsupported || code == ErrNoMemory) << i << " " << code;
    }

    // A frame header claiming 65000 x 65000 is refused before anything that size is allocated.
    size_t sof = bytes.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    std::string huge = bytes;
    huge[sof + 5] = huge[sof + 7] = char(0xFD);
    huge[sof + 6] = huge[sof + 8] = char(0xE8);
    EXPECT_EQ(ErrorOf(m_decoder, huge).first, ErrNoMemory);

    // No end of image at all and garbage instead of entropy data.
    std::string garbage = bytes.substr(0, bytes.find("\xFF\xDA") + 20) + std::string(2000, '\x55');
    EXPECT_NO_THROW(Decode(m_decoder, garbage));

    EXPECT_EQ(Decode(m_decoder, bytes), good);
}

TEST_F(JpegTest, EndlessScansAreCutOff)
{
    // The last scan of a progressive file repeated: a few repeats decode,
    // more than any encoder writes are refused instead of decoded forever.
    std::string bytes = ReadFile(Encode("-progressive", "p.jpg"));
    std::string lastScan = bytes.substr(bytes.rfind("\xFF\xDA"));
    lastScan.resize(lastScan.size() - 2);
    const std::string body = bytes.substr(0, bytes.size() - 2);
    std::string some = body, endless = body;
    for (int i = 0; i < 20; ++i)
        some += lastScan;
    for (int i = 0; i < 1100; ++i)
        endless += lastScan;
    EXPECT_EQ(ErrorOf(m_decoder, some + "\xFF\xD9").first, 0);
    const auto [code, text] = ErrorOf(m_decoder, endless + "\xFF\xD9");
    EXPECT_EQ(code, ErrUnsupported);
    EXPECT_NE(text.find("scans"), std::string::npos) << text;
}

TEST_F(JpegTest, DecodesFromTheSourcePositionAndConsumesTheData)
{
    std::string jpeg = ReadFile(Encode("-sample 2x2", "e.jpg"));
    std::string container = std::string(37, 'x') + jpeg + "trailing";
    CMemSource source(reinterpret_cast<const uint8_t*>(container.data()), container.size());
    source.Skip(37);
    CWinBmp bmp;
    m_decoder.Decode(source, bmp, 32);
    EXPECT_EQ(FromBitmap(bmp), Djpeg(m_dir.File("e.jpg")));
    EXPECT_EQ(source.GetOffset(), 37 + jpeg.size());
}

TEST_F(JpegTest, CmykFileIsConvertedToRgb)
{
    if (!HasProgram(ImageMagick()))
        GTEST_SKIP() << "ImageMagick not installed";
    std::string path = m_dir.File("cmyk.jpg");
    ASSERT_EQ(
        vktest::Run(ImageMagick() + " " + Quote(m_ppm) + " -colorspace cmyk -quality 95 " + Quote(path)), 0);
    Pixels ours = Decode(m_decoder, ReadFile(path));
    Pixels theirs = Opaque(ReadWithImageMagick(path));
    EXPECT_GT(Psnr(ours, theirs), 30.0);
}

} // namespace
