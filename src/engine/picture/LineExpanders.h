// Line expanders: palette indices, packed indices, bit planes and
// blue-green-red triples turned into 32-bit pixels or index bytes. Used by
// the decoders and by the bitmap's depth conversions.
#pragma once

#include "engine/picture/Bmp.h"

#include <cstddef>
#include <cstdint>

// Pixel values of a 256-entry palette, for expanding indexed lines.
void BuildPixelTable(const PaletteEntry* palette, uint32_t table[256]);
// Expands a line of blue, green, red triples into opaque 32-bit pixels.
void ExpandBgrLine(const uint8_t* in, int count, uint32_t* out);
// Expands a line of palette indices into 32-bit pixels.
void ExpandIndexedLine(const uint8_t* indices, int count, const uint32_t table[256], uint32_t* out);
// Expands `count` packed indices of 1, 2, 4 or 8 bits (most significant bits
// first) through table into 32-bit pixels.
void ExpandPackedLine(const uint8_t* in, int count, int bitsPerPixel, const uint32_t table[256],
                      uint32_t* out);
// Unpacks `count` packed indices of 1, 2, 4 or 8 bits into one byte each.
void UnpackIndices(const uint8_t* in, int count, int bitsPerPixel, uint8_t* out);
// Sets bit `bit` (0 to 7) of indices[x] for every set bit x of a bit plane,
// leftmost pixel in the top bit; indices holds planeBytes * 8 bytes.
void OrPlaneIntoIndices(uint8_t* indices, const uint8_t* plane, size_t planeBytes, int bit);
