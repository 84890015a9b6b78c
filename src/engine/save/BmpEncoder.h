// Windows bitmap writer: 24 bits, or 8 bits with a palette of at most 256
// colours (median cut when the picture has more).
#pragma once

#include "engine/picture/Bmp.h"

#include <cstddef>
#include <functional>
#include <string>

class CWinBmp;

class CBmpEncoder {
  public:
    // depth 8 writes a palette bitmap, anything else 24 bits. Throws
    // CTextException; an existing file at path is then left as it was.
    void Save(const std::string& path, CBmp& bmp, int depth);
};

// Writes the bitmap as a BMP file without conversion: an indexed one with
// its block's header, palette and rows as held, a 32-bit one as 24 bits.
// The file is written to a temporary name beside `fileName` and renamed into
// place when complete. Throws CTextException on failure; an existing file is
// then untouched.
void SaveAsBmpFile(const CWinBmp& bmp, const std::string& fileName);
// The same bytes, handed to a sink piece by piece.
using ByteSink = std::function<void(const void*, size_t)>;
void WriteBmp(const CWinBmp& bmp, const ByteSink& sink);
