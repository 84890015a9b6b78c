// PackBits packing of one row of bytes, as PICT pixmaps store them.
#pragma once

#include <cstddef>
#include <cstdint>

// Largest packed size of `count` bytes: one count byte per 128 bytes at
// worst.
inline constexpr size_t PackBitsBound(size_t count)
{
    return count + (count + 127) / 128;
}

// Packs `count` bytes into `out` (at least PackBitsBound(count) bytes) and
// returns the packed length. Stretches of 3 or more equal bytes become run
// packets (count byte 1 - k, then the byte), everything else literal
// packets (count byte k - 1, then the k bytes), each of at most 128 bytes.
// Packets are cut from the end of the row backwards, so where a stretch
// needs several packets its shorter remainder comes first.
size_t PackBitsRow(const uint8_t* in, size_t count, uint8_t* out);

// The same bytes as literal packets only: 128-byte packets from the start
// and a last packet of what remains.
size_t PackBitsLiteralRow(const uint8_t* in, size_t count, uint8_t* out);
