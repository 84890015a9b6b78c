// Targa writer: colour-mapped 8 bits or true colour 24 bits, plain or
// run-length encoded, lines from the bottom up.
#pragma once

#include "engine/picture/Bmp.h"

#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr const char* kTextTgaBadDepth = "Bad Pixel Depth.";
inline constexpr const char* kTextTgaTooLarge = "Picture too large for Targa.";

class CTGAEncoder {
  public:
    // depth 8 or 24 (others: ErrInternal "Bad Pixel Depth."). Throws
    // CTextException; an existing file at path is then left as it was.
    void Save(const std::string& path, CBmp& bmp, bool rle, int depth);
};

// Run-length packets of one line of `count` pixels of `pixelBytes` bytes
// each; writes at most count * (pixelBytes + 1) bytes to out and returns
// how many.
size_t EncodeTgaLine(const uint8_t* pixels, size_t count, size_t pixelBytes, uint8_t* out);
