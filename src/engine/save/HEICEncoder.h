// CHEICEncoder: writes a picture as HEIC (HEVC in HEIF) through libheif and
// its x265 encoder at a quality, with its alpha and the carried camera data
// and colour profile.
#pragma once

#include "engine/picture/Bmp.h"
#include "engine/save/SaveOptions.h"

#include <string>

class CHEICEncoder {
  public:
    // Uses quality (0..100) and metadata. Throws CTextException on failure
    // (also when libheif here has no HEVC encoder); an existing file at
    // `path` is then left as it was.
    void Save(const std::string& path, CBmp& bmp, const SaveParameters& parameters);
};
