// The colour description each decoder keeps with the picture: embedded ICC
// profiles in every format that holds one (written by ImageMagick, cwebp,
// heif-enc and cjxl), PNG's sRGB, gAMA and cHRM, and the JPEG and WebP
// parsers' handling of broken segments and chunks.
#include "ColourTestSupport.h"
#include "engine/edit/PictureEx.h"
#include "engine/picture/AnyPicDecoder.h"
#include "engine/picture/ColourProfile.h"
#include "engine/picture/ColourTransform.h"
#include "engine/picture/PNGDecoder.h"

#include <gtest/gtest.h>
#include <zlib.h>

using namespace vktest;

namespace {

using Segments = std::vector<std::pair<const uint8_t*, size_t>>;

std::string IccSegment(int number, int count, const std::string& data)
{
    return std::string("ICC_PROFILE", 12) + char(number) + char(count) + data;
}

Segments SegmentsOf(const std::vector<std::string>& bodies)
{
    Segments out;
    for (const std::string& b : bodies)
        out.emplace_back(reinterpret_cast<const uint8_t*>(b.data()), b.size());
    return out;
}

std::string AsString(const std::vector<uint8_t>& v)
{
    return {v.begin(), v.end()};
}

// `png` with a chunk of `type` and `data` placed after IHDR.
std::string WithChunk(const std::string& png, const std::string& type, const std::string& data)
{
    std::string chunk = Be32(uint32_t(data.size())) + type + data;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(chunk.data() + 4), uInt(chunk.size() - 4));
    chunk += Be32(uint32_t(crc));
    const size_t afterHeader = 8 + 8 + 13 + 4;
    return png.substr(0, afterHeader) + chunk + png.substr(afterHeader);
}

ColourProfilePtr ProfileOfFile(const std::string& path)
{
    CAnyPicDecoder decoder;
    CWinBmp bmp;
    decoder.DecodeFile(path, bmp, 32);
    return bmp.GetColourProfile();
}

class EmbeddedProfiles : public ::testing::Test {
  protected:
    void SetUp() override
    {
        if (!HasProgram("identify"))
            GTEST_SKIP() << "ImageMagick missing";
        WriteTestPpm(m_ppm, 40, 30);
        m_icc = P3LikeProfile();
        WriteFile(m_iccPath, m_icc);
        // PNG without any colour chunk, the base of the hand-made ones.
        ASSERT_EQ(vktest::Run(ImageMagick() + " " + Quote(m_ppm) + " -strip " + Quote(m_plainPng)), 0);
        ASSERT_EQ(WriteTagged(m_ppm, m_iccPath, m_taggedPng), 0);
    }

    std::string Tagged(const std::string& extension)
    {
        const std::string path = m_dir.File("tagged." + extension);
        EXPECT_EQ(WriteTagged(m_ppm, m_iccPath, path), 0);
        return path;
    }

    ColourProfilePtr ProfileOfPng(const std::string& bytes)
    {
        CPNGDecoder decoder;
        CWinBmp bmp;
        DecodeBytes(decoder, bytes, 32, &bmp);
        return bmp.GetColourProfile();
    }

    TempDir m_dir;
    std::string m_ppm = m_dir.File("in.ppm");
    std::string m_iccPath = m_dir.File("p3.icc");
    std::string m_plainPng = m_dir.File("plain.png");
    std::string m_taggedPng = m_dir.File("tagged.png");
    std::string m_icc;
};

} // namespace

TEST_F(EmbeddedProfiles, EveryFormatKeepsTheProfileItWasWrittenWith)
{
    for (const char* extension : {"png", "jpg", "tif"}) {
        SCOPED_TRACE(extension);
        const ColourProfilePtr profile = ProfileOfFile(Tagged(extension));
        ASSERT_TRUE(profile);
        EXPECT_EQ(profile->kind, CColourProfile::Kind::Icc);
        EXPECT_EQ(AsString(profile->icc), m_icc);
    }
    // The libraries' own writers take the profile from a tagged PNG.
    struct Writer {
        const char* program;
        const char* command;
        const char* name;
        bool sameBytes; // libjxl may describe the same colours anew
    };
    for (const Writer& w :
         {Writer{"cwebp", "cwebp -quiet -lossless -metadata icc {in} -o {out}", "t.webp", true},
          Writer{"heif-enc", "heif-enc -L {in} -o {out}", "t.heic", true},
          Writer{"cjxl", "cjxl -d 0 {in} {out}", "t.jxl", false}}) {
        SCOPED_TRACE(w.name);
        if (!HasProgram(w.program))
            continue;
        const std::string out = m_dir.File(w.name);
        ASSERT_EQ(RunWith(w.command, m_taggedPng, out), 0);
        const ColourProfilePtr profile = ProfileOfFile(out);
        ASSERT_TRUE(profile);
        ASSERT_EQ(profile->kind, CColourProfile::Kind::Icc);
        if (w.sameBytes) {
            EXPECT_EQ(AsString(profile->icc), m_icc);
        }
        EXPECT_TRUE(vkcolour::IsUsable(*profile));
    }
    // Nothing embedded, nothing kept; a decode after a tagged one starts clean.
    CAnyPicDecoder decoder;
    CWinBmp bmp;
    decoder.DecodeFile(m_taggedPng, bmp, 32);
    decoder.DecodeFile(m_plainPng, bmp, 32);
    EXPECT_FALSE(bmp.GetColourProfile());
}

TEST_F(EmbeddedProfiles, PngColourChunksInTheirOrderOfPrecedence)
{
    const std::string plain = ReadFile(m_plainPng);
    const std::string gama = Be32(45455);
    // White, red, green, blue as x and y times 100000.
    const std::string chrm = Be32(31270) + Be32(32900) + Be32(68000) + Be32(32000) + Be32(26500) +
                             Be32(69000) + Be32(15000) + Be32(6000);
    ColourProfilePtr p = ProfileOfPng(WithChunk(plain, "gAMA", gama));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->kind, CColourProfile::Kind::Gamma);
    EXPECT_NEAR(p->gamma, 0.45455, 1e-6);
    EXPECT_FALSE(p->hasChromaticities);

    p = ProfileOfPng(WithChunk(WithChunk(plain, "cHRM", chrm), "gAMA", gama));
    ASSERT_TRUE(p);
    ASSERT_TRUE(p->hasChromaticities);
    EXPECT_NEAR(p->chromaticities[2], 0.68, 1e-6);
    EXPECT_NEAR(p->chromaticities[5], 0.69, 1e-6);
    EXPECT_TRUE(vkcolour::IsUsable(*p));

    p = ProfileOfPng(WithChunk(WithChunk(plain, "gAMA", gama), "sRGB", std::string(1, '\0')));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->kind, CColourProfile::Kind::Srgb);

    p = ProfileOfPng(ReadFile(m_taggedPng));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->kind, CColourProfile::Kind::Icc);
}

TEST_F(EmbeddedProfiles, BrokenProfilesAreKeptAwayOrIgnoredWithThePictureShown)
{
    // A profile whose end is cut off, and one of noise of a plausible size.
    const std::string cut = m_icc.substr(0, m_icc.size() / 2);
    std::string noise(m_icc.size(), '\0');
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = char(i * 131 + 7);
    for (const std::string& bad : {cut, noise, m_icc.substr(0, 100)}) {
        SCOPED_TRACE(bad.size());
        const std::string iccPath = m_dir.File("bad.icc");
        WriteFile(iccPath, bad);
        for (const char* extension : {"jpg", "tif"}) {
            SCOPED_TRACE(extension);
            const std::string path = m_dir.File(std::string("bad.") + extension);
            // ImageMagick refuses to attach some of them; those are no test.
            if (WriteTagged(m_ppm, iccPath, path) != 0)
                continue;
            CAnyPicDecoder decoder;
            CWinBmp bmp;
            ASSERT_NO_THROW(decoder.DecodeFile(path, bmp, 32));
            EXPECT_EQ(bmp.GetWidth(), 40);
            if (const ColourProfilePtr& p = bmp.GetColourProfile()) {
                EXPECT_FALSE(vkcolour::IsUsable(*p));
                EXPECT_FALSE(vkcolour::TransformFor(*p, nullptr));
                CWinBmp copy;
                copy.CopyFrom(bmp);
                EXPECT_FALSE(vkcolour::ConvertToSrgb(copy));
                EXPECT_EQ(FromBitmap(copy), FromBitmap(bmp));
            }
        }
    }
}

TEST(JpegIccSegments, ReassembledInNumberOrderOrNotAtAll)
{
    const std::string a = "first part ", b = "second part ", c = "third";
    // In any order; other APP2 uses are passed over.
    EXPECT_EQ(AsString(AssembleJpegIccSegments(SegmentsOf(
                  {IccSegment(2, 3, b), "FPXR\0other", IccSegment(3, 3, c), IccSegment(1, 3, a)}))),
              a + b + c);
    EXPECT_EQ(AsString(AssembleJpegIccSegments(SegmentsOf({IccSegment(1, 1, a)}))), a);
    const std::vector<std::vector<std::string>> broken = {
        {IccSegment(1, 3, a), IccSegment(3, 3, c)}, // one missing
        {IccSegment(1, 2, a), IccSegment(1, 2, b)}, // one twice
        {IccSegment(1, 2, a), IccSegment(2, 3, b)}, // counts disagree
        {IccSegment(0, 1, a)},                      // numbered from 0
        {IccSegment(2, 1, a)},                      // beyond the count
        {IccSegment(1, 1, "")},                     // no data
        {std::string("ICC_PROFILE", 12) + char(1)}, // header cut short
        {IccSegment(1, 0, a)},                      // count 0
    };
    for (size_t i = 0; i < broken.size(); ++i)
        EXPECT_TRUE(AssembleJpegIccSegments(SegmentsOf(broken[i])).empty()) << "case " << i;
    EXPECT_TRUE(AssembleJpegIccSegments({}).empty());
}

TEST(WebPIccChunk, FoundInsideTheRiffOnly)
{
    const std::string icc = "profile";
    auto riff = [](const std::string& chunks) {
        return "RIFF" + Le32(uint32_t(4 + chunks.size())) + "WEBP" + chunks;
    };
    const std::string vp8x = "VP8X" + Le32(10) + std::string(10, '\0');
    const std::string iccp = "ICCP" + Le32(uint32_t(icc.size())) + icc + '\0'; // odd: padded
    auto find = [](const std::string& file) {
        return AsString(FindWebPIccChunk(reinterpret_cast<const uint8_t*>(file.data()), file.size()));
    };
    EXPECT_EQ(find(riff(vp8x + iccp)), icc);
    EXPECT_EQ(find(riff(vp8x)), "");
    // Cut inside the chunk, a length past the end, not RIFF.
    EXPECT_EQ(find(riff(vp8x + iccp).substr(0, 12 + vp8x.size() + 10)), "");
    EXPECT_EQ(find(riff(vp8x + "ICCP" + Le32(0xFFFFFFF0u) + icc)), "");
    EXPECT_EQ(find("RIFX" + riff(vp8x + iccp).substr(4)), "");
}

TEST(ColourProfileCarried, CopiesEditsAndUndoKeepIt)
{
    CPictureEx picture;
    MakeTestPicture(picture, 20, 10);
    const ColourProfilePtr profile = MakeGammaProfile(0.5, nullptr);
    picture.SetColourProfile(profile);
    picture.Rotate(90, RotateHigh);
    EXPECT_EQ(picture.GetColourProfile(), profile);
    picture.Rotate(30, RotateMedium);
    EXPECT_EQ(picture.GetColourProfile(), profile);
    picture.Invert();
    picture.Undo();
    EXPECT_EQ(picture.GetColourProfile(), profile);
    CWinBmp copy;
    copy.CopyFrom(picture, 8);
    EXPECT_EQ(copy.GetColourProfile(), profile);
}
