// Oriented files read through the detector: every JPEG and TIFF orientation
// and PNG eXIf turned upright as ImageMagick's -auto-orient and vips autorot
// turn them, stored pixels on request, and damaged EXIF changing nothing.
#include "TestSupport.h"
#include "engine/picture/AnyPicDecoder.h"
#include "engine/picture/Orientation.h"

#include <atomic>
#include <cstring>

#include <gtest/gtest.h>

using namespace vktest;

namespace {

// ImageMagick's name for each orientation value, for -orient.
const char* const kOrientNames[9] = {"",        "TopLeft",  "TopRight",    "BottomRight", "BottomLeft",
                                     "LeftTop", "RightTop", "RightBottom", "LeftBottom"};

class OrientedFiles : public ::testing::Test {
  protected:
    void SetUp() override
    {
        if (!HasProgram("exiftool") || !HasProgram("cjpeg") || !HasProgram("djpeg") ||
            !HasProgram("identify"))
            GTEST_SKIP() << "exiftool, libjpeg tools or ImageMagick missing";
        // Wider than high, unlike its mirror images, and taller than the
        // JPEG decoder's bands of 64 lines (not a multiple of them).
        m_source = WriteTestPpm(m_ppm, 150, 131, 0, 7);
    }

    // ImageMagick's upright picture for stored pixels at `path` with the
    // orientation set to `value`.
    Pixels ImageMagickUpright(const std::string& path, int value)
    {
        std::string out = m_dir.File("im.ppm");
        EXPECT_EQ(vktest::Run(ImageMagick() + " " + Quote(path) + " -orient " + kOrientNames[value] +
                              " -auto-orient " + Quote(out)),
                  0);
        return ParsePnm(ReadFile(out));
    }

    Pixels Decode(const std::string& path, bool apply = true, int* stored = nullptr)
    {
        CAnyPicDecoder decoder;
        decoder.SetApplyOrientation(apply);
        CWinBmp bmp;
        decoder.DecodeFile(path, bmp, 32);
        if (stored)
            *stored = decoder.GetStoredOrientation();
        return FromBitmap(bmp);
    }

    TempDir m_dir;
    std::string m_ppm = m_dir.File("src.ppm");
    Pixels m_source;
};

} // namespace

TEST_F(OrientedFiles, EveryJpegOrientationShowsUprightAsImageMagickShowsIt)
{
    const std::string base = m_dir.File("base.jpg");
    // Full-size colour planes, so that ImageMagick's smooth upsampling and
    // our plain one read the same pixels.
    ASSERT_EQ(vktest::Run("cjpeg -quality 95 -sample 1x1 -outfile " + Quote(base) + " " + Quote(m_ppm)), 0);
    // Stored pixels as libjpeg gives them with our settings.
    const std::string stored = m_dir.File("stored.ppm");
    ASSERT_EQ(vktest::Run("djpeg -dct float -nosmooth -pnm -outfile " + Quote(stored) + " " + Quote(base)),
              0);
    for (int value = 1; value <= 8; ++value) {
        SCOPED_TRACE(value);
        std::string file = m_dir.File("o" + std::to_string(value) + ".jpg");
        ASSERT_EQ(vktest::Run("cp " + Quote(base) + " " + Quote(file) + " && exiftool -q -n -Orientation=" +
                              std::to_string(value) + " -overwrite_original " + Quote(file)),
                  0);
        int storedValue = 0;
        Pixels ours = Decode(file, true, &storedValue);
        EXPECT_EQ(storedValue, value);
        // Exactly ImageMagick's turn of the same stored pixels...
        EXPECT_EQ(Diff(ours, ImageMagickUpright(stored, value)), "");
        // ...and close to what ImageMagick makes of the file itself, with its
        // own decoding settings (a wrong turn would be far off).
        Pixels whole;
        std::string out = m_dir.File("whole.ppm");
        ASSERT_EQ(vktest::Run(ImageMagick() + " " + Quote(file) + " -auto-orient " + Quote(out)), 0);
        whole = ParsePnm(ReadFile(out));
        ASSERT_EQ(whole.width, ours.width);
        ASSERT_EQ(whole.height, ours.height);
        EXPECT_GT(Psnr(ours, whole), 40.0);
        // Kept as stored when asked.
        EXPECT_EQ(Diff(Decode(file, false), ParsePnm(ReadFile(stored))), "");
    }
}

TEST_F(OrientedFiles, GrayJpegTurnedAsItDecodesAtEightBits)
{
    const std::string file = m_dir.File("g.jpg");
    ASSERT_EQ(vktest::Run("cjpeg -grayscale -outfile " + Quote(file) + " " + Quote(m_ppm)), 0);
    for (int value : {3, 6, 7}) {
        SCOPED_TRACE(value);
        ASSERT_EQ(vktest::Run("exiftool -q -n -Orientation=" + std::to_string(value) +
                              " -overwrite_original " + Quote(file)),
                  0);
        CAnyPicDecoder decoder;
        CWinBmp turned, stored;
        decoder.DecodeFile(file, turned, 0);
        decoder.SetApplyOrientation(false);
        decoder.DecodeFile(file, stored, 0);
        ASSERT_EQ(turned.GetBitsPerPixel(), 8);
        // The one-pass turn equals turning the stored picture afterwards.
        ApplyOrientation(stored, value);
        ASSERT_EQ(turned.GetWidth(), stored.GetWidth());
        ASSERT_EQ(turned.GetHeight(), stored.GetHeight());
        for (int y = 0; y < turned.GetHeight(); ++y)
            ASSERT_EQ(std::memcmp(turned.GetLine(y), stored.GetLine(y), size_t(turned.GetWidth())), 0) << y;
    }
}

TEST_F(OrientedFiles, LargeJpegTurnedOnASecondThreadEqualsAPlainTurn)
{
    // Large enough for the second thread; wide with cache-line aligned
    // upright lines, and tall with 2602 stored lines, which leave a last
    // band of 42 and misalign the runs written from the right.
    for (const auto& [width, height] : {std::pair(2602, 1600), std::pair(1603, 2602)}) {
        const std::string ppm = m_dir.File("big.ppm"), file = m_dir.File("big.jpg");
        WriteTestPpm(ppm, width, height, 0, 3);
        ASSERT_EQ(vktest::Run("cjpeg -outfile " + Quote(file) + " " + Quote(ppm)), 0);
        CAnyPicDecoder decoder;
        decoder.SetApplyOrientation(false);
        CWinBmp storedBmp;
        decoder.DecodeFile(file, storedBmp, 32);
        const Pixels stored = FromBitmap(storedBmp);
        const int w = stored.width, h = stored.height;
        decoder.SetApplyOrientation(true);
        for (int value = 2; value <= 8; ++value) {
            SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) + ", orientation " +
                         std::to_string(value));
            ASSERT_EQ(vktest::Run("exiftool -q -n -Orientation=" + std::to_string(value) +
                                  " -overwrite_original " + Quote(file)),
                      0);
            CWinBmp turnedBmp;
            decoder.DecodeFile(file, turnedBmp, 32);
            const Pixels turned = FromBitmap(turnedBmp);
            const bool swaps = value >= 5;
            ASSERT_EQ(turned.width, swaps ? h : w);
            ASSERT_EQ(turned.height, swaps ? w : h);
            // Where stored pixel (x, y) belongs, pixel by pixel.
            const bool fromRight = value == 2 || value == 3 || value == 6 || value == 7;
            const bool fromBottom = value == 3 || value == 4 || value == 7 || value == 8;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const int u = swaps ? y : x, v = swaps ? x : y;
                    const int uMax = turned.width - 1, vMax = turned.height - 1;
                    if (turned.At(fromRight ? uMax - u : u, fromBottom ? vMax - v : v) != stored.At(x, y))
                        FAIL() << "stored pixel " << x << ", " << y;
                }

            // Abandoned as soon as the picture exists: the placing thread
            // is let go and the decoder stays usable.
            std::atomic<bool> flag{false};
            decoder.SetAbortFlag(&flag);
            CWatchedBmp abandoned([&flag](int, int) { flag = true; });
            try {
                decoder.DecodeFile(file, abandoned, 32);
                ADD_FAILURE() << "not abandoned";
            } catch (const CTextException& e) {
                EXPECT_EQ(e.GetCode(), ErrAborted);
            }
            decoder.SetAbortFlag(nullptr);
        }
    }
}

TEST_F(OrientedFiles, DamagedExifInAJpegChangesNothing)
{
    const std::string file = m_dir.File("d.jpg");
    ASSERT_EQ(vktest::Run("cjpeg -outfile " + Quote(file) + " " + Quote(m_ppm) +
                          " && exiftool -q -n -Orientation=6 -overwrite_original " + Quote(file)),
              0);
    const std::string good = ReadFile(file);
    const Pixels asStored = Decode(file, false);
    ASSERT_EQ(Decode(file).width, asStored.height);
    // The TIFF header of the EXIF block follows "Exif\0\0".
    const size_t tiff = good.find(std::string("Exif\0\0", 6)) + 6;
    ASSERT_NE(tiff, std::string::npos + 6);
    struct Damage {
        const char* what;
        size_t at;
        std::string bytes;
    };
    const bool big = good[tiff] == 'M';
    const Damage damages[] = {
        {"byte order", tiff, "XX"},
        {"magic", tiff + 2, big ? Be16(43) : Le16(43)},
        {"directory offset", tiff + 4, big ? Be32(0x7FFFFFFF) : Le32(0x7FFFFFFF)},
        {"entry count", tiff + 8, big ? Be16(0) : Le16(0)},
    };
    for (const Damage& d : damages) {
        std::string bad = good;
        bad.replace(d.at, d.bytes.size(), d.bytes);
        WriteFile(file, bad);
        EXPECT_EQ(Diff(Decode(file), asStored), "") << d.what;
    }
}

TEST_F(OrientedFiles, TiffOrientationTagAgreesWithImageMagick)
{
    for (int value = 1; value <= 8; ++value) {
        SCOPED_TRACE(value);
        std::string file = m_dir.File("o" + std::to_string(value) + ".tif");
        ASSERT_EQ(vktest::Run(ImageMagick() + " " + Quote(m_ppm) + " -orient " + kOrientNames[value] + " " +
                              Quote(file)),
                  0);
        int stored = 0;
        Pixels ours = Decode(file, true, &stored);
        EXPECT_EQ(stored, value);
        EXPECT_EQ(Diff(ours, ImageMagickUpright(m_ppm, value)), "");
    }
}

TEST_F(OrientedFiles, PngExifChunkAgreesWithVips)
{
    if (!HasProgram("vips"))
        GTEST_SKIP() << "vips missing";
    for (int value : {2, 3, 5, 6, 8}) {
        SCOPED_TRACE(value);
        std::string file = m_dir.File("o.png");
        std::string upright = m_dir.File("up.png");
        ASSERT_EQ(vktest::Run(ImageMagick() + " " + Quote(m_ppm) + " " + Quote(file) +
                              " && exiftool -q -n -Orientation=" + std::to_string(value) +
                              " -overwrite_original " + Quote(file) + " && vips autorot " + Quote(file) +
                              " " + Quote(upright)),
                  0);
        EXPECT_EQ(Diff(Decode(file), Opaque(ReadWithImageMagick(upright))), "");
    }
}
