// CJXLEncoder: writes a picture as JPEG XL through libjxl, lossy at a
// distance (or a quality mapped to one, as cjxl maps it) or lossless, at an
// effort, with its alpha and the carried camera data and colour profile
// (the EXIF and XMP in boxes of the JPEG XL container).
#pragma once

#include "engine/picture/Bmp.h"
#include "engine/save/SaveOptions.h"

#include <string>

class CJXLEncoder {
  public:
    // Uses distance (hundredths; -1 takes the quality's), quality, lossless,
    // effort (1..9) and metadata. Quality 100 is lossless, as in cjxl.
    // Throws CTextException on failure; an existing file at `path` is then
    // left as it was.
    void Save(const std::string& path, CBmp& bmp, const SaveParameters& parameters);

    // The largest distance libjxl takes.
    static constexpr float kMaxDistance = 15.0f;
    // The distance of a quality (0..100): 1.0 at 90, 0 at 100.
    static float DistanceOf(int quality);
    // The distance the writer uses for these parameters; 0 for lossless.
    static float DistanceFor(const SaveParameters& parameters);
};
