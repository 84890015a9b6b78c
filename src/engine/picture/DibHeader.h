// The device-independent bitmap header that starts the pixel part of BMP
// files, icons and our own DIB blocks: one description read by the BMP and
// icon decoders and written by the bitmap block and the BMP writer.
#pragma once

#include "engine/picture/ByteOrder.h"

#include <array>
#include <cstdint>
#include <optional>

// Header sizes in use: OS/2 1.x, Windows 3 and its V2 to V5 successors (the
// longer ones add bit masks, then colour space data that is not kept).
inline constexpr uint32_t kDibCoreHeaderSize = 12;
inline constexpr uint32_t kDibHeaderSize = 40;
inline constexpr uint32_t kDibV2HeaderSize = 52; // + red, green, blue masks
inline constexpr uint32_t kDibV3HeaderSize = 56; // + alpha mask
inline constexpr uint32_t kDibV4HeaderSize = 108;
inline constexpr uint32_t kDibV5HeaderSize = 124;

inline constexpr uint32_t kDibCompressionNone = 0;
inline constexpr uint32_t kDibCompressionBitFields = 3;
inline constexpr uint32_t kDibCompressionAlphaBitFields = 6;

bool IsKnownDibHeaderSize(uint32_t size);

struct DibHeader {
    uint32_t size = kDibHeaderSize;
    int32_t width = 0;
    int32_t height = 0; // negative: rows stored top-down
    uint16_t planes = 1;
    uint16_t bitCount = 0;
    uint32_t compression = kDibCompressionNone;
    uint32_t imageSize = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t colorsUsed = 0;
    uint32_t colorsImportant = 0;
    // In the header from V2 (alpha from V3) on; after a Windows 3 header
    // with bit-field compression they follow it in the file.
    uint32_t redMask = 0;
    uint32_t greenMask = 0;
    uint32_t blueMask = 0;
    uint32_t alphaMask = 0;

    bool operator==(const DibHeader&) const = default;

    // Little-endian, in file order. The OS/2 header holds 16-bit sides,
    // planes and bit count only.
    template <class Self, class Io> static constexpr void Fields(Self& h, Io& io)
    {
        io.template Field<uint32_t>(h.size);
        if (h.size == kDibCoreHeaderSize) {
            io.template Field<uint16_t>(h.width);
            io.template Field<uint16_t>(h.height);
            io.template Field<uint16_t>(h.planes);
            io.template Field<uint16_t>(h.bitCount);
            return;
        }
        io.template Field<int32_t>(h.width);
        io.template Field<int32_t>(h.height);
        io.template Field<uint16_t>(h.planes);
        io.template Field<uint16_t>(h.bitCount);
        io.template Field<uint32_t>(h.compression);
        io.template Field<uint32_t>(h.imageSize);
        io.template Field<int32_t>(h.xPelsPerMeter);
        io.template Field<int32_t>(h.yPelsPerMeter);
        io.template Field<uint32_t>(h.colorsUsed);
        io.template Field<uint32_t>(h.colorsImportant);
        if (h.size >= kDibV2HeaderSize) {
            io.template Field<uint32_t>(h.redMask);
            io.template Field<uint32_t>(h.greenMask);
            io.template Field<uint32_t>(h.blueMask);
        }
        if (h.size >= kDibV3HeaderSize)
            io.template Field<uint32_t>(h.alphaMask);
        if (h.size > io.Offset())
            io.Skip(h.size - io.Offset());
    }
};

// The size field at the start of `bytes` (ErrEndOfFile when fewer than 4).
inline uint32_t DibHeaderSizeField(ByteView bytes)
{
    return LoadLE32(bytes, 0);
}

// Reads the header at the start of `bytes`: nothing when its size field is
// not a known size; ErrEndOfFile when `bytes` is shorter than that size.
std::optional<DibHeader> ParseDibHeader(ByteView bytes);

// Writes header.size bytes (a known size) to the start of `bytes`; the
// colour space part of V4 and V5 headers is written as zeros.
void StoreDibHeader(const DibHeader& header, ByteSpan bytes);

// The 14-byte file header of a BMP file, before the DIB header.
inline constexpr size_t kBmpFileHeaderSize = 14;

struct BmpFileHeader {
    std::array<uint8_t, 2> signature{'B', 'M'};
    uint32_t fileSize = 0;
    uint16_t reserved1 = 0;
    uint16_t reserved2 = 0;
    uint32_t dataOffset = 0; // of the pixel data, from the start of the file

    bool operator==(const BmpFileHeader&) const = default;
    bool HasSignature() const { return signature[0] == 'B' && signature[1] == 'M'; }

    template <class Self, class Io> static constexpr void Fields(Self& h, Io& io)
    {
        io.Bytes(h.signature);
        io.template Field<uint32_t>(h.fileSize);
        io.template Field<uint16_t>(h.reserved1);
        io.template Field<uint16_t>(h.reserved2);
        io.template Field<uint32_t>(h.dataOffset);
    }
};
static_assert(HeaderSize<BmpFileHeader>() == kBmpFileHeaderSize);
static_assert(HeaderSize<DibHeader>() == kDibHeaderSize);

// ErrEndOfFile when `bytes` holds fewer than 14 bytes.
inline BmpFileHeader ParseBmpFileHeader(ByteView bytes)
{
    return LoadHeader<Endian::Little, BmpFileHeader>(bytes);
}
inline void StoreBmpFileHeader(const BmpFileHeader& header, ByteSpan bytes)
{
    StoreHeader<Endian::Little>(header, bytes);
}
