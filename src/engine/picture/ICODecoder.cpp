#include "engine/picture/ICODecoder.h"

#include "engine/picture/DibHeader.h"
#include "engine/picture/LineExpanders.h"
#include "engine/picture/PNGDecoder.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr const char* kTextHeaderSize = "Icon decoder: BITMAPINFOHEADER has wrong size.";
constexpr const char* kTextBadSize = "Icon decoder: invalid image size.";
constexpr const char* kTextBadOffset = "Icon decoder: image offset out of range.";
constexpr const char* kTextBitCount = "Icon decoder: unsupported bit count.";

// Directory header: reserved, type, count (16-bit words); then count
// entries of 16 bytes: width, height, colours, reserved (bytes), planes,
// bit count (words), the image's size and its offset (32-bit words). The
// first image is read where the directory ends; the others at their offset.
constexpr size_t kDirectoryHeaderSize = 6;
constexpr size_t kDirectoryEntrySize = 16;
constexpr size_t kEntryOffsetField = 12;
constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

} // namespace

void CICODecoder::DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source)
{
    source.Skip(4); // reserved, type
    const uint16_t count = source.ReadWordLE();
    const int page = GetChoice().page;
    CheckPage(page, std::max<int>(count, 1));
    m_found.pageCount = std::max<int>(count, 1);
    if (page == 0) {
        source.Skip(kDirectoryEntrySize * count);
    } else {
        source.Skip(kDirectoryEntrySize * size_t(page) + kEntryOffsetField);
        const uint32_t offset = source.ReadLongLE();
        if (offset < kDirectoryHeaderSize + kDirectoryEntrySize * count || offset >= source.GetSize())
            RaiseError(ErrBadFormat, kTextBadOffset);
        source.Seek(offset);
    }
    wantedDepth = 32;

    if (source.GetRemaining() >= sizeof kPngSignature &&
        std::memcmp(source.GetPosition(), kPngSignature, sizeof kPngSignature) == 0) {
        CMemSource png(source.GetPosition(), source.GetRemaining(), source.GetName());
        CPNGDecoder().Decode(png, bmp, 32);
        return;
    }

    // Only the Windows 3 header is read here.
    if (DibHeaderSizeField(source.GetRemainingBytes()) != kDibHeaderSize)
        RaiseError(ErrBadFormat, kTextHeaderSize);
    const DibHeader header = *ParseDibHeader(source.ReadSpan(kDibHeaderSize));
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
    uint64_t paletteCount =
        bitCount <= 8 ? (header.colorsUsed ? header.colorsUsed : 1u << bitCount) : header.colorsUsed;
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
        uint32_t* out = LineToFill32(bmp, height - 1 - r);
        switch (bitCount) {
        case 1:
        case 4:
        case 8:
            ExpandPackedLine(in, width, bitCount, table, out);
            break;
        case 24:
            ExpandBgrLine(in, width, out);
            break;
        default:
            std::memcpy(out, in, size_t(width) * 4);
            break;
        }
    }
}
