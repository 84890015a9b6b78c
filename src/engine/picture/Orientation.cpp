#include "engine/picture/Orientation.h"

#include "engine/picture/ByteOrder.h"
#include "engine/picture/WinBmp.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr uint16_t kTagOrientation = 0x0112;
constexpr uint16_t kTypeShort = 3;
constexpr size_t kIfdEntrySize = 12;

// Reads of a block that count as failures instead of running past its end.
class BoundedBytes {
  public:
    BoundedBytes(const uint8_t* data, size_t size, bool bigEndian = false)
        : m_bytes(data, size), m_big(bigEndian)
    {
    }
    bool Has(size_t offset, size_t n) const
    {
        return offset <= m_bytes.size() && n <= m_bytes.size() - offset;
    }
    uint16_t U16(size_t at) const { return m_big ? LoadBE16(m_bytes, at) : LoadLE16(m_bytes, at); }
    uint32_t U32(size_t at) const { return m_big ? LoadBE32(m_bytes, at) : LoadLE32(m_bytes, at); }

  private:
    ByteView m_bytes;
    bool m_big;
};

int ValidOrUpright(uint32_t value)
{
    return value >= 1 && value <= 8 ? int(value) : OrientUpright;
}

} // namespace

int ReadTiffOrientation(const uint8_t* data, size_t size, int page)
{
    if (data == nullptr || size < 8)
        return OrientUpright;
    bool big;
    if (data[0] == 'I' && data[1] == 'I')
        big = false;
    else if (data[0] == 'M' && data[1] == 'M')
        big = true;
    else
        return OrientUpright;
    const BoundedBytes b(data, size, big);
    if (b.U16(2) != 42)
        return OrientUpright;
    // Directory `page` along the chain of next-directory offsets; a chain
    // that loops ends at the page count the decoder takes at most.
    if (page < 0 || page > kMaxTiffPages)
        return OrientUpright;
    size_t ifd = b.U32(4);
    for (int n = 0; n < page; ++n) {
        if (!b.Has(ifd, 2) || !b.Has(ifd + 2 + b.U16(ifd) * kIfdEntrySize, 4))
            return OrientUpright;
        ifd = b.U32(ifd + 2 + b.U16(ifd) * kIfdEntrySize);
    }
    if (!b.Has(ifd, 2))
        return OrientUpright;
    const size_t count = b.U16(ifd);
    for (size_t i = 0; i < count; ++i) {
        const size_t entry = ifd + 2 + i * kIfdEntrySize;
        if (!b.Has(entry, kIfdEntrySize))
            return OrientUpright;
        if (b.U16(entry) != kTagOrientation)
            continue;
        // One SHORT, held in the entry itself; anything else is not trusted.
        if (b.U16(entry + 2) != kTypeShort || b.U32(entry + 4) != 1)
            return OrientUpright;
        return ValidOrUpright(b.U16(entry + 8));
    }
    return OrientUpright;
}

void VisitJpegSegments(const uint8_t* data, size_t size,
                       const std::function<bool(uint8_t marker, ByteView payload)>& visit)
{
    if (data == nullptr || size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return;
    size_t at = 2;
    while (at + 2 <= size) {
        if (data[at] != 0xFF)
            return;
        const uint8_t marker = data[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        at += 2;
        // Markers without a length: TEM and the restart markers.
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        // Start of scan and end of image: nothing after them is read.
        if (marker == 0xDA || marker == 0xD9 || at + 2 > size)
            return;
        const size_t length = LoadBE16(ByteView(data, size), at);
        if (length < 2 || length > size - at)
            return;
        if (visit(marker, ByteView(data + at + 2, length - 2)))
            return;
        at += length;
    }
}

ByteView FindJpegExif(const uint8_t* data, size_t size)
{
    static const uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
    ByteView exif;
    VisitJpegSegments(data, size, [&exif](uint8_t marker, ByteView payload) {
        if (marker != 0xE1 || payload.size() < sizeof kExif ||
            std::memcmp(payload.data(), kExif, sizeof kExif) != 0)
            return false;
        exif = payload.subspan(sizeof kExif);
        return true;
    });
    return exif;
}

int ReadJpegOrientation(const uint8_t* data, size_t size)
{
    const ByteView exif = FindJpegExif(data, size);
    return ReadTiffOrientation(exif.data(), exif.size());
}

int ReadPngOrientation(const uint8_t* data, size_t size)
{
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (data == nullptr || size < sizeof kSignature || std::memcmp(data, kSignature, sizeof kSignature) != 0)
        return OrientUpright;
    size_t at = sizeof kSignature;
    // Length, type, data, CRC.
    while (at + 8 <= size) {
        const size_t length = LoadBE32(ByteView(data, size), at);
        const uint8_t* type = data + at + 4;
        if (length > size - at - 8)
            return OrientUpright;
        const uint8_t* payload = data + at + 8;
        if (std::memcmp(type, "eXIf", 4) == 0) {
            // Some writers keep the JPEG segment's "Exif\0\0" in front.
            if (length >= 6 && std::memcmp(payload, "Exif\0\0", 6) == 0)
                return ReadTiffOrientation(payload + 6, length - 6);
            return ReadTiffOrientation(payload, length);
        }
        if (std::memcmp(type, "IEND", 4) == 0)
            return OrientUpright;
        if (length + 12 > size - at)
            return OrientUpright;
        at += length + 12;
    }
    return OrientUpright;
}

namespace {

// Exchanges top and bottom, and with `mirror` also left and right.
template <class Pixel> void FlipInPlace(CBmp& bmp, bool flipLines, bool mirror)
{
    const int width = bmp.GetWidth();
    const int height = bmp.GetHeight();
    auto line = [&bmp](int y) { return reinterpret_cast<Pixel*>(bmp.GetLine(y)); };
    if (flipLines) {
        for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
            Pixel* a = line(top);
            Pixel* b = line(bottom);
            std::swap_ranges(a, a + width, b);
            if (mirror) {
                std::reverse(a, a + width);
                std::reverse(b, b + width);
            }
        }
        if (mirror && height % 2 == 1)
            std::reverse(line(height / 2), line(height / 2) + width);
        return;
    }
    for (int y = 0; y < height; ++y)
        std::reverse(line(y), line(y) + width);
}

// Source pixel (x, y) of a W x H picture goes to column (flipX ? H-1-y : y)
// of line (flipY ? W-1-x : x) of the H x W destination. `in` holds `rows`
// source lines from line y0 on; each destination line gets a run of `rows`
// pixels, so a band of lines that stays in cache is read column by column.
template <class Pixel>
void TurnColumns(const uint8_t* const* in, int rows, int y0, int x0, int x1, int width, int height,
                 bool flipX, bool flipY, CBmp& dest)
{
    for (int x = x0; x < x1; ++x) {
        Pixel* out = reinterpret_cast<Pixel*>(dest.GetLine(flipY ? width - 1 - x : x));
        if (flipX) {
            Pixel* o = out + (height - 1 - y0);
            for (int i = 0; i < rows; ++i)
                o[-i] = reinterpret_cast<const Pixel*>(in[i])[x];
        } else {
            Pixel* o = out + y0;
            for (int i = 0; i < rows; ++i)
                o[i] = reinterpret_cast<const Pixel*>(in[i])[x];
        }
    }
}

template <class Pixel>
void TurnBand(const uint8_t* const* in, int rows, int y0, int width, int height, bool flipX, bool flipY,
              CBmp& dest)
{
    TurnColumns<Pixel>(in, rows, y0, 0, width, width, height, flipX, flipY, dest);
}

#if defined(__SSE2__)
// 32-bit pixels sixteen lines by four columns, turned four by four in
// registers: each destination line gets sixteen pixels, a whole cache line,
// written at once. Where that line is aligned it is streamed past the
// cache, so memory is never read only to be overwritten.
void Turn16Lines(const uint8_t* const* in, int y0, int x1, int width, int height, bool flipX, bool flipY,
                 CBmp& dest)
{
    for (int x = 0; x + 4 <= x1; x += 4) {
        __m128i run[4][4]; // [destination line][four pixels of its run]
        for (int q = 0; q < 4; ++q) {
            auto load = [&](int r) {
                return _mm_loadu_si128(reinterpret_cast<const __m128i*>(in[4 * q + r] + size_t(x) * 4));
            };
            const __m128i r0 = load(0), r1 = load(1), r2 = load(2), r3 = load(3);
            const __m128i t0 = _mm_unpacklo_epi32(r0, r1), t1 = _mm_unpacklo_epi32(r2, r3);
            const __m128i t2 = _mm_unpackhi_epi32(r0, r1), t3 = _mm_unpackhi_epi32(r2, r3);
            // Runs written right to left take the quarters back to front.
            const int at = flipX ? 3 - q : q;
            run[0][at] = _mm_unpacklo_epi64(t0, t1);
            run[1][at] = _mm_unpackhi_epi64(t0, t1);
            run[2][at] = _mm_unpacklo_epi64(t2, t3);
            run[3][at] = _mm_unpackhi_epi64(t2, t3);
        }
        for (int k = 0; k < 4; ++k) {
            uint32_t* out = reinterpret_cast<uint32_t*>(dest.GetLine(flipY ? width - 1 - (x + k) : x + k)) +
                            (flipX ? height - 16 - y0 : y0);
            __m128i* o = reinterpret_cast<__m128i*>(out);
            if (flipX)
                for (int q = 0; q < 4; ++q)
                    run[k][q] = _mm_shuffle_epi32(run[k][q], _MM_SHUFFLE(0, 1, 2, 3));
            if ((reinterpret_cast<uintptr_t>(out) & 63) == 0) {
                for (int q = 0; q < 4; ++q)
                    _mm_stream_si128(o + q, run[k][q]);
            } else {
                for (int q = 0; q < 4; ++q)
                    _mm_storeu_si128(o + q, run[k][q]);
            }
        }
    }
}

template <>
void TurnBand<uint32_t>(const uint8_t* const* in, int rows, int y0, int width, int height, bool flipX,
                        bool flipY, CBmp& dest)
{
    const int rows16 = rows & ~15;
    const int width4 = width & ~3;
    for (int i = 0; i < rows16; i += 16)
        Turn16Lines(in + i, y0 + i, width4, width, height, flipX, flipY, dest);
    _mm_sfence(); // streamed lines are seen by whoever reads the picture next
    // The last lines and columns one by one.
    TurnColumns<uint32_t>(in + rows16, rows - rows16, y0 + rows16, 0, width, width, height, flipX, flipY,
                          dest);
    TurnColumns<uint32_t>(in, rows16, y0, width4, width, width, height, flipX, flipY, dest);
}
#endif

// The whole picture turned into `dest`, in bands of 64 lines.
template <class Pixel> void MapQuarterTurn(const CBmp& source, CBmp& dest, bool flipX, bool flipY)
{
    constexpr int kBand = 64;
    const uint8_t* in[kBand];
    for (int y0 = 0; y0 < source.GetHeight(); y0 += kBand) {
        const int rows = std::min(kBand, source.GetHeight() - y0);
        for (int i = 0; i < rows; ++i)
            in[i] = source.GetLine(y0 + i);
        TurnBand<Pixel>(in, rows, y0, source.GetWidth(), source.GetHeight(), flipX, flipY, dest);
    }
}

template <class Pixel>
void PlaceLines(const uint8_t* const* lines, int first, int count, int width, int height, int orientation,
                CBmp& dest)
{
    if (OrientationSwapsSides(orientation)) {
        const bool flipX = orientation == OrientTurnedRight || orientation == OrientTransversed;
        const bool flipY = orientation == OrientTransversed || orientation == OrientTurnedLeft;
        TurnBand<Pixel>(lines, count, first, width, height, flipX, flipY, dest);
        return;
    }
    const bool flipLines = orientation == OrientTurned180 || orientation == OrientFlipped;
    const bool mirror = orientation == OrientMirrored || orientation == OrientTurned180;
    for (int i = 0; i < count; ++i) {
        const int y = first + i;
        const Pixel* in = reinterpret_cast<const Pixel*>(lines[i]);
        Pixel* out = reinterpret_cast<Pixel*>(dest.GetLine(flipLines ? height - 1 - y : y));
        if (mirror)
            std::reverse_copy(in, in + width, out);
        else
            std::copy(in, in + width, out);
    }
}

} // namespace

void ApplyOrientation(CBmp& bmp, int orientation)
{
    const int bits = bmp.GetBitsPerPixel();
    if (orientation <= OrientUpright || orientation > OrientTurnedLeft || (bits != 8 && bits != 32))
        return;
    if (!OrientationSwapsSides(orientation)) {
        const bool flipLines = orientation != OrientMirrored;
        const bool mirror = orientation != OrientFlipped;
        if (bits == 32)
            FlipInPlace<uint32_t>(bmp, flipLines, mirror);
        else
            FlipInPlace<uint8_t>(bmp, flipLines, mirror);
        return;
    }

    const bool flipX = orientation == OrientTurnedRight || orientation == OrientTransversed;
    const bool flipY = orientation == OrientTransversed || orientation == OrientTurnedLeft;
    CWinBmp turned;
    turned.Create(bmp.GetHeight(), bmp.GetWidth(), uint16_t(bits), bmp.HasAlphaChannel());
    if (bits == 8) {
        turned.SetPalette(bmp.GetPalette());
        MapQuarterTurn<uint8_t>(bmp, turned, flipX, flipY);
    } else {
        MapQuarterTurn<uint32_t>(bmp, turned, flipX, flipY);
    }
    turned.SetSourceBitsPerPixel(bmp.GetSourceBitsPerPixel());
    if (auto* win = dynamic_cast<CWinBmp*>(&bmp)) {
        win->Swap(turned);
        return;
    }
    bmp.Create(turned.GetWidth(), turned.GetHeight(), uint16_t(bits), turned.HasAlphaChannel());
    bmp.SetSourceBitsPerPixel(turned.GetSourceBitsPerPixel());
    if (bits == 8)
        bmp.SetPalette(turned.GetPalette());
    const size_t lineBytes = size_t(turned.GetWidth()) * size_t(bits / 8);
    for (int y = 0; y < turned.GetHeight(); ++y)
        std::memcpy(bmp.GetLine(y), turned.GetLine(y), lineBytes);
}

void PlaceLinesUpright(const uint8_t* const* lines, int first, int count, int width, int height,
                       int orientation, CBmp& dest)
{
    if (orientation < OrientUpright || orientation > OrientTurnedLeft)
        orientation = OrientUpright;
    const bool turned = OrientationSwapsSides(orientation);
    const int bits = dest.GetBitsPerPixel();
    // Lines outside the picture or a destination of another size are a
    // caller's fault; nothing is written then.
    if ((bits != 8 && bits != 32) || first < 0 || count < 0 || count > height - first ||
        dest.GetWidth() != (turned ? height : width) || dest.GetHeight() != (turned ? width : height))
        return;
    if (bits == 32)
        PlaceLines<uint32_t>(lines, first, count, width, height, orientation, dest);
    else
        PlaceLines<uint8_t>(lines, first, count, width, height, orientation, dest);
}
