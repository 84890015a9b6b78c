// Windows bitmap writer: 24 bits, or 8 bits with a palette of at most 256
// colours (median cut when the picture has more).
#pragma once

#include "picture/Bmp.h"

#include <string>

class CBmpEncoder {
public:
    // depth 8 writes a palette bitmap, anything else 24 bits. Throws
    // CTextException; an existing file at path is then left as it was.
    void Save(const std::string& path, CBmp& bmp, int depth);
};
