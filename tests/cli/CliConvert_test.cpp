// velkor-cli convert into every format it writes, read back by ImageMagick
// (the newer formats by us), and the save options reaching the writers.
#include "TestSupport.h"
#include "engine/save/ColorHash.h"
#include "engine/save/SaveDispatch.h"

#include <gtest/gtest.h>

#include <map>

using namespace vktest;

namespace {

int Convert(const std::string& args)
{
    return vktest::Run(std::string(VELKOR_CLI) + " convert " + args + " 2>/dev/null");
}

// ImageMagick's pixels, upright (its raw output keeps Targa rows as stored).
Pixels Magick(const std::string& path, const TempDir& dir)
{
    const std::string out = dir.File("magick.ppm");
    if (vktest::Run(ImageMagick() + " " + Quote(path) + " -auto-orient -depth 8 " + Quote(out) +
                    " 2>/dev/null") != 0)
        return {};
    return ParsePnm(ReadFile(out));
}

// PSNR of ImageMagick's own JPEG at quality 90, the command line's default,
// with our chroma subsampling (it keeps full chroma from 90 up).
double MagickJpegPsnr(const std::string& ppm, const Pixels& original, const TempDir& dir)
{
    const std::string ref = dir.File("reference.jpg");
    vktest::Run(ImageMagick() + " " + Quote(ppm) + " -quality 90 -sampling-factor 2x2 " + Quote(ref) +
                " 2>/dev/null");
    return Psnr(Magick(ref, dir), original);
}

// The newer formats' own encoders at velkor-cli's defaults (AVIF quality 60
// is AV1 quantizer 25, JPEG XL quality 90 distance 1).
const std::map<std::string, std::string> kNewerPeers = {
    {"webp", "cwebp -quiet -q 75 {in} -o {out}"},
    {"avif", "avifenc -s 6 --min 25 --max 25 {in} {out} >/dev/null"},
    {"jxl", "cjxl {in} {out} -d 1 -e 7 --quiet"},
    {"heic", "heif-enc -q 50 {in} -o {out} >/dev/null"},
};

std::string Bytes(const std::string& path, size_t at, size_t n)
{
    return ReadFile(path).substr(at, n);
}

} // namespace

TEST(CliConvertFormats, EveryFormatReadsBackThroughImageMagick)
{
    TempDir dir;
    CWinBmp palette, photo;
    MakePaletteTestPicture(palette, 45, 29, 200);
    MakeTestPicture(photo, 61, 37, 5);
    WriteFile(dir.File("palette.ppm"), ToPpm(palette));
    WriteFile(dir.File("photo.ppm"), ToPpm(photo));
    ASSERT_TRUE(SavePicture(kSavePng, dir.File("palette.png"), palette, SaveParameters{}));
    const Pixels palettePixels = Opaque(FromBitmap(palette));
    const Pixels photoPixels = Opaque(FromBitmap(photo));
    const Pixels reducedPhoto = Opaque(FromBitmap(*ReducePalette(photo).pixels));

    for (const SaveExtension& format : kSaveExtensions) {
        const std::string ext = format.extension;
        SCOPED_TRACE(ext);
        const std::string out = dir.File("palette." + ext);
        ASSERT_EQ(Convert(Quote(dir.File("palette.ppm")) + " " + Quote(out)), 0);
        if (format.options.dialog == SaveDialog::Quality) {
            // Lossy at their default qualities: as close as their own tool
            // at the same settings gets.
            const std::string peer = dir.File("peer." + ext);
            const std::string command =
                Substitute(Substitute(kNewerPeers.at(ext), "{in}", Quote(dir.File("palette.png"))), "{out}",
                           Quote(peer));
            ASSERT_EQ(vktest::Run(command), 0) << command;
            EXPECT_GT(Psnr(Opaque(DecodeWithVelkor(out)), palettePixels),
                      Psnr(Opaque(DecodeWithVelkor(peer)), palettePixels) - 0.5);
            continue;
        }
        const Pixels back = Magick(out, dir);
        if (ext == "jpg") {
            EXPECT_GT(Psnr(back, palettePixels),
                      MagickJpegPsnr(dir.File("palette.ppm"), palettePixels, dir) - 1.5);
        } else if (ext != "pgm") {
            EXPECT_EQ(back, palettePixels);
        }

        // 24 bits where the format has them; 8-bit formats give the reduced colours.
        const std::string deep = dir.File("photo." + ext);
        ASSERT_EQ(Convert("--depth 24 " + Quote(dir.File("photo.ppm")) + " " + Quote(deep)), 0);
        const Pixels deepBack = Magick(deep, dir);
        if (ext == "jpg") {
            EXPECT_GT(Psnr(deepBack, photoPixels),
                      MagickJpegPsnr(dir.File("photo.ppm"), photoPixels, dir) - 1.5);
        } else if (ext == "gif" || ext == "iff" || ext == "pct") {
            EXPECT_EQ(deepBack, reducedPhoto);
        } else if (ext != "pgm") {
            EXPECT_EQ(deepBack, photoPixels);
        }
    }

    // Any case on the command line. Without --depth a photograph keeps its
    // 24 bits in every format that has a depth, and a picture of 256
    // colours or fewer is written with 8.
    ASSERT_EQ(Convert("--to BMP -o " + Quote(dir.File("")) + " " + Quote(dir.File("photo.ppm"))), 0);
    EXPECT_EQ(Bytes(dir.File("photo.BMP"), 28, 1), "\x18");
    EXPECT_EQ(Magick(dir.File("photo.BMP"), dir), photoPixels);
    for (const char* ext : {"bmp", "pcx", "tga", "ras"}) {
        SCOPED_TRACE(ext);
        for (const char* name : {"photo", "palette"}) {
            const std::string out = dir.File(std::string("default-") + name + "." + ext);
            ASSERT_EQ(Convert(Quote(dir.File(std::string(name) + ".ppm")) + " " + Quote(out)), 0);
            EXPECT_EQ(Magick(out, dir), std::string(name) == "photo" ? photoPixels : palettePixels);
            std::string bpp;
            vktest::Run(std::string(VELKOR_CLI) + " info " + Quote(out), &bpp);
            EXPECT_NE(bpp.find(std::string(name) == "photo" ? " 24 bpp" : " 8 bpp"), std::string::npos)
                << bpp;
        }
    }
}

TEST(CliConvertFormats, SaveOptionsReachTheWriters)
{
    TempDir dir;
    CWinBmp bmp;
    MakeTestPicture(bmp, 64, 40, 2);
    WriteFile(dir.File("in.ppm"), ToPpm(bmp));
    const std::string in = Quote(dir.File("in.ppm")) + " ";

    ASSERT_EQ(Convert("--depth 8 " + in + Quote(dir.File("plain.tga"))), 0);
    ASSERT_EQ(Convert("--rle --depth 24 " + in + Quote(dir.File("rle.tga"))), 0);
    EXPECT_EQ(Bytes(dir.File("plain.tga"), 2, 1), "\x01");
    EXPECT_EQ(Bytes(dir.File("rle.tga"), 2, 1), "\x0a");

    ASSERT_EQ(Convert("--rle " + in + Quote(dir.File("rle.ras"))), 0);
    EXPECT_EQ(Bytes(dir.File("rle.ras"), 20, 4), std::string("\0\0\0\x02", 4));

    ASSERT_EQ(Convert("--interlace " + in + Quote(dir.File("i.gif"))), 0);
    ASSERT_EQ(Convert(in + Quote(dir.File("p.gif"))), 0);
    const size_t flags = 13 + (size_t(3) << ((uint8_t(Bytes(dir.File("i.gif"), 10, 1)[0]) & 7) + 1)) + 9;
    EXPECT_EQ(Bytes(dir.File("i.gif"), flags, 1), "\x40");
    EXPECT_EQ(Bytes(dir.File("p.gif"), flags, 1), std::string(1, '\0'));

    // The PNG level changes the size, never the pixels; Save As keeps level 9.
    ASSERT_EQ(Convert("--png-level 0 " + in + Quote(dir.File("l0.png"))), 0);
    ASSERT_EQ(Convert("--png-level 9 " + in + Quote(dir.File("l9.png"))), 0);
    EXPECT_GT(ReadFile(dir.File("l0.png")).size(), 64u * 40u * 3u);
    EXPECT_LT(ReadFile(dir.File("l9.png")).size(), ReadFile(dir.File("l0.png")).size());
    EXPECT_EQ(DecodeWithVelkor(dir.File("l0.png")), DecodeWithVelkor(dir.File("in.ppm")));
    EXPECT_EQ(DecodeWithVelkor(dir.File("l9.png")), DecodeWithVelkor(dir.File("in.ppm")));
    EXPECT_EQ(MakeSaveParameters(kSavePng, SaveOptionValues()).pngLevel, 9);

    ASSERT_EQ(Convert("--quality 95 " + in + Quote(dir.File("high.jpg"))), 0);
    ASSERT_EQ(Convert("--quality 10 " + in + Quote(dir.File("low.jpg"))), 0);
    EXPECT_GT(ReadFile(dir.File("high.jpg")).size(), ReadFile(dir.File("low.jpg")).size());
    // Quality 90 unless asked otherwise, whatever the window remembers.
    if (HasProgram("identify")) {
        ASSERT_EQ(Convert(in + Quote(dir.File("default.jpg"))), 0);
        std::string quality;
        vktest::Run("identify -format %Q " + Quote(dir.File("default.jpg")), &quality);
        EXPECT_EQ(quality, "90");
    }

    // The newer formats: lossless is exact, the quality, distance, speed
    // and effort each reach their writer.
    const Pixels original = DecodeWithVelkor(dir.File("in.ppm"));
    for (const char* ext : {"webp", "jxl"}) {
        const std::string out = dir.File(std::string("lossless.") + ext);
        ASSERT_EQ(Convert("--lossless --effort 2 " + in + Quote(out)), 0);
        EXPECT_EQ(DecodeWithVelkor(out), original) << ext;
    }
    for (const char* ext : {"webp", "avif", "jxl", "heic"}) {
        SCOPED_TRACE(ext);
        const std::string high = dir.File(std::string("high.") + ext),
                          low = dir.File(std::string("low.") + ext);
        ASSERT_EQ(Convert("--quality 95 --speed 9 " + in + Quote(high)), 0);
        ASSERT_EQ(Convert("--quality 15 --speed 9 " + in + Quote(low)), 0);
        EXPECT_GT(ReadFile(high).size(), ReadFile(low).size());
        EXPECT_GT(Psnr(DecodeWithVelkor(high), original), Psnr(DecodeWithVelkor(low), original));
    }
    ASSERT_EQ(Convert("--distance 0.3 " + in + Quote(dir.File("near.jxl"))), 0);
    ASSERT_EQ(Convert("--distance 6 --quality 100 " + in + Quote(dir.File("far.jxl"))), 0);
    EXPECT_GT(ReadFile(dir.File("near.jxl")).size(), ReadFile(dir.File("far.jxl")).size())
        << "the distance wins over the quality";
    ASSERT_EQ(Convert("--speed 10 " + in + Quote(dir.File("fast.avif"))), 0);
    ASSERT_EQ(Convert("--speed 4 " + in + Quote(dir.File("slow.avif"))), 0);
    EXPECT_NE(ReadFile(dir.File("fast.avif")), ReadFile(dir.File("slow.avif")));

    if (HasProgram("tiffinfo")) {
        ASSERT_EQ(Convert("--compression lzw " + in + Quote(dir.File("lzw.tif"))), 0);
        std::string info;
        vktest::Run("tiffinfo " + Quote(dir.File("lzw.tif")) + " 2>/dev/null", &info);
        EXPECT_NE(info.find("LZW"), std::string::npos) << info;
    }
}

// JPEG and PNG to PPM go from decoder to writer band by band: the file is
// what netpbm makes of the input, and what the whole decoded picture gives.
TEST(CliConvertRows, PixmapsEqualNetpbmAndTheWholePicture)
{
    TempDir dir;
    WriteTestPpm(dir.File("in.ppm"), 301, 203, 0, 3);
    const std::string in = Quote(dir.File("in.ppm"));
    // Taller than a band, odd sizes, every kind of PNG row the library transforms.
    const std::vector<std::pair<std::string, std::string>> inputs = {
        {"420.jpg", "cjpeg -quality 85 -sample 2x2 -outfile {out} {in}"},
        {"444.jpg", "cjpeg -quality 85 -sample 1x1 -restart 3 -outfile {out} {in}"},
        {"progressive.jpg", "cjpeg -progressive -outfile {out} {in}"},
        {"gray.jpg", "cjpeg -grayscale -outfile {out} {in}"},
        {"rgb.png", "pnmtopng {in} > {out}"},
        {"rgb16.png", "pnmdepth 65535 {in} | pnmtopng > {out}"},
        {"gray.png", "ppmtopgm {in} | pnmtopng > {out}"},
        {"palette.png", "ppmtopgm {in} | pgmtopbm -threshold | pnmdepth 255 > {out}.mask && "
                        "pnmquant 200 {in} 2>/dev/null | pnmtopng -alpha={out}.mask > {out}"},
        {"alpha.png", ImageMagick() + " {in} -alpha set -channel A -evaluate set 40% +channel {out}"},
        {"gray-alpha.png", ImageMagick() + " {in} -colorspace gray -alpha set -channel A -fx 'u.r' {out}"},
        {"interlaced.png", "pnmtopng -interlace {in} > {out}"},
    };
    for (const auto& [name, command] : inputs) {
        SCOPED_TRACE(name);
        const std::string file = dir.File(name), out = dir.File(name + ".ppm");
        ASSERT_EQ(vktest::Run(Substitute(Substitute(command, "{in}", in), "{out}", Quote(file))), 0);
        ASSERT_EQ(Convert(Quote(file) + " " + Quote(out)), 0);
        const Pixels written = ParsePnm(ReadFile(out));
        EXPECT_EQ(Diff(written, Opaque(DecodeWithVelkor(file))), "");
        const std::string reader = name.ends_with(".jpg") ? "djpeg -dct float -nosmooth -pnm " : "pngtopnm ";
        EXPECT_EQ(Diff(written, ReadWithNetpbm(reader + Quote(file) + " 2>/dev/null")), "");
    }
}

// A file that breaks off is written as the whole picture would be, with the
// warning; one that cannot be read leaves an existing target as it was.
TEST(CliConvertRows, DamagedAndBadFiles)
{
    TempDir dir;
    WriteTestPpm(dir.File("in.ppm"), 120, 300, 0, 5);
    const std::string in = Quote(dir.File("in.ppm"));
    ASSERT_EQ(vktest::Run("cjpeg -outfile " + Quote(dir.File("whole.jpg")) + " " + in), 0);
    ASSERT_EQ(vktest::Run("pnmtopng -compression 0 " + in + " > " + Quote(dir.File("whole.png"))), 0);
    for (const std::string ext : {"jpg", "png"}) {
        SCOPED_TRACE(ext);
        const std::string whole = ReadFile(dir.File("whole." + ext));
        const std::string cut = dir.File("cut." + ext), out = dir.File("cut." + ext + ".ppm");
        WriteFile(cut, whole.substr(0, whole.size() / 2));
        std::string messages;
        ASSERT_EQ(vktest::Run(std::string(VELKOR_CLI) + " convert " + Quote(cut) + " " + Quote(out) + " 2>&1",
                              &messages),
                  0);
        EXPECT_NE(messages.find("warning"), std::string::npos) << messages;
        EXPECT_EQ(Diff(ParsePnm(ReadFile(out)), Opaque(DecodeWithVelkor(cut))), "");

        // The PNG is cut where its pixel data starts: the header read, the
        // file made, no row, the file dropped.
        const std::string bad = dir.File("bad." + ext), kept = dir.File(ext + "/kept.ppm");
        WriteFile(bad, whole.substr(0, ext == "png" ? whole.find("IDAT") + 6 : 40));
        ASSERT_EQ(vktest::Run("mkdir " + Quote(dir.File(ext))), 0);
        WriteFile(kept, "old");
        EXPECT_NE(Convert(Quote(bad) + " " + Quote(kept)), 0);
        EXPECT_EQ(ReadFile(kept), "old");
        EXPECT_TRUE(OnlyFile(dir.File(ext), "kept.ppm"));
    }
}
