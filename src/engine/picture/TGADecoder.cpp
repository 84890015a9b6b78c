#include "engine/picture/TGADecoder.h"

#include "engine/picture/LineExpanders.h"
#include "engine/picture/TgaHeader.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr const char* kTextUnknownType = "Unknown TGA image type.";
constexpr const char* kTextNoPaletteMemory = "Out of memory for palette.";
// Depths the format allows but the detector never passes on.
constexpr const char* kTextBadDepth = "Unsupported TGA pixel depth.";

constexpr uint8_t kRunPacket = 0x80;

// 5-5-5 colour fields of a little-endian word, each times 8.
inline uint32_t Pixel555(const uint8_t* p, uint8_t alpha)
{
    unsigned v = unsigned(p[0]) | unsigned(p[1]) << 8;
    return MakePixel(uint8_t(((v >> 10) & 0x1F) << 3), uint8_t(((v >> 5) & 0x1F) << 3),
                     uint8_t((v & 0x1F) << 3), alpha);
}

// Converts n stored pixels of `depth` bits into 32-bit pixels.
void ConvertPixels(const uint8_t* in, size_t n, int depth, const uint32_t* table, uint32_t* out)
{
    switch (depth) {
    case 8:
        ExpandIndexedLine(in, int(n), table, out);
        break;
    case 15:
        for (size_t x = 0; x < n; ++x, in += 2)
            out[x] = Pixel555(in, 255);
        break;
    case 16:
        for (size_t x = 0; x < n; ++x, in += 2)
            out[x] = Pixel555(in, (in[1] & 0x80) ? 0x80 : 0);
        break;
    case 24:
        ExpandBgrLine(in, int(n), out);
        break;
    default:
        std::memcpy(out, in, n * 4);
        break;
    }
}

// One 32-bit pixel from a stored pixel of `depth` bits.
inline uint32_t ConvertPixel(const uint8_t* in, int depth, const uint32_t* table)
{
    uint32_t v;
    ConvertPixels(in, 1, depth, table, &v);
    return v;
}

void ReadColorMap(const TgaHeader& h, CDataSource& source, PaletteEntry* palette)
{
    const size_t entryBytes = (size_t(h.mapEntrySize) + 7) / 8;
    const uint8_t* p = source.ReadBytes(entryBytes * h.mapLength);
    for (size_t i = 0; i < h.mapLength; ++i, p += entryBytes) {
        // Entries beyond 255 cannot be addressed by an 8-bit pixel.
        size_t index = size_t(h.firstEntry) + i;
        if (index > 255)
            break;
        uint32_t v;
        switch (h.mapEntrySize) {
        case 8:
            v = MakePixel(p[0], p[0], p[0]);
            break;
        case 15:
        case 16:
            v = Pixel555(p, 255);
            break;
        case 24:
            v = MakePixel(p[2], p[1], p[0]);
            break;
        case 32:
            v = MakePixel(p[2], p[1], p[0], p[3]);
            break;
        default:
            continue; // no rule for other sizes: the entry stays black
        }
        palette[index] = PaletteEntry{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    }
}

} // namespace

void CTGADecoder::DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source)
{
    Trace(2, "Decoding TGA.\n");
    // The origin is read but not used.
    const TgaHeader h = ParseTgaHeader(source.ReadSpan(kTgaHeaderSize));
    source.Skip(h.idLength);

    const int depth = h.pixelDepth;
    if (depth != 8 && depth != 15 && depth != 16 && depth != 24 && depth != 32)
        RaiseError(ErrUnsupported, kTextBadDepth);
    const bool rle = h.imageType >= 9 && h.imageType <= 11;
    if (!(h.imageType >= 1 && h.imageType <= 3) && !rle)
        RaiseError(ErrBadFormat, kTextUnknownType);

    PaletteEntry* entries = nullptr;
    try {
        entries = AllocPalette(palette);
    } catch (const std::bad_alloc&) {
        RaiseError(ErrNoMemory, kTextNoPaletteMemory);
    }
    if (h.colorMapType != 0)
        ReadColorMap(h, source, entries);
    // Grayscale types use the ramp; so does an 8-bit image without a colour
    // map, which has nothing else to look up.
    if (h.imageType == 3 || h.imageType == 11 || (depth == 8 && h.colorMapType == 0))
        for (int i = 0; i < 256; ++i)
            entries[i] = PaletteEntry{uint8_t(i), uint8_t(i), uint8_t(i), 255};

    const size_t width = h.width;
    const size_t height = h.height;
    const size_t pixelBytes = (size_t(depth) + 7) / 8;
    const size_t rowBytes = width * pixelBytes;
    // A short file is refused before the picture is allocated: stored rows
    // need all their bytes, run-length rows one packet per 128 pixels.
    if (rle)
        source.CheckAvailable((width + 127) / 128 * (1 + pixelBytes) * height);
    else
        source.CheckAvailable(rowBytes * height);

    const int destDepth = ResolveTargetDepth(depth, wantedDepth);
    bmp.Create(int(width), int(height), uint16_t(destDepth), depth == 16 || depth == 32);
    bmp.SetSourceBitsPerPixel(depth);
    if (destDepth == 8)
        bmp.SetPalette(entries);
    uint32_t table[256];
    BuildPixelTable(entries, table);

    const bool topDown = h.descriptor & kTgaTopDown;
    // An 8-bit destination (8-bit pixels only) keeps the index bytes.
    const bool indexOut = destDepth == 8;
    for (size_t row = 0; row < height; ++row) {
        int y = int(topDown ? row : height - 1 - row);
        uint8_t* line = LineToFill(bmp, y);
        if (!rle) {
            const uint8_t* in = source.ReadBytes(rowBytes);
            if (indexOut)
                std::memcpy(line, in, width);
            else
                ConvertPixels(in, width, depth, table, reinterpret_cast<uint32_t*>(line));
            continue;
        }
        // Packets do not continue on the next row; what a packet holds
        // beyond the row end is read and dropped.
        size_t x = 0;
        while (x < width) {
            const uint8_t head = source.ReadByte();
            const size_t count = size_t(head & 0x7F) + 1;
            const size_t n = std::min(count, width - x);
            if (head & kRunPacket) {
                const uint8_t* in = source.ReadBytes(pixelBytes);
                if (indexOut) {
                    std::memset(line + x, in[0], n);
                } else {
                    uint32_t v = ConvertPixel(in, depth, table);
                    std::fill_n(reinterpret_cast<uint32_t*>(line) + x, n, v);
                }
            } else {
                const uint8_t* in = source.ReadBytes(count * pixelBytes);
                if (indexOut)
                    std::memcpy(line + x, in, n);
                else
                    ConvertPixels(in, n, depth, table, reinterpret_cast<uint32_t*>(line) + x);
            }
            x += n;
        }
    }
    Trace(3, "Decoding finished.\n");
}
