// Colour conversion against lcms2 itself: pictures tagged with a Display
// P3 like and an Adobe RGB like profile turned into sRGB (by the engine
// and by velkor-cli convert --to-srgb) match lcms2's own transform to its
// built-in sRGB within one step; display transforms to another profile,
// gamma descriptions, and the cache of transforms.
#include "CliTestSupport.h"
#include "ColourTestSupport.h"
#include "engine/picture/AnyPicDecoder.h"
#include "engine/picture/ColourTransform.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cmath>

using namespace vktest;

namespace {

// lcms2's own transform of the pixels from `from` to `to` (empty: its
// built-in sRGB), relative colorimetric, one pixel at a time as RGB.
Pixels Reference(const Pixels& in, const std::string& from, const std::string& to = "")
{
    cmsHPROFILE source = cmsOpenProfileFromMem(from.data(), cmsUInt32Number(from.size()));
    cmsHPROFILE target =
        to.empty() ? cmsCreate_sRGBProfile() : cmsOpenProfileFromMem(to.data(), cmsUInt32Number(to.size()));
    cmsHTRANSFORM t = cmsCreateTransform(source, TYPE_RGB_8, target, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC,
                                         cmsFLAGS_NOCACHE);
    Pixels out = in;
    for (uint32_t& p : out.data) {
        const uint8_t rgb[3] = {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)};
        uint8_t o[3];
        cmsDoTransform(t, rgb, o, 1);
        p = (p & 0xFF000000u) | uint32_t(o[0]) << 16 | uint32_t(o[1]) << 8 | o[2];
    }
    cmsDeleteTransform(t);
    cmsCloseProfile(source);
    cmsCloseProfile(target);
    return out;
}

class ToSrgb : public ::testing::Test {
  protected:
    void SetUp() override
    {
        if (!HasProgram("identify"))
            GTEST_SKIP() << "ImageMagick missing";
        // Large enough to be turned in more than one band.
        WriteTestPpm(m_ppm, 700, 500);
    }

    std::string Tagged(const std::string& icc, const std::string& name)
    {
        const std::string iccPath = m_dir.File(name + ".icc");
        WriteFile(iccPath, icc);
        const std::string path = m_dir.File(name);
        EXPECT_EQ(WriteTagged(m_ppm, iccPath, path), 0);
        return path;
    }

    TempDir m_dir;
    std::string m_ppm = m_dir.File("in.ppm");
};

} // namespace

TEST_F(ToSrgb, WideGamutPicturesMatchLcms2WithinOneStep)
{
    struct Case {
        const char* name;
        const std::string& icc;
    };
    for (const Case& c : {Case{"p3", P3LikeProfile()}, Case{"adobe", AdobeRgbLikeProfile()}}) {
        for (const char* extension : {"png", "jpg", "tif"}) {
            const std::string name = std::string(c.name) + "." + extension;
            SCOPED_TRACE(name);
            const std::string path = Tagged(c.icc, name);
            CAnyPicDecoder decoder;
            CWinBmp bmp;
            decoder.DecodeFile(path, bmp, 32);
            const Pixels decoded = FromBitmap(bmp);
            const Pixels want = Reference(decoded, c.icc);
            // The colours really move: a wide gamut is not sRGB.
            EXPECT_GT(MaxChannelDifference(decoded, want), 20);

            ASSERT_TRUE(vkcolour::ConvertToSrgb(bmp));
            EXPECT_LE(MaxChannelDifference(FromBitmap(bmp), want), 1);
            ASSERT_TRUE(bmp.GetColourProfile());
            EXPECT_EQ(bmp.GetColourProfile()->kind, CColourProfile::Kind::Srgb);

            // The command line tool, read back by ImageMagick from a PPM
            // (which holds no profile to apply).
            const std::string out = m_dir.File(name + ".out.ppm");
            int status = 0;
            vkclitest::Cli("convert --to-srgb " + Quote(path) + " " + Quote(out), &status);
            ASSERT_EQ(status, 0);
            EXPECT_LE(MaxChannelDifference(Opaque(ReadWithImageMagick(out)), want), 1);
        }
    }
}

TEST_F(ToSrgb, DisplayTransformToAScreenProfileOnABottomUpBlock)
{
    const std::string path = Tagged(P3LikeProfile(), "p3.png");
    CAnyPicDecoder decoder;
    CWinBmp bmp;
    decoder.DecodeFile(path, bmp, 32);
    const Pixels decoded = FromBitmap(bmp);
    // The screen is an Adobe RGB one: the block is turned bottom line first.
    const ColourProfilePtr screen =
        MakeIccProfile({AdobeRgbLikeProfile().begin(), AdobeRgbLikeProfile().end()});
    const vkcolour::TransformPtr t = vkcolour::TransformFor(*bmp.GetColourProfile(), screen.get());
    ASSERT_TRUE(t);
    const int h = bmp.GetHeight();
    vkcolour::Apply(*t, bmp.GetLine(0), bmp.GetWidth(), h, bmp.GetLine(1) - bmp.GetLine(0));
    EXPECT_LE(
        MaxChannelDifference(FromBitmap(bmp), Reference(decoded, P3LikeProfile(), AdobeRgbLikeProfile())), 1);
}

TEST(ColourTransforms, GammaDescriptionsCacheAndNothingToDo)
{
    // A linear file (gAMA 1.0, sRGB's primaries): mid-grey in light is
    // sRGB's 188 (1.055 * 0.502^(1/2.4) - 0.055 = 0.7353).
    const ColourProfilePtr linear = MakeGammaProfile(1.0, nullptr);
    const vkcolour::TransformPtr t = vkcolour::TransformFor(*linear, nullptr);
    ASSERT_TRUE(t);
    uint32_t pixels[2] = {MakePixel(128, 128, 128, 77), MakePixel(0, 255, 0)};
    vkcolour::Apply(*t, reinterpret_cast<uint8_t*>(pixels), 2, 1, 8);
    EXPECT_NEAR(int(pixels[0] & 0xFF), 188, 1);
    EXPECT_EQ(pixels[0] >> 24, 77u); // alpha untouched
    EXPECT_EQ(pixels[1], MakePixel(0, 255, 0));

    // Asked again, the same transform without building one.
    const int built = vkcolour::TransformsBuilt();
    EXPECT_EQ(vkcolour::TransformFor(*MakeGammaProfile(1.0, nullptr), nullptr), t);
    EXPECT_EQ(vkcolour::TransformsBuilt(), built);

    // sRGB to sRGB is nothing to do; a picture without a description is left alone.
    EXPECT_FALSE(vkcolour::TransformFor(*MakeSrgbProfile(), nullptr));
    CWinBmp plain;
    MakeTestPicture(plain, 8, 8);
    EXPECT_FALSE(vkcolour::ConvertToSrgb(plain));

    // Chromaticities out of range are unusable, not a crash.
    const double bad[8] = {0.3127, 0.329, 1.5, 0.3, 0.3, 0.6, 0.15, 0.0};
    EXPECT_FALSE(vkcolour::TransformFor(*MakeGammaProfile(0.45, bad), nullptr));
    // A description written out as ICC reads back as the same colours.
    const std::vector<uint8_t> icc = vkcolour::IccBytesOf(*linear);
    ASSERT_FALSE(icc.empty());
    const vkcolour::TransformPtr again = vkcolour::TransformFor(*MakeIccProfile(icc), nullptr);
    ASSERT_TRUE(again);
    uint32_t grey = MakePixel(128, 128, 128);
    vkcolour::Apply(*again, reinterpret_cast<uint8_t*>(&grey), 1, 1, 4);
    EXPECT_NEAR(int(grey & 0xFF), 188, 1);
}
