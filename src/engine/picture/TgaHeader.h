// The 18-byte Targa header, read by the Targa decoder and written by the
// Targa writer from this one description.
#pragma once

#include "engine/picture/ByteOrder.h"

#include <array>
#include <cstdint>

inline constexpr size_t kTgaHeaderSize = 18;

// Image types; the run-length types add kTgaRleFlag.
inline constexpr uint8_t kTgaMapped = 1;
inline constexpr uint8_t kTgaTrueColor = 2;
inline constexpr uint8_t kTgaGray = 3;
inline constexpr uint8_t kTgaRleFlag = 8;
// Descriptor bit of rows stored from the top.
inline constexpr uint8_t kTgaTopDown = 0x20;

struct TgaHeader {
    uint8_t idLength = 0;     // bytes of the image ID after the header
    uint8_t colorMapType = 0; // 1: a colour map follows
    uint8_t imageType = 0;
    uint16_t firstEntry = 0; // colour map specification
    uint16_t mapLength = 0;
    uint8_t mapEntrySize = 0; // bits per entry
    uint16_t xOrigin = 0;     // not used when drawing
    uint16_t yOrigin = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    uint8_t pixelDepth = 0;
    uint8_t descriptor = 0; // alpha bits, kTgaTopDown

    bool operator==(const TgaHeader&) const = default;

    // Little-endian words, in file order.
    template <class Self, class Io> static constexpr void Fields(Self& h, Io& io)
    {
        io.template Field<uint8_t>(h.idLength);
        io.template Field<uint8_t>(h.colorMapType);
        io.template Field<uint8_t>(h.imageType);
        io.template Field<uint16_t>(h.firstEntry);
        io.template Field<uint16_t>(h.mapLength);
        io.template Field<uint8_t>(h.mapEntrySize);
        io.template Field<uint16_t>(h.xOrigin);
        io.template Field<uint16_t>(h.yOrigin);
        io.template Field<uint16_t>(h.width);
        io.template Field<uint16_t>(h.height);
        io.template Field<uint8_t>(h.pixelDepth);
        io.template Field<uint8_t>(h.descriptor);
    }
};
static_assert(HeaderSize<TgaHeader>() == kTgaHeaderSize);

// ErrEndOfFile when `bytes` holds fewer than 18 bytes.
inline TgaHeader ParseTgaHeader(ByteView bytes)
{
    return LoadHeader<Endian::Little, TgaHeader>(bytes);
}
inline std::array<uint8_t, kTgaHeaderSize> TgaHeaderBytes(const TgaHeader& header)
{
    std::array<uint8_t, kTgaHeaderSize> bytes{};
    StoreHeader<Endian::Little>(header, bytes);
    return bytes;
}
