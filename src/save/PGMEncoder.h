// Portable graymap writer: binary P5 with maxval 255, the luminance of each
// pixel after reduction to at most 256 colours.
#pragma once

#include "picture/Bmp.h"

#include <string>

class CPGMEncoder {
public:
    // Throws CTextException; an existing file at path is then left as it was.
    void Save(const std::string& path, CBmp& bmp);
};
