// The 128-byte PCX header, read by the PCX decoder and written by the PCX
// writer from this one description.
#pragma once

#include "engine/picture/ByteOrder.h"

#include <array>
#include <cstdint>

inline constexpr size_t kPcxHeaderSize = 128;

struct PcxHeader {
    uint8_t manufacturer = 10;
    uint8_t version = 5;      // 5: a 256-colour palette may follow the image
    uint8_t encoding = 1;     // run-length encoding
    uint8_t bitsPerPixel = 8; // per plane
    uint16_t xMin = 0;
    uint16_t yMin = 0;
    uint16_t xMax = 0;
    uint16_t yMax = 0;
    uint16_t hResolution = 0;
    uint16_t vResolution = 0;
    std::array<uint8_t, 48> colorMap{}; // 16 entries of red, green, blue
    uint8_t reserved = 0;
    uint8_t planes = 1;
    uint16_t bytesPerLine = 0; // per plane
    uint16_t paletteInfo = 1;  // 1: colour

    bool operator==(const PcxHeader&) const = default;

    int Width() const { return int(xMax) - int(xMin) + 1; }
    int Height() const { return int(yMax) - int(yMin) + 1; }

    // Little-endian words, in file order; 58 filler bytes end the header.
    template <class Self, class Io> static constexpr void Fields(Self& h, Io& io)
    {
        io.template Field<uint8_t>(h.manufacturer);
        io.template Field<uint8_t>(h.version);
        io.template Field<uint8_t>(h.encoding);
        io.template Field<uint8_t>(h.bitsPerPixel);
        io.template Field<uint16_t>(h.xMin);
        io.template Field<uint16_t>(h.yMin);
        io.template Field<uint16_t>(h.xMax);
        io.template Field<uint16_t>(h.yMax);
        io.template Field<uint16_t>(h.hResolution);
        io.template Field<uint16_t>(h.vResolution);
        io.Bytes(h.colorMap);
        io.template Field<uint8_t>(h.reserved);
        io.template Field<uint8_t>(h.planes);
        io.template Field<uint16_t>(h.bytesPerLine);
        io.template Field<uint16_t>(h.paletteInfo);
        io.Skip(58);
    }
};
static_assert(HeaderSize<PcxHeader>() == kPcxHeaderSize);

// ErrEndOfFile when `bytes` holds fewer than 128 bytes.
inline PcxHeader ParsePcxHeader(ByteView bytes)
{
    return LoadHeader<Endian::Little, PcxHeader>(bytes);
}
inline std::array<uint8_t, kPcxHeaderSize> PcxHeaderBytes(const PcxHeader& header)
{
    std::array<uint8_t, kPcxHeaderSize> bytes{};
    StoreHeader<Endian::Little>(header, bytes);
    return bytes;
}
