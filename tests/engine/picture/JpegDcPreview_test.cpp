// The DC preview of a progressive JPEG against libjpeg: djpeg at an eighth
// on files holding DC scans only, and libjpeg's first scan (the loader's
// old first paint) on files as cjpeg and ImageMagick write them; files it
// leaves to libjpeg, and every truncation of a small file.
#include "TestSupport.h"
#include "engine/picture/JPEGDecoder.h"
#include "engine/picture/JpegDcPreview.h"
#include "engine/picture/Orientation.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>

using namespace vktest;

namespace {

class JpegDcPreviewTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        if (!HasProgram("cjpeg") || !HasProgram("djpeg"))
            GTEST_SKIP() << "cjpeg/djpeg not installed";
        CWinBmp picture;
        MakeTestPicture(picture, 203, 131); // odd sides: partial blocks and MCUs
        WriteFile(m_ppm, ToPpm(picture));
    }

    std::string Encode(const std::string& options, const std::string& scans = "")
    {
        const std::string path = m_dir.File("t.jpg"), script = m_dir.File("scans.txt");
        if (!scans.empty())
            WriteFile(script, scans);
        EXPECT_EQ(vktest::Run("cjpeg " + options + (scans.empty() ? "" : " -scans " + Quote(script)) +
                              " -outfile " + Quote(path) + " " + Quote(m_ppm)),
                  0);
        return ReadFile(path);
    }

    static bool Preview(const std::string& bytes, Pixels& out, int orientation = 1)
    {
        CWinBmp bmp;
        const bool handled = DecodeJpegDcPreview(
            reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), orientation,
            [](int, int) { return true; }, bmp);
        if (handled)
            out = FromBitmap(bmp);
        return handled;
    }

    // libjpeg at an eighth without block smoothing: each block's DC alone.
    static Pixels LibjpegEighth(const std::string& bytes)
    {
        jpeg_decompress_struct cinfo{};
        jpeg_error_mgr errors{};
        cinfo.err = jpeg_std_error(&errors);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        jpeg_read_header(&cinfo, TRUE);
        cinfo.scale_denom = 8;
        cinfo.do_block_smoothing = FALSE;
        cinfo.do_fancy_upsampling = FALSE;
        cinfo.out_color_space = JCS_RGB;
        jpeg_start_decompress(&cinfo);
        Pixels p{int(cinfo.output_width), int(cinfo.output_height), {}};
        std::vector<uint8_t> row(size_t(p.width) * 3);
        for (JSAMPROW line = row.data(); cinfo.output_scanline < cinfo.output_height;) {
            jpeg_read_scanlines(&cinfo, &line, 1);
            for (int x = 0; x < p.width; ++x)
                p.data.push_back(MakePixel(row[x * 3], row[x * 3 + 1], row[x * 3 + 2]));
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        return p;
    }

    // libjpeg's first scan at an eighth, as the loader showed it before.
    static Pixels FirstScan(const std::string& bytes)
    {
        CJPEGDecoder decoder;
        decoder.SetScaleChooser([](int, int) { return 8; });
        decoder.SetFirstScanOnly();
        return DecodeBytes(decoder, bytes);
    }

    TempDir m_dir;
    std::string m_ppm = m_dir.File("in.ppm");
};

TEST_F(JpegDcPreviewTest, EqualsLibjpegAtAnEighth)
{
    // Files of DC scans only: libjpeg's picture at an eighth, exactly where
    // colour is whole; subsampled colour is spread smoothly where libjpeg
    // repeats it.
    const struct {
        const char* options;
        bool exact;
    } dcOnly[] = {
        {"-sample 1x1", true},  {"-sample 1x1 -restart 1B", true},
        {"-sample 2x2", false}, {"-sample 2x1", false},
        {"-sample 1x2", false}, {"-sample 2x2 -restart 1", false},
    };
    for (const auto& c : dcOnly) {
        SCOPED_TRACE(c.options);
        for (const char* scans : {"0,1,2: 0 0 0 0;", "0: 0 0 0 0; 2: 0 0 0 0; 1: 0 0 0 0;"}) {
            const std::string bytes = Encode(std::string("-progressive ") + c.options, scans);
            Pixels got;
            ASSERT_TRUE(Preview(bytes, got)) << scans;
            EXPECT_EQ(got.width, 26);
            EXPECT_EQ(got.height, 17);
            const Pixels want = LibjpegEighth(bytes);
            if (c.exact)
                EXPECT_EQ(Diff(got, want), "") << scans;
            else
                EXPECT_GT(Psnr(got, want), 32.0) << scans;
        }
    }
    Pixels grey;
    const std::string greyDc = Encode("-progressive -grayscale", "0: 0 0 0 0;");
    ASSERT_TRUE(Preview(greyDc, grey));
    EXPECT_EQ(Diff(grey, LibjpegEighth(greyDc)), "");
    // Whole files as cjpeg and ImageMagick write them, against libjpeg's
    // first scan: the same where colour is whole; libjpeg smooths
    // subsampled colour from AC values it estimates.
    const struct {
        const char* command;
        bool exact;
    } whole[] = {
        {"cjpeg -progressive -sample 1x1 -outfile {out} {in}", true},
        {"cjpeg -progressive -grayscale -outfile {out} {in}", true},
        {"cjpeg -progressive -sample 2x2 -restart 1 -outfile {out} {in}", false},
        {"cjpeg -progressive -sample 2x1 -optimize -outfile {out} {in}", false},
        {"{im} {in} -interlace JPEG -sampling-factor 2x2 {out}", false},
        {"{im} {in} -interlace JPEG -sampling-factor 1x1 -quality 95 {out}", true},
    };
    for (const auto& c : whole) {
        SCOPED_TRACE(c.command);
        const std::string out = m_dir.File("whole.jpg");
        ASSERT_EQ(RunWith(Substitute(c.command, "{im}", ImageMagick()), m_ppm, out), 0);
        const std::string bytes = ReadFile(out);
        Pixels got;
        ASSERT_TRUE(Preview(bytes, got));
        const Pixels want = FirstScan(bytes);
        if (c.exact)
            EXPECT_EQ(Diff(got, want), "");
        else
            EXPECT_GT(Psnr(got, want), 27.0);
    }
}

TEST_F(JpegDcPreviewTest, TurnsAsTold)
{
    const std::string bytes = Encode("-progressive -sample 2x2");
    CWinBmp upright, turned;
    const auto all = [](int, int) { return true; };
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    ASSERT_TRUE(DecodeJpegDcPreview(data, bytes.size(), OrientUpright, all, upright));
    for (int orientation = OrientMirrored; orientation <= OrientTurnedLeft; ++orientation) {
        SCOPED_TRACE(orientation);
        ASSERT_TRUE(DecodeJpegDcPreview(data, bytes.size(), orientation, all, turned));
        CWinBmp expected;
        expected.CopyFrom(upright);
        ApplyOrientation(expected, orientation);
        EXPECT_EQ(FromBitmap(turned), FromBitmap(expected));
    }
}

TEST_F(JpegDcPreviewTest, LeavesOtherFilesToLibjpeg)
{
    Pixels got;
    EXPECT_FALSE(Preview(Encode("-sample 2x2"), got)); // baseline
    EXPECT_FALSE(Preview(Encode("-progressive -arithmetic"), got));
    EXPECT_FALSE(Preview(Encode("-progressive -rgb"), got));
    // An AC scan before the other components' DC.
    EXPECT_FALSE(Preview(Encode("-progressive", "0: 0 0 0 0; 0: 1 63 0 0; 1: 0 0 0 0; 2: 0 0 0 0;"), got));
    // Declined once the size is known.
    const std::string bytes = Encode("-progressive");
    CWinBmp bmp;
    int width = 0;
    EXPECT_FALSE(DecodeJpegDcPreview(
        reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 1,
        [&width](int w, int) {
            width = w;
            return false;
        },
        bmp));
    EXPECT_EQ(width, 203);
}

TEST_F(JpegDcPreviewTest, EveryTruncationIsLeftOrWhole)
{
    for (const char* options : {"-progressive -sample 2x2 -restart 1", "-progressive -grayscale"}) {
        SCOPED_TRACE(options);
        const std::string bytes = Encode(options);
        Pixels whole, got;
        ASSERT_TRUE(Preview(bytes, whole));
        int handled = 0;
        for (size_t cut = 0; cut < bytes.size(); ++cut)
            if (Preview(bytes.substr(0, cut), got)) {
                ++handled;
                EXPECT_EQ(got, whole) << cut; // only once the DC is all there
            }
        EXPECT_GT(handled, 0);
    }
}

} // namespace
