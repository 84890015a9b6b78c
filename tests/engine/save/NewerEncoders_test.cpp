// The WebP, AVIF, JPEG XL and HEIC writers: what libwebp's, libavif's,
// libjxl's and libheif's own tools (dwebp, avifdec, djxl, heif-convert) make
// of our files, the carried camera data as exiftool reads it, and the
// errors of pictures a format cannot hold.
#include "CameraFiles.h"
#include "ColourTestSupport.h"
#include "TestSupport.h"
#include "engine/metadata/Metadata.h"
#include "engine/picture/AnyPicDecoder.h"
#include "engine/picture/TextException.h"
#include "engine/save/JXLEncoder.h"
#include "engine/save/SaveDispatch.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace vktest;

namespace {

struct PeerCase {
    const char* name;
    int code;
    SaveParameters parameters;
    const char* peer; // the library's own decoder, "{in}" and "{out}" (a PNG)
    double psnr;      // the least PSNR against the picture saved; 0: lossless, exactly
    bool alpha;       // the picture has a varying alpha channel
};

SaveParameters Lossy(int quality, int speed = 6)
{
    SaveParameters p;
    p.quality = quality;
    p.speed = speed;
    p.effort = 3;
    return p;
}

SaveParameters Lossless()
{
    SaveParameters p;
    p.lossless = true;
    p.effort = 3;
    return p;
}

SaveParameters Distance(int hundredths)
{
    SaveParameters p = Lossy(0);
    p.distance = hundredths;
    return p;
}

const char* const kDwebp = "dwebp -quiet {in} -o {out}";
const char* const kAvifdec = "avifdec {in} {out} >/dev/null";
const char* const kDjxl = "djxl {in} {out} --quiet 2>/dev/null";
const char* const kHeifConvert = "heif-convert {in} {out} >/dev/null";

std::vector<PeerCase> Cases()
{
    return {
        {"webp-lossy", kSaveWebp, Lossy(90), kDwebp, 30, false},
        {"webp-lossless", kSaveWebp, Lossless(), kDwebp, 0, false},
        {"webp-lossless-alpha", kSaveWebp, Lossless(), kDwebp, 0, true},
        {"avif", kSaveAvif, Lossy(80, 8), kAvifdec, 30, false},
        {"avif-alpha", kSaveAvif, Lossy(80, 8), kAvifdec, 30, true},
        {"jxl-quality", kSaveJxl, Lossy(90), kDjxl, 30, false},
        {"jxl-distance", kSaveJxl, Distance(50), kDjxl, 33, false},
        {"jxl-lossless", kSaveJxl, Lossless(), kDjxl, 0, false},
        {"jxl-lossless-alpha", kSaveJxl, Lossless(), kDjxl, 0, true},
        {"heic", kSaveHeic, Lossy(80), kHeifConvert, 28, false},
    };
}

// Soft gradients and a disc, the kind of picture lossy coding is meant for;
// its pixels differ by a little noise, so lossless coding has work to do.
void MakeSmoothPicture(CWinBmp& bmp, int width, int height)
{
    bmp.Create(width, height, 32, false);
    unsigned state = 3;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            state = state * 1103515245u + 12345u;
            const int noise = int(state >> 16) % 3;
            const int dx = x - width / 2, dy = y - height / 2;
            const bool inside = dx * dx + dy * dy < width * height / 8;
            bmp.GetLine32(y)[x] =
                MakePixel(uint8_t(40 + x * 160 / width + noise),
                          uint8_t(inside ? 180 : 60 + y * 100 / height), uint8_t(120 + (x + y) % 32));
        }
}

// The picture with an alpha ramp across it.
void AddAlpha(CWinBmp& bmp)
{
    for (int y = 0; y < bmp.GetHeight(); ++y)
        for (int x = 0; x < bmp.GetWidth(); ++x)
            bmp.GetLine(y)[4 * x + 3] = uint8_t((x * 255 / std::max(1, bmp.GetWidth() - 1) + y) & 0xFF);
    bmp.SetHasAlpha(true);
}

std::vector<uint8_t> AlphaOf(const Pixels& p)
{
    std::vector<uint8_t> alpha;
    for (uint32_t v : p.data)
        alpha.push_back(uint8_t(v >> 24));
    return alpha;
}

std::string ProgramOf(const char* command)
{
    const std::string c = command;
    return c.substr(0, c.find(' '));
}

} // namespace

// Odd sizes so no encoder's block size fits; alpha kept where asked.
TEST(NewerEncoders, PeersDecodeOurFilesToOurPixels)
{
    TempDir dir;
    for (const PeerCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        if (!HasProgram(ProgramOf(c.peer))) {
            ADD_FAILURE() << ProgramOf(c.peer) << " is missing (scripts/setup.sh installs it)";
            continue;
        }
        CWinBmp bmp;
        MakeSmoothPicture(bmp, 67, 45);
        if (c.alpha)
            AddAlpha(bmp);
        const Pixels saved = FromBitmap(bmp);
        const std::string path = dir.File(std::string(c.name) + "." + SaveExtensionOf(c.code));
        ASSERT_TRUE(SavePicture(c.code, path, bmp, c.parameters));

        const std::string png = dir.File(std::string(c.name) + ".png");
        ASSERT_EQ(vktest::Run(Substitute(Substitute(c.peer, "{in}", Quote(path)), "{out}", Quote(png))), 0);
        Pixels peer = ReadWithImageMagick(png);
        Pixels ours = DecodeWithVelkor(path);
        ASSERT_EQ(peer.width, 67);
        ASSERT_EQ(peer.height, 45);
        if (!c.alpha) {
            peer = Opaque(peer);
            ours = Opaque(ours);
        }
        if (c.psnr == 0) {
            EXPECT_EQ(Diff(peer, saved), "") << "lossless";
            EXPECT_EQ(Diff(ours, saved), "");
        } else {
            EXPECT_GT(Psnr(Opaque(peer), Opaque(saved)), c.psnr)
                << "the peer's pixels against the picture saved";
            EXPECT_EQ(AlphaOf(peer), AlphaOf(saved)) << "alpha is kept without loss";
            // Both decode one bit stream; only their colour conversions may round apart.
            EXPECT_LE(MaxChannelDifference(peer, ours), 3) << "the peer's pixels against ours";
        }
    }
}

// The settings reach the encoder: a higher quality and a smaller distance
// each give a larger file.
TEST(NewerEncoders, SettingsChangeWhatIsWritten)
{
    TempDir dir;
    CWinBmp bmp;
    MakeSmoothPicture(bmp, 96, 64);
    auto size = [&](int code, const SaveParameters& p) {
        const std::string path = dir.File("s." + std::string(SaveExtensionOf(code)));
        EXPECT_TRUE(SavePicture(code, path, bmp, p));
        return std::filesystem::file_size(path);
    };
    EXPECT_LT(size(kSaveWebp, Lossy(20)), size(kSaveWebp, Lossy(95)));
    EXPECT_LT(size(kSaveAvif, Lossy(20, 8)), size(kSaveAvif, Lossy(95, 8)));
    EXPECT_LT(size(kSaveJxl, Distance(400)), size(kSaveJxl, Distance(50)));
    EXPECT_LT(size(kSaveJxl, Lossy(40)), size(kSaveJxl, Lossy(95)));
    EXPECT_LT(size(kSaveHeic, Lossy(20)), size(kSaveHeic, Lossy(95)));

    // cjxl's documented anchors: quality 90 is distance 1, 100 lossless.
    EXPECT_FLOAT_EQ(CJXLEncoder::DistanceOf(90), 1.0f);
    EXPECT_FLOAT_EQ(CJXLEncoder::DistanceOf(100), 0.0f);
    EXPECT_FLOAT_EQ(CJXLEncoder::DistanceOf(0), CJXLEncoder::kMaxDistance);
    SaveParameters q100 = Lossy(100);
    const std::string lossless = dir.File("q100.jxl");
    ASSERT_TRUE(SavePicture(kSaveJxl, lossless, bmp, q100));
    EXPECT_EQ(Diff(DecodeWithVelkor(lossless), FromBitmap(bmp)), "") << "quality 100 is lossless";
}

// EXIF, XMP (with the IPTC keywords folded in) and the colour profile of a
// camera JPEG go into each newer format, turned upright with the pixels.
TEST(NewerEncoders, CarryTheCameraDataAndProfile)
{
    TempDir dir;
    const std::string source = dir.File("a.jpg");
    if (!MakeCameraJpeg(source, 64, 48))
        GTEST_SKIP() << "exiftool is missing";
    WriteFile(dir.File("p.icc"), AdobeRgbLikeProfile());
    ASSERT_EQ(vktest::Run("exiftool -q -q -overwrite_original " +
                          Quote("-ICC_Profile<=" + dir.File("p.icc")) + " " + Quote(source)),
              0);
    CAnyPicDecoder decoder;
    CWinBmp upright;
    decoder.DecodeFile(source, upright, 32);
    ASSERT_EQ(upright.GetWidth(), 48);
    SaveParameters p = Lossy(80, 8);
    p.metadata = CCarriedMetadata::FromFile(source);
    ASSERT_TRUE(p.metadata);
    for (int code : {kSaveWebp, kSaveAvif, kSaveJxl, kSaveHeic}) {
        const std::string out = dir.File(std::string("out.") + SaveExtensionOf(code));
        SCOPED_TRACE(out);
        ASSERT_TRUE(SavePicture(code, out, upright, p));
        EXPECT_EQ(ExifTool(out, "-Make -Model -DateTimeOriginal -GPSLatitude -Orientation -ExifImageWidth "
                                "-ExifImageHeight -Title -Subject -ThumbnailLength"),
                  "Make: Canon\nModel: EOS 5D\nDateTimeOriginal: 2024:05:01 10:20:30\n"
                  "GPSLatitude: 48.85837\nOrientation: 1\nExifImageWidth: 48\nExifImageHeight: 64\n"
                  "Title: A test\nSubject: test\n");
        // The profile as Velkor reads it back (JPEG XL keeps it in its code stream).
        CWinBmp back;
        decoder.DecodeFile(out, back, 32);
        EXPECT_EQ(back.GetWidth(), 48);
        ASSERT_TRUE(back.GetColourProfile()) << "the profile went along";
    }

    // Stored pixels keep their orientation; a profile libjxl refuses is
    // left out and the picture written.
    p.upright = false;
    ASSERT_TRUE(SavePicture(kSaveWebp, dir.File("stored.webp"), upright, p));
    EXPECT_EQ(ExifTool(dir.File("stored.webp"), "-Orientation"), "Orientation: 6\n");
}

// What a format cannot hold is a clear error and leaves nothing behind.
TEST(NewerEncoders, RefusalsAreClearAndLeaveNoFile)
{
    TempDir dir;
    auto error = [&](int code, CWinBmp& bmp, const std::string& path) {
        try {
            SavePicture(code, path, bmp, Lossy(50, 10));
        } catch (const CTextException& e) {
            return std::to_string(e.GetCode()) + " " + e.GetText();
        }
        return std::string("written");
    };
    CWinBmp wide;
    wide.Create(16384, 1, 32, false);
    EXPECT_EQ(error(kSaveWebp, wide, dir.File("wide.webp")).substr(0, 2), "6 ");
    CWinBmp empty;
    empty.Create(0, 4, 32, false);
    for (int code : {kSaveWebp, kSaveAvif, kSaveJxl, kSaveHeic}) {
        SCOPED_TRACE(SaveExtensionOf(code));
        EXPECT_EQ(error(code, empty, dir.File("e")), "6 A picture without pixels cannot be written.");
        CWinBmp bmp;
        MakeTestPicture(bmp, 8, 8);
        EXPECT_EQ(error(code, bmp, dir.File("missing/x")).substr(0, 2), "5 ");
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path())) << "no file, no temporary";

    // An 8-bit picture is written as its colours.
    CWinBmp palette;
    MakePaletteTestPicture(palette, 20, 10, 16);
    CWinBmp eight;
    eight.CopyFrom(palette, 8);
    ASSERT_TRUE(SavePicture(kSaveWebp, dir.File("eight.webp"), eight, Lossless()));
    EXPECT_EQ(Diff(DecodeWithVelkor(dir.File("eight.webp")), FromBitmap(palette)), "");
}
