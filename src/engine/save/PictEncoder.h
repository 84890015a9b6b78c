// CPictEncoder: writes a picture as a Macintosh PICT version 2 file holding
// one 8-bit indexed pixmap (PackBitsRect), packed or stored as literal
// packets.
#pragma once

#include "engine/picture/Bmp.h"

#include <string>

class CPictEncoder {
  public:
    // Throws CTextException on failure; an existing file at `path` is then
    // left as it was.
    void Save(const std::string& path, CBmp& bmp, bool rle);
};
