// The 20-byte bitmap header (BMHD chunk) of an ILBM file, read by the IFF
// decoder and written by the IFF writer from this one description.
#pragma once

#include "engine/picture/ByteOrder.h"

#include <array>
#include <cstdint>

inline constexpr size_t kBmhdSize = 20;

struct IffBitmapHeader {
    uint16_t width = 0;
    uint16_t height = 0;
    uint16_t x = 0; // position on the page, not used
    uint16_t y = 0;
    uint8_t planes = 0;
    uint8_t masking = 0;     // 1: a mask plane follows each row's planes
    uint8_t compression = 0; // 0 none, 1 ByteRun1
    uint8_t pad = 0;
    uint16_t transparentColor = 0;
    uint8_t xAspect = 10;
    uint8_t yAspect = 10;
    uint16_t pageWidth = 0;
    uint16_t pageHeight = 0;

    bool operator==(const IffBitmapHeader&) const = default;

    // Big-endian words, in file order.
    template <class Self, class Io> static constexpr void Fields(Self& h, Io& io)
    {
        io.template Field<uint16_t>(h.width);
        io.template Field<uint16_t>(h.height);
        io.template Field<uint16_t>(h.x);
        io.template Field<uint16_t>(h.y);
        io.template Field<uint8_t>(h.planes);
        io.template Field<uint8_t>(h.masking);
        io.template Field<uint8_t>(h.compression);
        io.template Field<uint8_t>(h.pad);
        io.template Field<uint16_t>(h.transparentColor);
        io.template Field<uint8_t>(h.xAspect);
        io.template Field<uint8_t>(h.yAspect);
        io.template Field<uint16_t>(h.pageWidth);
        io.template Field<uint16_t>(h.pageHeight);
    }
};
static_assert(HeaderSize<IffBitmapHeader>() == kBmhdSize);

// ErrEndOfFile when `bytes` holds fewer than 20 bytes.
inline IffBitmapHeader ParseBmhd(ByteView bytes)
{
    return LoadHeader<Endian::Big, IffBitmapHeader>(bytes);
}
inline std::array<uint8_t, kBmhdSize> BmhdBytes(const IffBitmapHeader& header)
{
    std::array<uint8_t, kBmhdSize> bytes{};
    StoreHeader<Endian::Big>(header, bytes);
    return bytes;
}
