#include "ICODecoder.h"

#include "LineExpanders.h"
#include "PNGDecoder.h"

#include <cstring>

namespace {

constexpr const char* kTextHeaderSize = "Icon decoder: BITMAPINFOHEADER has wrong size.";
constexpr const char* kTextBadSize = "Icon decoder: invalid image size.";
constexpr const char* kTextBitCount = "Icon decoder: unsupported bit count.";

// Directory header: reserved, type, count (16-bit words); then count
// entries of 16 bytes whose size and offset fields are not used.
constexpr size_t kDirectoryEntrySize = 16;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

// The 40-byte BITMAPINFOHEADER, little-endian, in file order.
struct InfoHeader {
    uint32_t size;
    int32_t width;
    int32_t height; // colour rows plus mask rows
    uint16_t planes;
    uint16_t bitCount;
    uint32_t compression;
    uint32_t imageSize;
    int32_t xPelsPerMeter;
    int32_t yPelsPerMeter;
    uint32_t colorsUsed;
    uint32_t colorsImportant;
};

InfoHeader ReadInfoHeader(CDataSource& source)
{
    InfoHeader h{};
    h.size = source.ReadLongLE();
    if (h.size != kInfoHeaderSize)
        RaiseError(ErrBadFormat, kTextHeaderSize);
    h.width = int32_t(source.ReadLongLE());
    h.height = int32_t(source.ReadLongLE());
    h.planes = source.ReadWordLE();
    h.bitCount = source.ReadWordLE();
    h.compression = source.ReadLongLE();
    h.imageSize = source.ReadLongLE();
    h.xPelsPerMeter = int32_t(source.ReadLongLE());
    h.yPelsPerMeter = int32_t(source.ReadLongLE());
    h.colorsUsed = source.ReadLongLE();
    h.colorsImportant = source.ReadLongLE();
    return h;
}

} // namespace

void CICODecoder::DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source)
{
    source.Skip(4); // reserved, type
    const uint16_t count = source.ReadWordLE();
    source.Skip(kDirectoryEntrySize * count);
    wantedDepth = 32;

    if (source.GetRemaining() >= sizeof kPngSignature &&
        std::memcmp(source.GetPosition(), kPngSignature, sizeof kPngSignature) == 0) {
        CMemSource png(source.GetPosition(), source.GetRemaining(), source.GetName());
        CPNGDecoder().Decode(png, bmp, 32);
        return;
    }

    const InfoHeader header = ReadInfoHeader(source);
    const int bitCount = header.bitCount;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32)
        RaiseError(ErrUnsupported, kTextBitCount);
    // An empty picture of millions of lines would still cost a line table.
    if (header.width <= 0 || header.height < 2)
        RaiseError(ErrBadFormat, kTextBadSize);
    const int width = header.width;
    const int height = header.height / 2;
    CheckPictureSize(width, height);

    // Indexed icons carry colours used entries, 2^bit count when that is 0;
    // true-colour icons may carry an (unused) table of colours used entries.
    PaletteEntry* entries = AllocPalette(palette);
    uint64_t paletteCount = bitCount <= 8 ? (header.colorsUsed ? header.colorsUsed : 1u << bitCount)
                                          : header.colorsUsed;
    const uint8_t* p = source.ReadBytes(size_t(paletteCount * 4));
    for (uint64_t i = 0; i < paletteCount && i < 256; ++i)
        entries[i] = PaletteEntry{p[4 * i], p[4 * i + 1], p[4 * i + 2], 255};
    uint32_t table[256];
    BuildPixelTable(entries, table);

    // Colour rows bottom-up, each padded to 4 bytes; the transparency mask
    // after them is not read. Uncompressed rows must all be in the file, so
    // a small file cannot make us allocate a huge picture.
    const size_t rowBytes = (size_t(width) * size_t(bitCount) + 31) / 32 * 4;
    source.CheckAvailable(rowBytes * size_t(height));
    bmp.Create(width, height, 32, bitCount == 32);
    bmp.SetSourceBitsPerPixel(bitCount);

    for (int r = 0; r < height; ++r) {
        const uint8_t* in = source.ReadBytes(rowBytes);
        uint32_t* out = bmp.GetLine32(height - 1 - r);
        switch (bitCount) {
        case 1:
            for (int x = 0; x < width; ++x)
                out[x] = table[(in[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        case 4:
            for (int x = 0; x < width; ++x)
                out[x] = table[(x & 1) ? in[x >> 1] & 0x0F : in[x >> 1] >> 4];
            break;
        case 8:
            ExpandIndexedLine(in, width, table, out);
            break;
        case 24:
            for (int x = 0; x < width; ++x, in += 3)
                out[x] = MakePixel(in[2], in[1], in[0]);
            break;
        default:
            std::memcpy(out, in, size_t(width) * 4);
            break;
        }
    }
}
