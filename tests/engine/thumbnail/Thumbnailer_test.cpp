// Thumbnails compared with ImageMagick's box reduction of the same file.
#include "ColourTestSupport.h"
#include "TestSupport.h"
#include "engine/picture/ColourTransform.h"
#include "engine/picture/TextException.h"
#include "engine/thumbnail/Thumbnailer.h"

#include <gtest/gtest.h>

using namespace vktest;

namespace {

// ImageMagick's upright box reduction of `path` to width x height.
Pixels Reduced(const std::string& path, int width, int height)
{
    std::string out;
    const std::string size = std::to_string(width) + "x" + std::to_string(height) + "!";
    if (vktest::Run(ImageMagick() + " " + Quote(path) + " -auto-orient -filter box -resize " + size +
                        " ppm:-",
                    &out) != 0)
        return {};
    return ParsePnm(out);
}

// A photograph stand-in written as JPEG by ImageMagick: smooth areas and
// edges without the fine repeating pattern that aliases differently under
// every reduction.
std::string MakeJpeg(const TempDir& dir, const std::string& name, int width, int height)
{
    const std::string jpeg = dir.File(name);
    EXPECT_EQ(vktest::Run(ImageMagick() + " -size " + std::to_string(width) + "x" + std::to_string(height) +
                          " -seed 5 plasma:fractal -blur 0x2 -quality 95 " + Quote(jpeg)),
              0);
    return jpeg;
}

Pixels Thumb(const std::string& path, int box, ThumbnailSource* source = nullptr)
{
    CThumbnailer thumbnailer;
    CWinBmp out;
    const ThumbnailSource made = thumbnailer.MakeFromFile(path, box, out);
    if (source)
        *source = made;
    return Opaque(FromBitmap(out));
}

} // namespace

TEST(Thumbnailer, FitsTheSquareAndNeverEnlarges)
{
    EXPECT_EQ(FitThumbnail(1200, 800, 256).width, 256);
    EXPECT_EQ(FitThumbnail(1200, 800, 256).height, 171);
    EXPECT_EQ(FitThumbnail(800, 1200, 128).width, 85);
    EXPECT_EQ(FitThumbnail(100, 50, 256).width, 100);
    EXPECT_EQ(FitThumbnail(10000, 3, 128).height, 1);
    EXPECT_EQ(FitThumbnail(0, 10, 128).width, 0);
    EXPECT_EQ(ThumbnailSizeNamed("x-large")->pixels, 512);
    EXPECT_EQ(ThumbnailSizeNamed("huge"), nullptr);
    EXPECT_STREQ(ThumbnailSizeFor(200).name, "large");
}

// Baseline and progressive JPEG through the DCT's reduction, and a PNG
// decoded whole, all close to ImageMagick's box filter of the same file.
TEST(Thumbnailer, ReductionsMatchImageMagick)
{
    TempDir dir;
    const std::string baseline = MakeJpeg(dir, "baseline.jpg", 1600, 1000);
    const std::string progressive = dir.File("progressive.jpg");
    ASSERT_EQ(vktest::Run("jpegtran -progressive -outfile " + Quote(progressive) + " " + Quote(baseline)), 0);
    const std::string png = dir.File("alpha.png");
    ASSERT_EQ(vktest::Run(ImageMagick() + " " + Quote(baseline) + " -resize 50% " + Quote(png)), 0);
    for (const auto& [path, box] :
         {std::pair{baseline, 256}, {progressive, 256}, {baseline, 1024}, {png, 128}}) {
        SCOPED_TRACE(path + " at " + std::to_string(box));
        ThumbnailSource source;
        const Pixels got = Thumb(path, box, &source);
        const FitDimensions fit = FitThumbnail(source.width, source.height, box);
        ASSERT_EQ(got.width, fit.width);
        ASSERT_EQ(got.height, fit.height);
        EXPECT_GT(Psnr(got, Reduced(path, fit.width, fit.height)), 30.0);
        EXPECT_FALSE(source.fromExif);
    }
    ThumbnailSource source;
    Thumb(png, 128, &source);
    EXPECT_STREQ(source.mimeType, "image/png");
    Thumb(baseline, 128, &source);
    EXPECT_STREQ(source.mimeType, "image/jpeg");
    EXPECT_EQ(source.width, 1600);
}

TEST(Thumbnailer, TurnedUprightAndSmallPicturesKeptAsTheyAre)
{
    TempDir dir;
    const std::string turned = MakeJpeg(dir, "turned.jpg", 800, 600);
    ASSERT_EQ(vktest::Run("exiftool -q -overwrite_original -n -Orientation=6 " + Quote(turned)), 0);
    ThumbnailSource source;
    const Pixels got = Thumb(turned, 256, &source);
    EXPECT_EQ(source.width, 600);
    EXPECT_EQ(source.height, 800);
    ASSERT_EQ(got.width, 192);
    ASSERT_EQ(got.height, 256);
    EXPECT_GT(Psnr(got, Reduced(turned, 192, 256)), 30.0);

    const std::string small = dir.File("small.ppm");
    const Pixels written = WriteTestPpm(small, 100, 50);
    EXPECT_EQ(Diff(Thumb(small, 256), Opaque(written)), "");
}

// The EXIF thumbnail serves when it covers the size asked and has the
// picture's shape; otherwise the picture itself is reduced.
TEST(Thumbnailer, ExifThumbnailOnlyWhenLargeEnoughAndOfTheSameShape)
{
    TempDir dir;
    const std::string photo = dir.File("photo.jpg"), wide = dir.File("wide.jpg");
    const std::string thumb = dir.File("thumb.jpg");
    // A blue picture whose EXIF thumbnail is red, so the one used shows.
    ASSERT_EQ(vktest::Run(ImageMagick() + " -size 1600x1200 xc:blue " + Quote(photo)), 0);
    ASSERT_EQ(vktest::Run(ImageMagick() + " -size 1600x900 xc:blue " + Quote(wide)), 0);
    ASSERT_EQ(vktest::Run(ImageMagick() + " -size 160x120 xc:red " + Quote(thumb)), 0);
    for (const std::string& p : {photo, wide})
        ASSERT_EQ(vktest::Run("exiftool -q -overwrite_original '-ThumbnailImage<=" + thumb + "' " + Quote(p)),
                  0);
    auto redness = [](const Pixels& p) { return int(p.At(p.width / 2, p.height / 2) >> 16 & 0xFF); };

    ThumbnailSource source;
    Pixels got = Thumb(photo, 128, &source);
    EXPECT_TRUE(source.fromExif);
    EXPECT_EQ(got.width, 128);
    EXPECT_EQ(got.height, 96);
    EXPECT_GT(redness(got), 200);

    got = Thumb(photo, 256, &source); // 160 pixels do not cover 256
    EXPECT_FALSE(source.fromExif);
    EXPECT_LT(redness(got), 50);
    got = Thumb(wide, 128, &source); // 4:3 thumbnail of a 16:9 picture
    EXPECT_FALSE(source.fromExif);
    EXPECT_EQ(got.height, 72);
}

// The desktop's thumbnails are sRGB: a wide-gamut picture's thumbnail has
// the colours of the picture turned into sRGB, whether it comes from the
// picture itself or from its EXIF thumbnail (which carries no profile).
TEST(Thumbnailer, WideGamutPicturesGiveSrgbThumbnails)
{
    TempDir dir;
    const std::string flat = dir.File("flat.ppm"), icc = dir.File("p3.icc"), exifThumb = dir.File("t.jpg");
    ASSERT_EQ(vktest::Run(ImageMagick() + " -size 800x600 xc:'rgb(30,200,60)' " + Quote(flat)), 0);
    ASSERT_EQ(vktest::Run(ImageMagick() + " -size 160x120 xc:'rgb(30,200,60)' " + Quote(exifThumb)), 0);
    WriteFile(icc, P3LikeProfile());
    const std::string jpeg = dir.File("p3.jpg"), png = dir.File("p3.png"), withExif = dir.File("exif.jpg");
    for (const std::string& out : {jpeg, png, withExif})
        ASSERT_EQ(WriteTagged(flat, icc, out), 0);
    ASSERT_EQ(vktest::Run("exiftool -q -overwrite_original '-ThumbnailImage<=" + exifThumb + "' " +
                          Quote(withExif)),
              0);
    auto centre = [](const Pixels& p) {
        return Pixels{1, 1, {p.At(p.width / 2, p.height / 2) | 0xFF000000u}};
    };
    for (const std::string& path : {jpeg, png, withExif}) {
        SCOPED_TRACE(path);
        CAnyPicDecoder decoder;
        CWinBmp whole;
        decoder.DecodeFile(path, whole, 32);
        const Pixels stored = centre(FromBitmap(whole));
        ASSERT_TRUE(vkcolour::ConvertToSrgb(whole));
        const Pixels want = centre(FromBitmap(whole));
        EXPECT_GT(MaxChannelDifference(stored, want), 10) << "the gamut is wider than sRGB's";
        ThumbnailSource source;
        EXPECT_LE(MaxChannelDifference(centre(Thumb(path, 128, &source)), want), 2);
        EXPECT_EQ(source.fromExif, path == withExif);
    }
}

TEST(Thumbnailer, RaisedAbortFlagAndDamagedFilesThrow)
{
    TempDir dir;
    const std::string jpeg = MakeJpeg(dir, "a.jpg", 400, 300);
    CThumbnailer thumbnailer;
    CWinBmp out;
    std::atomic<bool> abort{true};
    thumbnailer.SetAbortFlag(&abort);
    try {
        thumbnailer.MakeFromFile(jpeg, 128, out);
        ADD_FAILURE() << "not aborted";
    } catch (const CTextException& e) {
        EXPECT_EQ(e.GetCode(), ErrAborted);
    }
    abort = false;
    EXPECT_NO_THROW(thumbnailer.MakeFromFile(jpeg, 128, out));
    WriteFile(dir.File("bad.png"), "\x89PNG\r\n\x1a\n garbage");
    EXPECT_THROW(thumbnailer.MakeFromFile(dir.File("bad.png"), 128, out), CTextException);
    EXPECT_THROW(thumbnailer.MakeFromFile(dir.File("missing.jpg"), 128, out), CTextException);
}
