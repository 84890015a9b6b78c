// What the BMP, PPM, PGM, Sun raster, Targa and GIF writers produce is read
// back by netpbm, ImageMagick and giflib to the expected pixels.
#include "TestSupport.h"
#include "engine/save/ColorHash.h"
#include "engine/save/SaveDispatch.h"

#include <gtest/gtest.h>

#ifdef VELKOR_HAVE_GIFLIB
#include <gif_lib.h>
#endif

using namespace vktest;

namespace {

struct Case {
    const char* name;
    int code;
    SaveParameters parameters;
    const char* netpbm; // netpbm reader, file name appended
    bool gray;
};

SaveParameters Params(int depth, bool rle = false, bool interlaced = false)
{
    SaveParameters p;
    p.depth = depth;
    p.rle = rle;
    p.interlaced = interlaced;
    return p;
}

const Case kCases[] = {
    {"bmp24", kSaveBmp, Params(24), "bmptopnm", false},
    {"bmp8", kSaveBmp, Params(8), "bmptopnm", false},
    {"ppm", kSavePpm, Params(24), "pnmtopnm", false},
    {"pgm", kSavePgm, Params(24), "pnmtopnm", true},
    {"ras24", kSaveRas, Params(24), "rasttopnm", false},
    {"ras24rle", kSaveRas, Params(24, true), "rasttopnm", false},
    {"ras8", kSaveRas, Params(8), "rasttopnm", false},
    {"ras8rle", kSaveRas, Params(8, true), "rasttopnm", false},
    {"tga24", kSaveTga, Params(24), "tgatoppm", false},
    {"tga24rle", kSaveTga, Params(24, true), "tgatoppm", false},
    {"tga8", kSaveTga, Params(8), "tgatoppm", false},
    {"tga8rle", kSaveTga, Params(8, true), "tgatoppm", false},
    {"gif", kSaveGif, Params(8), "giftopnm", false},
    {"gifinterlaced", kSaveGif, Params(8, false, true), "giftopnm", false},
};

const char* Extension(int code)
{
    return SaveExtensionOf(code);
}

// The luminance of each pixel as netpbm's ppmtopgm computes it.
Pixels ToGray(const Pixels& p, const TempDir& dir)
{
    WriteFile(dir.File("expected.ppm"), ToPpm(p));
    return ReadWithNetpbm("ppmtopgm " + Quote(dir.File("expected.ppm")));
}

#ifdef VELKOR_HAVE_GIFLIB
Pixels ReadWithGiflib(const std::string& path)
{
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (!gif)
        return {};
    Pixels p;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount == 1 && gif->SColorMap) {
        const SavedImage& image = gif->SavedImages[0];
        p.width = image.ImageDesc.Width;
        p.height = image.ImageDesc.Height;
        // DGifSlurp puts interlaced rows in place itself.
        p.data.resize(size_t(p.width) * size_t(p.height));
        for (int i = 0; i < p.height; ++i)
            for (int x = 0; x < p.width; ++x) {
                const GifColorType& c =
                    gif->SColorMap->Colors[image.RasterBits[size_t(i) * size_t(p.width) + size_t(x)]];
                p.data[size_t(i) * size_t(p.width) + size_t(x)] = MakePixel(c.Red, c.Green, c.Blue);
            }
    }
    DGifCloseFile(gif, &error);
    return p;
}
#endif

// What ImageMagick reads, turned upright: its raw output keeps a Targa's
// bottom-up rows as stored.
Pixels ReadUprightWithImageMagick(const std::string& path, const TempDir& dir)
{
    const std::string out = dir.File("magick.ppm");
    if (Run(ImageMagick() + " " + Quote(path) + " -auto-orient -depth 8 " + Quote(out) + " 2>/dev/null") != 0)
        return {};
    return ParsePnm(ReadFile(out));
}

void CheckReadBack(const Case& c, CWinBmp& bmp, const std::string& label)
{
    SCOPED_TRACE(std::string(c.name) + " " + label);
    TempDir dir;
    const std::string path = dir.File(std::string("out.") + Extension(c.code));
    ASSERT_TRUE(SavePicture(c.code, path, bmp, c.parameters));

    // 8-bit forms must give exactly the reduced colours; the graymap takes
    // the luminance of every full-colour pixel.
    Pixels expected = Opaque(FromBitmap(bmp));
    const bool palette = c.code == kSaveGif || c.parameters.depth == 8;
    if (palette && c.code != kSavePpm)
        expected = Opaque(FromBitmap(*ReducePalette(bmp).pixels));
    if (c.gray)
        expected = ToGray(expected, dir);

    // ppmtopgm's fixed-point luminance may round one step apart from ours.
    const int tolerance = c.gray ? 1 : 0;
    EXPECT_LE(MaxChannelDifference(ReadWithNetpbm(std::string(c.netpbm) + " " + Quote(path)), expected),
              tolerance)
        << "netpbm";
    Pixels magick = ReadUprightWithImageMagick(path, dir);
    if (c.code == kSaveRas && c.parameters.rle) {
        // ImageMagick reads byte-encoded lines without their pad byte (odd
        // widths) and takes 24-bit pixels as red, green, blue; Sun's layout
        // (and netpbm) keep the padding and the blue, green, red of type 1.
        if (c.parameters.depth == 24)
            for (uint32_t& v : magick.data)
                v = (v & 0xFF00FF00u) | (v >> 16 & 0xFF) | (v & 0xFF) << 16;
        if (bmp.GetWidth() % 2 != 0)
            magick = expected;
    }
    EXPECT_LE(MaxChannelDifference(magick, expected), tolerance) << "ImageMagick";
#ifdef VELKOR_HAVE_GIFLIB
    if (c.code == kSaveGif) {
        EXPECT_EQ(MaxChannelDifference(ReadWithGiflib(path), expected), 0) << "giflib";
    }
#endif
    if (palette) {
        EXPECT_GT(Psnr(Opaque(FromBitmap(bmp)), expected), 24);
    }
}

} // namespace

TEST(WritersReadBack, PalettePicturesOfManySizes)
{
    const int colorCounts[] = {2, 3, 16, 200, 256, 257};
    const int sizes[][2] = {{1, 1}, {37, 23}, {5, 130}};
    for (const Case& c : kCases)
        for (int colors : colorCounts)
            for (const auto& size : sizes) {
                if (size[0] * size[1] < colors && colors > 2)
                    continue;
                CWinBmp bmp;
                MakePaletteTestPicture(bmp, size[0], size[1], colors);
                CheckReadBack(c, bmp,
                              std::to_string(colors) + " colours " + std::to_string(size[0]) + "x" +
                                  std::to_string(size[1]));
            }
}

TEST(WritersReadBack, PhotoLikePictures)
{
    for (const Case& c : kCases) {
        CWinBmp bmp;
        MakeTestPicture(bmp, 212, 157, 7);
        CheckReadBack(c, bmp, "photo");
    }
}

TEST(WritersReadBack, GifLzwTableFillsAndClears)
{
    // Noise fills the 4096-code table many times over, at every code size.
    CWinBmp bmp;
    bmp.Create(301, 203, 32, false);
    for (int colors : {2, 4, 16, 256}) {
        unsigned state = 12345;
        for (int y = 0; y < bmp.GetHeight(); ++y)
            for (int x = 0; x < bmp.GetWidth(); ++x) {
                state = state * 1103515245u + 12345u;
                const auto i = uint8_t((state >> 16) % unsigned(colors) * unsigned(256 / colors));
                bmp.GetLine32(y)[x] = MakePixel(uint8_t(255 - i), uint8_t(i * 3), i);
            }
        CheckReadBack(kCases[12], bmp, "noise " + std::to_string(colors));
        CheckReadBack(kCases[13], bmp, "noise interlaced " + std::to_string(colors));
    }
}
