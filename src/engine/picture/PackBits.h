// PackBits / ByteRun1 unpacking of one row, bounded on input and output.
// Used by PICT (PackBitsRect, direct bits), IFF/ILBM (ByteRun1) and TIFF.
#pragma once

#include <cstddef>
#include <cstdint>

struct PackBitsResult {
    size_t consumed;      // input bytes used, never more than the input size
    size_t produced;      // output bytes written, never more than the output size
    bool overran = false; // a run reached past the output's end and was cut
};

// Unpacks runs of `unit`-byte units (1, or 2 for 16-bit PICT pixels) from
// in[0, inSize) into out[0, outSize) until the output is full or the input
// runs out. A flag byte f < 128 copies f + 1 units, 128 is skipped, f > 128
// repeats the next unit 257 - f times. A run reaching past the output is cut
// at its end, but the input it occupies is still consumed so that a caller
// reading rows back to back stays in step. A run cut short by the input end
// writes what it has; the caller sees produced < outSize.
PackBitsResult UnpackBits(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize, size_t unit = 1);
