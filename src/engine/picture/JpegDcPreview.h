// The first paint of a progressive JPEG from its DC scans alone. One value
// per 8x8 block is a picture of an eighth of the size; reading it straight
// from the file skips the whole-picture coefficient buffer libjpeg needs
// for a progressive file, which costs most of the time before its first
// scan shows.
#pragma once

#include "engine/picture/Bmp.h"

#include <cstddef>
#include <cstdint>
#include <functional>

// Decodes the DC-first scans at the start of a progressive, Huffman-coded,
// 8-bit JPEG with one (grey) or three (YCbCr) components into `picture`:
// 32 bits, ceil(width / 8) x ceil(height / 8), colour subsampled by
// repeating, turned by `orientation` (EXIF 1 to 8) and carrying the file's
// ICC profile. `wanted` gets the full size once the frame header is read
// and may decline. False, the picture then unspecified, for anything else:
// baseline or arithmetic coding, RGB or CMYK, a first scan that is not a DC
// one, damaged or truncated data. Never throws.
bool DecodeJpegDcPreview(const uint8_t* data, size_t size, int orientation,
                         const std::function<bool(int width, int height)>& wanted, CBmp& picture);
