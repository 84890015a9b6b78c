// CIFFEncoder: writes a picture as an uncompressed Amiga IFF ILBM with a
// colour map of at most 256 colours.
#pragma once

#include "engine/picture/Bmp.h"

#include <string>

class CIFFEncoder {
  public:
    // Throws CTextException on failure; an existing file at `path` is then
    // left as it was.
    void Save(const std::string& path, CBmp& bmp);
};
