// CAVIFEncoder: writes a picture as AVIF through libavif (AV1 in 4:4:4,
// full range), at a quality and an encoder speed, its alpha kept without
// loss, with the carried camera data and colour profile.
#pragma once

#include "engine/picture/Bmp.h"
#include "engine/save/SaveOptions.h"

#include <string>

class CAVIFEncoder {
  public:
    // Uses quality (0..100), speed (0 slowest .. 10 fastest) and metadata.
    // Throws CTextException on failure; an existing file at `path` is then
    // left as it was.
    void Save(const std::string& path, CBmp& bmp, const SaveParameters& parameters);

    // AV1's quantizer (0 best .. 63) of a quality, as libavif maps them.
    static int QuantizerOf(int quality);
};
