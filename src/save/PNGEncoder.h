// CPNGEncoder: writes a picture as an 8-bit RGB PNG through libpng, with
// zlib compression level 9 unless told otherwise (0..9) and optional Adam7
// interlacing.
#pragma once

#include "picture/Bmp.h"

#include <string>

class CPNGEncoder {
public:
    // Throws CTextException on failure; an existing file at `path` is then
    // left as it was.
    void Save(const std::string& path, CBmp& bmp, bool interlaced, int level = kDefaultLevel);

    static constexpr int kDefaultLevel = 9;
};
