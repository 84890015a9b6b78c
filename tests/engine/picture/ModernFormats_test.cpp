// WebP, AVIF, HEIC and JPEG XL: pixels against the libraries' own command
// line decoders (dwebp, heif-convert, djxl), first frames of animations, and
// damaged files.
#include "TestSupport.h"
#include "engine/picture/AnyPicDecoder.h"
#include "engine/picture/HEIFDecoder.h"
#include "engine/picture/JXLDecoder.h"
#include "engine/picture/WebPDecoder.h"

#include <gtest/gtest.h>

using namespace vktest;

namespace {

struct Decoded {
    Pixels pixels;
    bool alpha = false;
    int sourceDepth = 0;
};

Decoded DecodeFileWith(CPicDecoder& decoder, const std::string& path)
{
    CWinBmp bmp;
    decoder.DecodeFile(path, bmp, 32);
    return {FromBitmap(bmp), bmp.HasAlphaChannel(), bmp.GetSourceBitsPerPixel()};
}

class ModernFormats : public ::testing::Test {
  protected:
    void SetUp() override
    {
        if (!HasProgram("identify"))
            GTEST_SKIP() << "ImageMagick missing";
        WriteTestPpm(m_ppm, 67, 41, 0, 3);
        // The same picture with a graded, partly clear alpha channel.
        ASSERT_EQ(vktest::Run(ImageMagick() + " " + Quote(m_ppm) +
                              " \\( -size 67x41 gradient:white-'rgba(0,0,0,0)' -alpha extract \\) -alpha off"
                              " -compose copy_opacity -composite " +
                              Quote(m_alphaPng)),
                  0);
        ASSERT_EQ(vktest::Run(ImageMagick() + " " + Quote(m_ppm) + " " + Quote(m_png)), 0);
    }

    // Encodes `input` with `encoder` ({in} and {out} in the command), decodes
    // the result with `decoder` into a PNG and with us; both must agree
    // within one step per channel. Returns our reading.
    Decoded ExpectLikeLibrary(const std::string& encoder, const std::string& decoder,
                              const std::string& input, const std::string& name)
    {
        SCOPED_TRACE(name);
        const std::string file = m_dir.File(name);
        const std::string reference = m_dir.File(name + ".png");
        EXPECT_EQ(RunWith(encoder, input, file), 0);
        EXPECT_EQ(RunWith(decoder, file, reference), 0);
        Decoded ours;
        try {
            ours = DecodeFileWith(*m_decoder, file);
        } catch (const CTextException& e) {
            ADD_FAILURE() << e.GetText();
            return ours;
        }
        EXPECT_LE(MaxChannelDifference(ours.pixels, ReadWithImageMagick(reference)), 1);
        return ours;
    }

    CPicDecoder* m_decoder = nullptr;
    TempDir m_dir;
    std::string m_ppm = m_dir.File("src.ppm");
    std::string m_png = m_dir.File("src.png");
    std::string m_alphaPng = m_dir.File("alpha.png");
};

const std::vector<int> kDamageCodes = {ErrWrongSignature, ErrBadFormat, ErrUnsupported, ErrNoMemory,
                                       ErrEndOfFile};

} // namespace

TEST_F(ModernFormats, WebPLossyLosslessAndAlphaMatchDwebp)
{
    if (!HasProgram("cwebp") || !HasProgram("dwebp"))
        GTEST_SKIP() << "webp tools missing";
    CWebPDecoder webp;
    m_decoder = &webp;
    const std::string dwebp = "dwebp {in} -o {out}";
    Decoded lossy = ExpectLikeLibrary("cwebp -q 80 {in} -o {out}", dwebp, m_png, "lossy.webp");
    EXPECT_FALSE(lossy.alpha);
    EXPECT_EQ(lossy.sourceDepth, 24);
    Decoded lossless = ExpectLikeLibrary("cwebp -lossless {in} -o {out}", dwebp, m_png, "lossless.webp");
    // Lossless is the source itself.
    EXPECT_EQ(Diff(lossless.pixels, ParsePnm(ReadFile(m_ppm))), "");
    Decoded alpha = ExpectLikeLibrary("cwebp -q 90 -exact {in} -o {out}", dwebp, m_alphaPng, "alpha.webp");
    EXPECT_TRUE(alpha.alpha);
    EXPECT_EQ(alpha.sourceDepth, 32);
    ExpectLikeLibrary("cwebp -lossless -exact {in} -o {out}", dwebp, m_alphaPng, "alpha-lossless.webp");
}

TEST_F(ModernFormats, AnimatedWebPShowsItsFirstFrame)
{
    if (!HasProgram("img2webp"))
        GTEST_SKIP() << "img2webp missing";
    const std::string second = m_dir.File("second.png");
    const std::string file = m_dir.File("anim.webp");
    ASSERT_EQ(vktest::Run(ImageMagick() + " " + Quote(m_png) + " -negate " + Quote(second) +
                          " && img2webp -lossless " + Quote(m_png) + " " + Quote(second) + " -o " +
                          Quote(file) + " >/dev/null 2>&1"),
              0);
    CWebPDecoder webp;
    Decoded ours = DecodeFileWith(webp, file);
    EXPECT_EQ(Diff(Opaque(ours.pixels), ParsePnm(ReadFile(m_ppm))), "");
}

TEST_F(ModernFormats, AvifAndHeicMatchHeifConvert)
{
    if (!HasProgram("heif-enc") || !HasProgram("heif-convert"))
        GTEST_SKIP() << "libheif tools missing";
    CHEIFDecoder heif;
    m_decoder = &heif;
    const std::string convert = "heif-convert {in} {out}";
    Decoded avif = ExpectLikeLibrary("heif-enc -A -q 80 {in} -o {out}", convert, m_png, "pic.avif");
    EXPECT_FALSE(avif.alpha);
    Decoded avifAlpha =
        ExpectLikeLibrary("heif-enc -A -q 90 {in} -o {out}", convert, m_alphaPng, "alpha.avif");
    EXPECT_TRUE(avifAlpha.alpha);
    // heif-enc needs an HEVC encoder (x265) for HEIC; not every build has one.
    std::string encoders;
    vktest::Run("heif-enc --list-encoders 2>&1", &encoders);
    if (encoders.find("HEVC") == std::string::npos && encoders.find("x265") == std::string::npos)
        GTEST_SKIP() << "heif-enc has no HEVC encoder here: the HEIC case was not run";
    ExpectLikeLibrary("heif-enc -q 80 {in} -o {out}", convert, m_png, "pic.heic");
    ExpectLikeLibrary("heif-enc -q 90 {in} -o {out}", convert, m_alphaPng, "alpha.heic");
}

TEST_F(ModernFormats, JpegXlMatchesDjxl)
{
    if (!HasProgram("cjxl") || !HasProgram("djxl"))
        GTEST_SKIP() << "libjxl tools missing";
    CJXLDecoder jxl;
    m_decoder = &jxl;
    const std::string djxl = "djxl {in} {out}";
    Decoded lossless = ExpectLikeLibrary("cjxl -d 0 {in} {out}", djxl, m_png, "lossless.jxl");
    EXPECT_EQ(Diff(lossless.pixels, ParsePnm(ReadFile(m_ppm))), "");
    ExpectLikeLibrary("cjxl -d 1.5 {in} {out}", djxl, m_png, "lossy.jxl");
    Decoded alpha = ExpectLikeLibrary("cjxl -d 0 {in} {out}", djxl, m_alphaPng, "alpha.jxl");
    EXPECT_TRUE(alpha.alpha);
    // A JPEG recompressed losslessly into JPEG XL.
    const std::string jpeg = m_dir.File("src.jpg");
    ASSERT_EQ(vktest::Run(ImageMagick() + " " + Quote(m_ppm) + " " + Quote(jpeg)), 0);
    ExpectLikeLibrary("cjxl {in} {out}", djxl, jpeg, "recompressed.jxl");
}

TEST_F(ModernFormats, DamagedFilesEndInCleanErrors)
{
    struct Case {
        const char* encoder;
        const char* name;
        CPicDecoder* decoder;
    };
    CWebPDecoder webp;
    CHEIFDecoder heif;
    CJXLDecoder jxl;
    const Case cases[] = {
        {"cwebp -q 70 {in} -o {out}", "d.webp", &webp},
        {"cwebp -lossless {in} -o {out}", "dl.webp", &webp},
        {"heif-enc -A -q 50 {in} -o {out}", "d.avif", &heif},
        {"cjxl -d 2 {in} {out}", "d.jxl", &jxl},
        {"cjxl -d 0 {in} {out}", "dl.jxl", &jxl},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = m_dir.File(c.name);
        if (RunWith(c.encoder, m_png, file) != 0)
            continue;
        const std::string bytes = ReadFile(file);
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(CutFailures(*c.decoder, bytes, kDamageCodes, Positions(0, bytes.size(), 64, 7)), "");
        EXPECT_EQ(FlipFailures(*c.decoder, bytes, Positions(0, bytes.size(), 64, 5), {0x01, 0x80, 0xFF}, {}),
                  "");
    }
    // Wrong signatures given straight to each decoder.
    EXPECT_EQ(ErrorOf(webp, "RIFF....WAVE").first, ErrWrongSignature);
    EXPECT_EQ(ErrorOf(heif, std::string(32, 'x')).first, ErrWrongSignature);
    EXPECT_EQ(ErrorOf(jxl, "P6 1 1 255\n").first, ErrWrongSignature);
}
