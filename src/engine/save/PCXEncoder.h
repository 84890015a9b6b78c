// CPCXEncoder: writes a picture as ZSoft PCX version 5, run-length encoded:
// 24 bits as three 8-bit planes, or 8 bits as 1 to 4 bit planes (16 colours
// or fewer) or one 8-bit plane with the 256-colour map at the end.
#pragma once

#include "engine/picture/Bmp.h"

#include <cstddef>
#include <cstdint>
#include <string>

class CPCXEncoder {
  public:
    // depth 24 writes true colour; any other value the palette form.
    // Throws CTextException on failure; an existing file at `path` is then
    // left as it was.
    void Save(const std::string& path, CBmp& bmp, int depth);
};

// Run-length encodes one plane line: runs of at most 63 equal bytes; a
// single byte below 0xC0 is written alone, anything else as 0xC0 | length
// and the byte. `out` needs 2 x count bytes. Returns the encoded length.
size_t PcxEncodeLine(const uint8_t* in, size_t count, uint8_t* out);
