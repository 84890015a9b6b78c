// Portable pixmap writer: binary P6 with maxval 255.
#pragma once

#include "engine/picture/Bmp.h"

#include <string>

class CPPMEncoder {
  public:
    // Throws CTextException; an existing file at path is then left as it was.
    void Save(const std::string& path, CBmp& bmp);
};

// "P<kind>\n<width> <height>\n255\n", shared with the graymap writer.
std::string PnmHeader(char kind, int width, int height);
