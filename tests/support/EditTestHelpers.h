// Helpers of the edit tests: small pictures by hand and ImageMagick as the
// reference for the operations it shares with us.
#pragma once

#include "TestSupport.h"
#include "engine/edit/PictureEx.h"

#include <string>

namespace edittest {

using vktest::Pixels;

// A picture filled with one pixel.
inline void Fill(CBmp& bmp, int width, int height, uint32_t pixel)
{
    bmp.Create(width, height, 32, false);
    bmp.SetSourceBitsPerPixel(24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bmp.GetLine32(y)[x] = pixel;
}

// Smooth content (gradients and a disc) that resampling peers agree on.
inline void MakeSmoothPicture(CBmp& bmp, int width, int height)
{
    bmp.Create(width, height, 32, false);
    bmp.SetSourceBitsPerPixel(24);
    const double cx = width * 0.35, cy = height * 0.4, r = std::min(width, height) * 0.25;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double dx = x - cx, dy = y - cy;
            const bool disc = dx * dx + dy * dy < r * r;
            bmp.GetLine32(y)[x] = MakePixel(uint8_t(x * 255 / width), uint8_t(y * 255 / height),
                                            disc ? 30 : uint8_t(160 + (x + y) % 40));
        }
    }
}

// What ImageMagick makes of `bmp` with `options` (e.g. "-flip").
inline Pixels ImageMagickResult(const CWinBmp& bmp, const std::string& options)
{
    vktest::TempDir dir;
    SaveAsBmpFile(bmp, dir.File("in.bmp"));
    if (vktest::Run(vktest::ImageMagick() + " " + vktest::Quote(dir.File("in.bmp")) + " " + options + " " +
                    vktest::Quote(dir.File("out.png"))) != 0)
        return {};
    return vktest::Opaque(vktest::ReadWithImageMagick(dir.File("out.png")));
}

inline Pixels Ours(const CBmp& bmp)
{
    return vktest::Opaque(vktest::FromBitmap(bmp));
}

// The centred box of width x height of a picture.
inline Pixels CentreCrop(const Pixels& p, int width, int height)
{
    Pixels out;
    out.width = width;
    out.height = height;
    const int x0 = (p.width - width) / 2, y0 = (p.height - height) / 2;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            out.data.push_back(p.At(x0 + x, y0 + y));
    return out;
}

inline uint8_t Blue(uint32_t p)
{
    return uint8_t(p);
}
inline uint8_t Green(uint32_t p)
{
    return uint8_t(p >> 8);
}
inline uint8_t Red(uint32_t p)
{
    return uint8_t(p >> 16);
}
inline uint8_t Fourth(uint32_t p)
{
    return uint8_t(p >> 24);
}

} // namespace edittest
