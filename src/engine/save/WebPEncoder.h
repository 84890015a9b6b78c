// CWebPEncoder: writes a picture as WebP through libwebp, lossy at a quality
// or lossless, with its alpha when it has one, and the carried camera data
// and colour profile in their chunks (through libwebpmux).
#pragma once

#include "engine/picture/Bmp.h"
#include "engine/save/SaveOptions.h"

#include <string>

class CWebPEncoder {
  public:
    // Uses quality (0..100), lossless and metadata. Lossless takes libwebp's
    // own effort, as cwebp -lossless does, and no quality. Throws
    // CTextException on failure; an existing file at `path` is then left
    // as it was.
    void Save(const std::string& path, CBmp& bmp, const SaveParameters& parameters);
};
