// Camera RAW files through LibRaw: Bayer DNGs written with libtiff, developed
// and checked against LibRaw's own dcraw_emu; the embedded preview turned
// upright; RAW files told apart from plain TIFF; damaged and abandoned files.
#include "RawFiles.h"
#include "TestSupport.h"
#include "engine/picture/AnyPicDecoder.h"
#include "engine/picture/RawDecoder.h"
#include "engine/thumbnail/Thumbnailer.h"

#include <gtest/gtest.h>

using namespace vktest;

namespace {

class RawFiles : public ::testing::Test {
  protected:
    void SetUp() override
    {
        if (!HasProgram("dcraw_emu"))
            GTEST_SKIP() << "dcraw_emu (libraw-bin) missing";
    }

    // LibRaw's own development of `path` with the camera's white balance,
    // read from the PPM it writes beside it.
    Pixels Developed(const std::string& path)
    {
        EXPECT_EQ(vktest::Run("dcraw_emu -w " + Quote(path) + " 2>/dev/null"), 0);
        return ParsePnm(ReadFile(path + ".ppm"));
    }

    // A JPEG of `width` x `height` made by ImageMagick.
    std::string Jpeg(int width, int height)
    {
        const std::string ppm = m_dir.File("preview.ppm"), jpg = m_dir.File("preview.jpg");
        WriteTestPpm(ppm, width, height, 0, 5);
        EXPECT_EQ(RunWith(ImageMagick() + " {in} -quality 95 {out}", ppm, jpg), 0);
        return ReadFile(jpg);
    }

    TempDir m_dir;
};

} // namespace

TEST_F(RawFiles, DevelopedPixelsAreLibRawsOwnInEveryOrientation)
{
    for (int orientation : {1, 3, 6, 8}) {
        SCOPED_TRACE(orientation);
        const std::string path = m_dir.File("bayer" + std::to_string(orientation) + ".dng");
        ASSERT_TRUE(WriteBayerDng(path, {.width = 64, .height = 48, .orientation = orientation}));
        const Pixels want = Developed(path);
        ASSERT_GT(want.width, 0);
        CAnyPicDecoder decoder;
        CWinBmp bmp;
        decoder.DecodeFile(path, bmp, 32);
        EXPECT_EQ(decoder.GetDetectedFormat(), FormatDNG);
        EXPECT_FALSE(decoder.GetFound().preview);
        const bool turned = orientation >= 5;
        EXPECT_EQ(bmp.GetWidth(), turned ? 48 : 64);
        EXPECT_EQ(Diff(FromBitmap(bmp), want), "");
        // Asking for the preview of a file without one develops it all the same.
        decoder.SetChoice({.page = 0, .preview = true});
        decoder.DecodeFile(path, bmp, 32);
        EXPECT_FALSE(decoder.GetFound().preview);
        EXPECT_EQ(Diff(FromBitmap(bmp), want), "");
    }
}

TEST_F(RawFiles, ThePreviewIsShownUprightWithTheDevelopedSize)
{
    const std::string jpeg = Jpeg(40, 30);
    const Pixels previewPixels = ReadWithImageMagick(m_dir.File("preview.jpg"));
    const std::string path = m_dir.File("preview.dng");
    ASSERT_TRUE(WriteBayerDng(path, {.width = 80,
                                     .height = 60,
                                     .orientation = 6,
                                     .previewJpeg = jpeg,
                                     .previewWidth = 40,
                                     .previewHeight = 30}));
    CAnyPicDecoder decoder;
    decoder.SetChoice({.page = 0, .preview = true});
    CWinBmp bmp;
    decoder.DecodeFile(path, bmp, 32);
    ASSERT_TRUE(decoder.GetFound().preview);
    EXPECT_EQ(decoder.GetFound().fullWidth, 60);
    EXPECT_EQ(decoder.GetFound().fullHeight, 80);
    // Turned a quarter right: the preview's bottom-left corner is now top left.
    ASSERT_EQ(bmp.GetWidth(), 30);
    ASSERT_EQ(bmp.GetHeight(), 40);
    EXPECT_LE(MaxChannelDifference(Pixels{1, 1, {FromBitmap(bmp).At(0, 0)}},
                                   Pixels{1, 1, {previewPixels.At(0, 29)}}),
              2);

    // The thumbnail comes from the preview, and knows the full size.
    CThumbnailer thumbnailer;
    CWinBmp thumb;
    const ThumbnailSource made = thumbnailer.MakeFromFile(path, 128, thumb);
    EXPECT_EQ(made.format, FormatDNG);
    EXPECT_EQ(made.width, 60);
    EXPECT_EQ(made.height, 80);
    EXPECT_EQ(thumb.GetWidth(), 30);
    EXPECT_EQ(thumb.GetHeight(), 40);

    // The developed picture is the default.
    decoder.SetChoice({});
    decoder.DecodeFile(path, bmp, 32);
    EXPECT_FALSE(decoder.GetFound().preview);
    EXPECT_EQ(Diff(FromBitmap(bmp), Developed(path)), "");
}

TEST(RawDetection, RawFilesAreToldApartFromPlainTiff)
{
    auto kindOf = [](const std::string& bytes) {
        return DetectRawKind(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    };
    auto formatOf = [](const std::string& bytes) {
        const PictureFormatInfo* row =
            CAnyPicDecoder::Detect(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        return row ? row->format : FormatNone;
    };
    const uint16_t kMake = 271, kPhotometric = 262, kDngVersion = 50706;
    // A camera's TIFF converted from its RAW file keeps the maker: still TIFF.
    const std::string converted = TinyTiff({{kPhotometric, 2}, {kMake, 0, "NIKON CORPORATION"}});
    EXPECT_EQ(kindOf(converted), RawKind::None);
    EXPECT_EQ(formatOf(converted), FormatTIFF);
    // A DNG converted from a maker's RAW file keeps the maker, and is a DNG.
    EXPECT_EQ(formatOf(TinyTiff({{kDngVersion, 1}, {kMake, 0, "NIKON CORPORATION"}})), FormatDNG);
    // The raw data may sit in a sub-directory, as in NEF and ARW files.
    std::string sub = TinyTiff({{kMake, 0, "NIKON CORPORATION"}, {330, 0}});
    const size_t subAt = sub.size();
    sub += TinyTiff({{kPhotometric, 32803}}).substr(8, 2 + 12 + 4);
    sub[8 + 2 + 12 + 8] = char(subAt); // the SubIFDs entry's value
    EXPECT_EQ(formatOf(sub), FormatNEF);

    // Directories that point anywhere, or at themselves, end the walk.
    std::string loop = TinyTiff({{kPhotometric, 2}});
    loop.replace(4, 4, std::string("\xF0\xFF\xFF\x7F", 4));
    EXPECT_EQ(kindOf(loop), RawKind::None);
    std::string self = TinyTiff({{330, 8}});
    EXPECT_EQ(kindOf(self), RawKind::None);
    for (size_t cut = 0; cut < converted.size(); ++cut)
        EXPECT_EQ(kindOf(converted.substr(0, cut)), RawKind::None) << cut;
}

TEST_F(RawFiles, DamagedOrAbandonedFilesEndInAnError)
{
    const std::string path = m_dir.File("whole.dng");
    ASSERT_TRUE(WriteBayerDng(
        path,
        {.width = 32, .height = 32, .previewJpeg = Jpeg(16, 16), .previewWidth = 16, .previewHeight = 16}));
    const std::string bytes = ReadFile(path);
    // Cut anywhere, the file is refused or read in part, never a crash.
    for (size_t cut : {size_t(8), size_t(100), bytes.size() / 2, bytes.size() - 10}) {
        CAnyPicDecoder decoder;
        for (bool preview : {false, true}) {
            decoder.SetChoice({.page = 0, .preview = preview});
            const auto [code, text] = ErrorOf(decoder, bytes.substr(0, cut));
            EXPECT_NE(code, -1) << cut << " " << text;
        }
    }
    std::atomic<bool> abort{true};
    CAnyPicDecoder decoder;
    decoder.SetAbortFlag(&abort);
    EXPECT_EQ(ErrorOf(decoder, bytes).first, ErrAborted);

    // A file LibRaw's parser would walk for ever, in memory and from disk.
    const std::string endless = std::string(VELKOR_TEST_DATA) + "/raw/malformed/endless-boxes.cr3";
    CAnyPicDecoder fresh;
    EXPECT_EQ(ErrorOf(fresh, ReadFile(endless)).first, ErrBadFormat);
    RawPreview preview;
    EXPECT_THROW(ReadRawPreviewOfFile(endless, preview), CTextException);
}
