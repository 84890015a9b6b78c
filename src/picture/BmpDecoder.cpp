#include "BmpDecoder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr const char* kTextNotBitmap = "Bitmap decoder: This isn't a bitmap.";
constexpr const char* kTextHeaderSize = "Bitmap decoder: BITMAPINFOHEADER has wrong size.";
constexpr const char* kTextIllegalBpp = "Decoding bmp: Illegal bpp value.";
constexpr const char* kTextDelta = "Encountered delta escape.";
constexpr const char* kTextNegativeWidth = "Bitmap decoder: negative width.";

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;

// Rows are padded to whole 32-bit words.
size_t StoredRowBytes(int width, int bitCount) { return (size_t(width) * size_t(bitCount) + 31) / 32 * 4; }

// Stores one line of palette indices into the bitmap line.
void StoreIndexLine(CBmp& bmp, int y, const uint8_t* indices, const uint32_t* table)
{
    if (bmp.GetBitsPerPixel() == 8)
        std::memcpy(bmp.GetLine(y), indices, size_t(bmp.GetWidth()));
    else
        ExpandIndexedLine(indices, bmp.GetWidth(), table, bmp.GetLine32(y));
}

} // namespace

void CBmpDecoder::DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source)
{
    const uint8_t* fileHeader = source.ReadBytes(kFileHeaderSize);
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M')
        RaiseError(ErrWrongSignature, kTextNotBitmap);
    Trace(2, "Bitmap file signature found\n");
    uint32_t fileSize = fileHeader[2] | fileHeader[3] << 8 | fileHeader[4] << 16 | uint32_t(fileHeader[5]) << 24;

    uint32_t headerSize = source.ReadLongLE();
    if (headerSize != kInfoHeaderSize)
        RaiseError(ErrBadFormat, kTextHeaderSize);
    auto width = int32_t(source.ReadLongLE());
    auto height = int32_t(source.ReadLongLE());
    source.Skip(2); // planes
    int bitCount = source.ReadWordLE();
    uint32_t compression = source.ReadLongLE();
    source.Skip(8); // image size, horizontal resolution
    source.Skip(4); // vertical resolution
    uint32_t colorsUsed = source.ReadLongLE();
    source.Skip(4); // colours important
    Trace(2, "Bitmap header is ok.\n");

    size_t paletteBytes = 0;
    PaletteEntry* entries = AllocPalette(palette);
    if (bitCount <= 8) {
        Trace(3, "Reading palette.\n");
        uint32_t n = colorsUsed ? colorsUsed : 1u << bitCount;
        if (n > 256)
            n = 256;
        paletteBytes = size_t(4) * n;
        const uint8_t* p = source.ReadBytes(paletteBytes);
        for (uint32_t i = 0; i < n; ++i)
            entries[i] = PaletteEntry{p[4 * i], p[4 * i + 1], p[4 * i + 2], 255};
    }

    // The file size field must not claim more than the file holds; the
    // pixel data starts right after the palette whatever the offset says.
    if (fileSize > paletteBytes + 56)
        source.CheckAvailable(fileSize - paletteBytes - 56);

    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32)
        RaiseError(ErrBadFormat, kTextIllegalBpp);
    if (width < 0)
        RaiseError(ErrBadFormat, kTextNegativeWidth);
    // A negative height marks a top-down file.
    bool topDown = height < 0;
    int64_t lines = topDown ? -int64_t(height) : height;
    CheckPictureSize(width, lines);
    const bool rle = compression != 0 && (bitCount == 4 || bitCount == 8);
    // Stored rows take all their bytes: a file too short for them is refused
    // before the picture it claims is allocated.
    if (!rle)
        source.CheckAvailable(StoredRowBytes(width, bitCount) * size_t(lines));

    int depth = ResolveTargetDepth(bitCount, wantedDepth);
    bmp.Create(width, int(lines), uint16_t(depth), false);
    bmp.SetSourceBitsPerPixel(bitCount);
    if (depth == 8)
        bmp.SetPalette(entries);
    uint32_t table[256];
    BuildPixelTable(entries, table);

    if (rle)
        DecodeRLE(bmp, bitCount, table, source, topDown);
    else
        DecodeUncompressed(bmp, bitCount, table, source, topDown);
    Trace(3, "Decoding finished.\n");
}

void CBmpDecoder::DecodeUncompressed(CBmp& bmp, int bitCount, const uint32_t* table,
                                     CDataSource& source, bool topDown)
{
    const int width = bmp.GetWidth();
    const int height = bmp.GetHeight();
    const size_t rowBytes = StoredRowBytes(width, bitCount);
    switch (bitCount) {
    case 1: Trace(2, "Decoding 1 bit per pixel bitmap.\n"); break;
    case 4: Trace(2, "Decoding uncompressed 4 bit per pixel bitmap.\n"); break;
    case 8: Trace(2, "Decoding uncompressed 8 bit per pixel bitmap.\n"); break;
    case 24: Trace(2, "Decoding 24 bit per pixel bitmap.\n"); break;
    default: Trace(2, "Decoding 32 bit per pixel bitmap.\n"); break;
    }
    const bool indexOut = bmp.GetBitsPerPixel() == 8;
    for (int r = 0; r < height; ++r) {
        const uint8_t* in = source.ReadBytes(rowBytes);
        int y = topDown ? r : height - 1 - r;
        switch (bitCount) {
        case 1:
        case 4:
        case 8:
            // 1-bit pictures go through the palette like the other indexed
            // depths, so a (white, black) or coloured palette shows as stored.
            if (indexOut)
                UnpackIndices(in, width, bitCount, bmp.GetLine(y));
            else
                ExpandPackedLine(in, width, bitCount, table, bmp.GetLine32(y));
            break;
        case 24:
            ExpandBgrLine(in, width, bmp.GetLine32(y));
            break;
        default:
            std::memcpy(bmp.GetLine(y), in, size_t(width) * 4);
            break;
        }
    }
}

void CBmpDecoder::DecodeRLE(CBmp& bmp, int bitCount, const uint32_t* table, CDataSource& source,
                            bool topDown)
{
    Trace(2, bitCount == 8 ? "Decoding RLE8-compressed bitmap.\n" : "Decoding RLE4-compressed bitmap.\n");
    const int width = bmp.GetWidth();
    const int height = bmp.GetHeight();
    // Pixels the stream never reaches show palette entry 0.
    std::vector<uint8_t> line(size_t(width) + 1, 0);
    for (int y = 0; y < height; ++y)
        StoreIndexLine(bmp, y, line.data(), table);

    int r = 0;
    // Pixels a run would place beyond the line's width are dropped: the
    // column stops at the width, however many runs the line holds.
    int x = 0;
    auto room = [&](int n) { return std::min(n, width - x); };
    auto endLine = [&] {
        StoreIndexLine(bmp, topDown ? r : height - 1 - r, line.data(), table);
        std::memset(line.data(), 0, line.size());
        ++r;
        x = 0;
    };
    while (r < height) {
        const uint8_t* pair = source.ReadBytes(2);
        const int count = pair[0];
        const uint8_t value = pair[1];
        if (count != 0) {
            int n = room(count);
            if (bitCount == 8) {
                std::memset(line.data() + x, value, size_t(n));
            } else {
                for (int i = 0; i < n; ++i)
                    line[size_t(x + i)] = (i & 1) ? value & 0x0F : value >> 4;
            }
            x = std::min(width, x + count);
            continue;
        }
        switch (value) {
        case 0:
            endLine();
            break;
        case 1:
            endLine();
            return;
        case 2:
            RaiseError(ErrUnsupported, kTextDelta);
        default: {
            size_t bytes = bitCount == 8 ? value : (size_t(value) + 1) / 2;
            const uint8_t* p = source.ReadBytes(bytes + (bytes & 1));
            int n = room(value);
            if (bitCount == 8) {
                std::memcpy(line.data() + x, p, size_t(n));
            } else {
                for (int i = 0; i < n; ++i)
                    line[size_t(x + i)] = (i & 1) ? p[i >> 1] & 0x0F : p[i >> 1] >> 4;
            }
            x = std::min(width, x + int(value));
            break;
        }
        }
    }
}
