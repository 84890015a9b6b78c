#include "engine/picture/LineExpanders.h"

#include <array>
#include <cassert>
#include <cstring>

void BuildPixelTable(const PaletteEntry* palette, uint32_t table[256])
{
    for (int i = 0; i < 256; ++i)
        table[i] = PaletteToPixel(palette[i]);
}

void ExpandIndexedLine(const uint8_t* indices, int count, const uint32_t table[256], uint32_t* out)
{
    for (int x = 0; x < count; ++x)
        out[x] = table[indices[x]];
}

void ExpandBgrLine(const uint8_t* in, int count, uint32_t* out)
{
    int x = 0;
    // Four pixels from three little-endian words at a time.
    for (; x + 4 <= count; x += 4, in += 12) {
        uint32_t a, b, c;
        std::memcpy(&a, in, 4);
        std::memcpy(&b, in + 4, 4);
        std::memcpy(&c, in + 8, 4);
        out[x] = a | 0xFF000000u;
        out[x + 1] = (a >> 24) | (b << 8) | 0xFF000000u;
        out[x + 2] = (b >> 16) | (c << 16) | 0xFF000000u;
        out[x + 3] = (c >> 8) | 0xFF000000u;
    }
    for (; x < count; ++x, in += 3)
        out[x] = MakePixel(in[2], in[1], in[0]);
}

namespace {

// Calls put(x, index) for the first `count` packed indices of `bits` bits.
template <class Put> void ForEachPackedIndex(const uint8_t* in, int count, int bits, Put put)
{
    assert(bits == 1 || bits == 2 || bits == 4 || bits == 8);
    const int perByte = 8 / bits;
    const unsigned mask = (1u << bits) - 1;
    int x = 0;
    for (; x + perByte <= count; x += perByte) {
        unsigned byte = *in++;
        for (int i = perByte - 1; i >= 0; --i, byte >>= bits)
            put(x + i, byte & mask);
    }
    if (x < count) {
        const unsigned byte = *in;
        for (int shift = 8 - bits; x < count; ++x, shift -= bits)
            put(x, (byte >> shift) & mask);
    }
}

// A plane byte spread over eight index bytes, leftmost pixel first.
const std::array<uint64_t, 256>& SpreadTable()
{
    static const std::array<uint64_t, 256> table = [] {
        std::array<uint64_t, 256> t{};
        for (int b = 0; b < 256; ++b)
            for (int i = 0; i < 8; ++i)
                if (b & (0x80 >> i))
                    t[size_t(b)] |= uint64_t(1) << (8 * i);
        return t;
    }();
    return table;
}

} // namespace

void ExpandPackedLine(const uint8_t* in, int count, int bitsPerPixel, const uint32_t table[256],
                      uint32_t* out)
{
    if (bitsPerPixel == 8) {
        ExpandIndexedLine(in, count, table, out);
        return;
    }
    ForEachPackedIndex(in, count, bitsPerPixel,
                       [table, out](int x, unsigned index) { out[x] = table[index]; });
}

void UnpackIndices(const uint8_t* in, int count, int bitsPerPixel, uint8_t* out)
{
    if (bitsPerPixel == 8) {
        std::memcpy(out, in, size_t(count));
        return;
    }
    ForEachPackedIndex(in, count, bitsPerPixel, [out](int x, unsigned index) { out[x] = uint8_t(index); });
}

void OrPlaneIntoIndices(uint8_t* indices, const uint8_t* plane, size_t planeBytes, int bit)
{
    const auto& spread = SpreadTable();
    for (size_t j = 0; j < planeBytes; ++j) {
        if (plane[j] == 0)
            continue;
        uint64_t v;
        std::memcpy(&v, indices + 8 * j, 8);
        v |= spread[plane[j]] << bit;
        std::memcpy(indices + 8 * j, &v, 8);
    }
}
