// GIF writer: GIF87a, one image, a global colour table of at most 256
// colours, optionally interlaced.
#pragma once

#include "engine/picture/Bmp.h"

#include <string>

inline constexpr const char* kTextGifTooLarge = "Picture too large for GIF.";

class CGIFEncoder {
  public:
    // Reduces the picture to at most 256 colours when it has more. Throws
    // CTextException; an existing file at path is then left as it was.
    void Save(const std::string& path, CBmp& bmp, bool interlaced);
};

// Bits per pixel for a palette of n colours (1 for n <= 2 ... 8 for n <= 256).
int GifBitsForColors(int n);
