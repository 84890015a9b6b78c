// The 32-byte Sun raster header, read by the Sun raster decoder and written
// by its writer from this one description.
#pragma once

#include "engine/picture/ByteOrder.h"

#include <array>
#include <cstdint>

inline constexpr size_t kRasHeaderSize = 32;
inline constexpr uint32_t kRasMagic = 0x59A66A95;

enum RasType : uint32_t { RasOld = 0, RasStandard = 1, RasByteEncoded = 2, RasRGB = 3 };
enum RasMapType : uint32_t { RasMapNone = 0, RasMapEqualRGB = 1, RasMapRaw = 2 };

struct RasHeader {
    uint32_t magic = kRasMagic;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t depth = 0;
    uint32_t length = 0; // bytes of image data; 0 in old files
    uint32_t type = RasStandard;
    uint32_t mapType = RasMapNone;
    uint32_t mapLength = 0; // bytes of colour map after the header

    bool operator==(const RasHeader&) const = default;

    // Big-endian words, in file order.
    template <class Self, class Io> static constexpr void Fields(Self& h, Io& io)
    {
        io.template Field<uint32_t>(h.magic);
        io.template Field<uint32_t>(h.width);
        io.template Field<uint32_t>(h.height);
        io.template Field<uint32_t>(h.depth);
        io.template Field<uint32_t>(h.length);
        io.template Field<uint32_t>(h.type);
        io.template Field<uint32_t>(h.mapType);
        io.template Field<uint32_t>(h.mapLength);
    }
};
static_assert(HeaderSize<RasHeader>() == kRasHeaderSize);

// ErrEndOfFile when `bytes` holds fewer than 32 bytes.
inline RasHeader ParseRasHeader(ByteView bytes)
{
    return LoadHeader<Endian::Big, RasHeader>(bytes);
}
inline std::array<uint8_t, kRasHeaderSize> RasHeaderBytes(const RasHeader& header)
{
    std::array<uint8_t, kRasHeaderSize> bytes{};
    StoreHeader<Endian::Big>(header, bytes);
    return bytes;
}
