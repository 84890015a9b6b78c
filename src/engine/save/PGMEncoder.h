// Portable graymap writer: binary P5 with maxval 255, the rounded luminance
// of each pixel of the full-colour picture.
#pragma once

#include "engine/picture/Bmp.h"

#include <string>

class CPGMEncoder {
  public:
    // Throws CTextException; an existing file at path is then left as it was.
    void Save(const std::string& path, CBmp& bmp);
};
