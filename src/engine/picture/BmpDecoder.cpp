#include "engine/picture/BmpDecoder.h"

#include "engine/picture/DibHeader.h"
#include "engine/picture/LineExpanders.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

namespace {

constexpr const char* kTextNotBitmap = "Bitmap decoder: This isn't a bitmap.";
constexpr const char* kTextHeaderSize = "Bitmap decoder: BITMAPINFOHEADER has wrong size.";
constexpr const char* kTextIllegalBpp = "Decoding bmp: Illegal bpp value.";
constexpr const char* kTextDelta = "Encountered delta escape.";
constexpr const char* kTextNegativeWidth = "Bitmap decoder: negative width.";

// Rows are padded to whole 32-bit words.
size_t StoredRowBytes(int width, int bitCount)
{
    return (size_t(width) * size_t(bitCount) + 31) / 32 * 4;
}

// Stores one line of palette indices into the bitmap line.
void StoreIndexLine(CBmp& bmp, int y, const uint8_t* indices, const uint32_t* table)
{
    if (bmp.GetBitsPerPixel() == 8)
        std::memcpy(LineToFill(bmp, y), indices, size_t(bmp.GetWidth()));
    else
        ExpandIndexedLine(indices, bmp.GetWidth(), table, LineToFill32(bmp, y));
}

// One channel of a bit-field pixel, stretched from its own width to 0..255
// with rounding. A mask with gaps counts as wide as its span.
class MaskChannel {
  public:
    explicit MaskChannel(uint32_t mask) : m_mask(mask)
    {
        if (mask != 0) {
            m_shift = std::countr_zero(mask);
            m_max = mask >> m_shift;
        }
    }
    bool IsSet() const { return m_mask != 0; }
    uint8_t operator()(uint32_t pixel) const
    {
        if (m_mask == 0)
            return 0;
        const uint64_t v = (pixel & m_mask) >> m_shift;
        return m_max == 255 ? uint8_t(v) : uint8_t((v * 255 + m_max / 2) / m_max);
    }

  private:
    uint32_t m_mask = 0;
    int m_shift = 0;
    uint64_t m_max = 0;
};

struct BitMasks {
    uint32_t red = 0, green = 0, blue = 0, alpha = 0;
};

// Pixels of 16 or 32 bits through their masks; without an alpha mask the
// picture is opaque.
class MaskedPixels {
  public:
    explicit MaskedPixels(const BitMasks& m)
        : m_red(m.red), m_green(m.green), m_blue(m.blue), m_alpha(m.alpha)
    {
    }
    uint32_t operator()(uint32_t v) const
    {
        return MakePixel(m_red(v), m_green(v), m_blue(v), m_alpha.IsSet() ? m_alpha(v) : 255);
    }

  private:
    MaskChannel m_red, m_green, m_blue, m_alpha;
};

// Rows of 16 or 32 bits through their masks.
void DecodeMasked(CBmp& bmp, int bitCount, const BitMasks& masks, CDataSource& source, bool topDown)
{
    Trace(2, bitCount == 16 ? "Decoding 16 bit per pixel bitmap.\n" : "Decoding 32 bit per pixel bitmap.\n");
    const int width = bmp.GetWidth();
    const int height = bmp.GetHeight();
    const size_t rowBytes = StoredRowBytes(width, bitCount);
    const MaskedPixels pixel(masks);
    // Every 16-bit value at once: cheaper than masking each pixel.
    std::vector<uint32_t> table16;
    if (bitCount == 16) {
        table16.resize(65536);
        for (uint32_t v = 0; v < 65536; ++v)
            table16[v] = pixel(v);
    }
    for (int r = 0; r < height; ++r) {
        const ByteView row = source.ReadSpan(rowBytes);
        uint32_t* out = LineToFill32(bmp, topDown ? r : height - 1 - r);
        if (bitCount == 16) {
            for (int x = 0; x < width; ++x)
                out[x] = table16[LoadLE16(row, 2 * size_t(x))];
        } else {
            for (int x = 0; x < width; ++x)
                out[x] = pixel(LoadLE32(row, 4 * size_t(x)));
        }
    }
}

} // namespace

void CBmpDecoder::DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source)
{
    const BmpFileHeader fileHeader = ParseBmpFileHeader(source.ReadSpan(kBmpFileHeaderSize));
    if (!fileHeader.HasSignature())
        RaiseError(ErrWrongSignature, kTextNotBitmap);
    Trace(2, "Bitmap file signature found\n");
    const uint32_t fileSize = fileHeader.fileSize;
    const uint32_t dataOffset = fileHeader.dataOffset;

    const std::optional<DibHeader> info = ParseDibHeader(source.GetRemainingBytes());
    if (!info)
        RaiseError(ErrBadFormat, kTextHeaderSize);
    source.Skip(info->size);
    const uint32_t headerSize = info->size;
    // The OS/2 header has 16-bit sides (always bottom-up), no compression
    // and no colour count: those fields read as 0.
    const bool core = headerSize == kDibCoreHeaderSize;
    const int32_t width = info->width;
    const int32_t height = info->height;
    const int bitCount = info->bitCount;
    const uint32_t compression = info->compression;
    const uint32_t colorsUsed = info->colorsUsed;
    BitMasks masks{info->redMask, info->greenMask, info->blueMask, info->alphaMask};
    Trace(2, "Bitmap header is ok.\n");

    const bool bitFields =
        !core && (bitCount == 16 || bitCount == 32) &&
        (compression == kDibCompressionBitFields || compression == kDibCompressionAlphaBitFields);
    // A Windows 3 header keeps its masks right after it.
    if (bitFields && headerSize == kDibHeaderSize) {
        const bool withAlpha = compression == kDibCompressionAlphaBitFields;
        const ByteView m = source.ReadSpan(withAlpha ? 16 : 12);
        masks = BitMasks{LoadLE32(m, 0), LoadLE32(m, 4), LoadLE32(m, 8), withAlpha ? LoadLE32(m, 12) : 0};
    }
    if (bitCount == 16 && !bitFields)
        masks = BitMasks{0x7C00, 0x03E0, 0x001F, 0}; // 5-5-5
    // The 32-bit layout of our pictures needs no conversion.
    const bool plainBgra = bitFields && bitCount == 32 && masks.red == 0x00FF0000 &&
                           masks.green == 0x0000FF00 && masks.blue == 0x000000FF &&
                           (masks.alpha == 0 || masks.alpha == 0xFF000000);

    size_t paletteBytes = 0;
    PaletteEntry* entries = AllocPalette(palette);
    if (bitCount <= 8) {
        Trace(3, "Reading palette.\n");
        const size_t entrySize = core ? 3 : 4;
        uint32_t n = colorsUsed ? colorsUsed : 1u << (bitCount & 15);
        // OS/2 files may hold fewer entries than their depth allows; the
        // pixel data offset says how many.
        if (core && dataOffset > kBmpFileHeaderSize + kDibCoreHeaderSize) {
            const size_t room = (dataOffset - kBmpFileHeaderSize - kDibCoreHeaderSize) / entrySize;
            if (room > 0 && room < n)
                n = uint32_t(room);
        }
        if (n > 256)
            n = 256;
        paletteBytes = entrySize * n;
        const uint8_t* p = source.ReadBytes(paletteBytes);
        for (uint32_t i = 0; i < n; ++i, p += entrySize)
            entries[i] = PaletteEntry{p[0], p[1], p[2], 255};
    }

    // The classic Windows 3 picture: the file size field must not claim more
    // than the file holds, and the pixel data starts right after the palette
    // whatever the offset says. The later variants are found at their offset
    // when it lies past what was read (bit fields may carry an unused
    // palette before the pixels).
    const bool classic = headerSize == kDibHeaderSize && !bitFields && bitCount != 16;
    if (classic) {
        if (fileSize > paletteBytes + 56)
            source.CheckAvailable(fileSize - paletteBytes - 56);
    } else if (dataOffset > source.GetOffset() && dataOffset <= source.GetSize()) {
        source.Seek(dataOffset);
    }

    const bool legalDepth = core ? (bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24)
                                 : (bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 ||
                                    bitCount == 24 || bitCount == 32);
    if (!legalDepth)
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
    const bool alpha = bitFields && masks.alpha != 0;
    bmp.Create(width, int(lines), uint16_t(depth), alpha);
    bmp.SetSourceBitsPerPixel(bitCount);
    if (depth == 8)
        bmp.SetPalette(entries);
    uint32_t table[256];
    BuildPixelTable(entries, table);

    if (rle)
        DecodeRLE(bmp, bitCount, table, source, topDown);
    else if ((bitCount == 16 || bitFields) && !plainBgra)
        DecodeMasked(bmp, bitCount, masks, source, topDown);
    else
        DecodeUncompressed(bmp, bitCount, table, source, topDown);
    if (plainBgra && masks.alpha == 0)
        for (int y = 0; y < bmp.GetHeight(); ++y)
            for (uint32_t& v : std::span(bmp.GetLine32(y), size_t(width)))
                v |= 0xFF000000u;
    Trace(3, "Decoding finished.\n");
}

void CBmpDecoder::DecodeUncompressed(CBmp& bmp, int bitCount, const uint32_t* table, CDataSource& source,
                                     bool topDown)
{
    const int width = bmp.GetWidth();
    const int height = bmp.GetHeight();
    const size_t rowBytes = StoredRowBytes(width, bitCount);
    switch (bitCount) {
    case 1:
        Trace(2, "Decoding 1 bit per pixel bitmap.\n");
        break;
    case 4:
        Trace(2, "Decoding uncompressed 4 bit per pixel bitmap.\n");
        break;
    case 8:
        Trace(2, "Decoding uncompressed 8 bit per pixel bitmap.\n");
        break;
    case 24:
        Trace(2, "Decoding 24 bit per pixel bitmap.\n");
        break;
    default:
        Trace(2, "Decoding 32 bit per pixel bitmap.\n");
        break;
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
                UnpackIndices(in, width, bitCount, LineToFill(bmp, y));
            else
                ExpandPackedLine(in, width, bitCount, table, LineToFill32(bmp, y));
            break;
        case 24:
            ExpandBgrLine(in, width, LineToFill32(bmp, y));
            break;
        default:
            std::memcpy(LineToFill(bmp, y), in, size_t(width) * 4);
            break;
        }
    }
}

void CBmpDecoder::DecodeRLE(CBmp& bmp, int bitCount, const uint32_t* table, CDataSource& source, bool topDown)
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
