// Colour histogram, colour-to-index lookup, median-cut reduction to 256
// colours and the palette reduction every 8-bit writer starts with. Also
// used by Contrast and by the colour count and histogram.
//
// All functions read 32-bit pictures (bytes blue, green, red, x); the fourth
// byte never distinguishes colours. Nothing here changes its source picture.
#pragma once

#include "engine/picture/Bmp.h"
#include "engine/picture/WinBmp.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// One distinct colour and the number of pixels that have it. The count is
// 32 bits wide so that a colour covering more than 65535 pixels keeps its
// true weight in the median cut.
struct colorhist_item {
    uint8_t blue;
    uint8_t green;
    uint8_t red;
    uint8_t unused;
    uint32_t value;
};
static_assert(sizeof(colorhist_item) == 8);

// Distinct colours in palette order: by bucket of the colour hash (bucket 0
// first), within a bucket the most recently found colour first. Every 8-bit
// writer uses this order as its palette order.
using ColorHistogram = std::vector<colorhist_item>;

// Number of buckets of the colour hash and the bucket of a colour; the
// bucket decides the palette order.
inline constexpr uint32_t kColorHashSize = 20023;
inline constexpr uint32_t ColorHashBucket(uint8_t red, uint8_t green, uint8_t blue)
{
    return (uint32_t(blue) * 33023u + uint32_t(green) * 30013u + uint32_t(red) * 27011u) % kColorHashSize;
}

// Error texts of this unit (codes ErrNoMemory and ErrInternal).
inline constexpr const char* kTextHashNodeMemory = "Out of memory computing hash table.";
inline constexpr const char* kTextHashTableMemory = "Out of memory allocating hash table.";
inline constexpr const char* kTextHistogramMemory = "Out of memory generating histogram.";
inline constexpr const char* kTextSameColorTwice = "Same color found twice";
inline constexpr const char* kTextLookupMemory = "Out of memory";

// Largest number of colours the median cut will histogram before it starts
// dropping low bits.
inline constexpr size_t kMedianCutColorLimit = 800000;

// The colour part of a 32-bit pixel (0x00RRGGBB).
inline constexpr uint32_t PixelColor(uint32_t pixel)
{
    return pixel & 0xFFFFFFu;
}
inline constexpr uint32_t ItemColor(const colorhist_item& item)
{
    return uint32_t(item.blue) | uint32_t(item.green) << 8 | uint32_t(item.red) << 16;
}

// The histogram of a 32-bit picture given as its line table, or nothing when
// it has more than `limit` distinct colours. Throws CTextException
// ErrNoMemory with one of the texts above when memory runs out.
std::optional<ColorHistogram> ComputeColorHistogram(const uint8_t* const* lines, int width, int height,
                                                    size_t limit);
// Any depth; pictures of fewer than 32 bits are read through a 32-bit copy.
std::optional<ColorHistogram> ComputeColorHistogram(const CBmp& bmp, size_t limit);

// Colour -> value map (a palette position when built from a histogram).
class CColorLookup {
  public:
    CColorLookup();
    // Maps each histogram colour to its position. Throws ErrInternal
    // "Same color found twice" for a repeated colour, ErrNoMemory
    // "Out of memory" when memory runs out.
    explicit CColorLookup(const ColorHistogram& histogram);
    CColorLookup(CColorLookup&&) noexcept;
    CColorLookup& operator=(CColorLookup&&) noexcept;
    ~CColorLookup();

    // The value stored for the pixel's colour, or -1 when absent.
    int Find(uint32_t pixel) const;
    // Adds a colour that is not present yet; returns false (and adds
    // nothing) when memory runs out.
    bool Add(uint32_t pixel, int value) noexcept;
    size_t Size() const { return m_count; }

  private:
    bool Grow() noexcept;

    // Open addressing; a slot key is colour + 1, 0 marks an empty slot.
    struct Slot {
        uint32_t key;
        int32_t value;
    };
    std::unique_ptr<Slot[]> m_slots;
    size_t m_mask = 0;
    unsigned m_shift = 64;
    size_t m_count = 0;
};

// Copies the 32-bit `source` into `dest` (a 32-bit bitmap of the same size
// made by the caller) and reduces `dest` to at most `maxColors` colours by
// median cut, without dithering. Throws ErrNoMemory "Out of memory." when
// its working arrays cannot be allocated.
void MedianCutReduce(const CBmp& source, CBmp& dest, int maxColors = 256);

// The colours an 8-bit writer writes: at most 256 in palette order, the
// lookup from colour to palette position, and, when the picture had more
// than 256 colours, the reduced copy whose pixels are written instead.
struct CReducedPalette {
    ColorHistogram colors;
    CColorLookup lookup;
    std::unique_ptr<CWinBmp> reduced;
    // The picture to take pixels from: the reduced copy or the source.
    const CBmp* pixels = nullptr;

    int Count() const { return int(colors.size()); }
    // Palette position of a pixel of `*pixels`.
    uint8_t IndexOf(uint32_t pixel) const { return uint8_t(lookup.Find(pixel)); }
};

// Histogram with limit 256; when that fails, a median-cut copy and its
// histogram; when that fails too, ErrInternal "Internal error.".
CReducedPalette ReducePalette(const CBmp& bmp);

// Converts a line of pixels of `palette.pixels` to palette positions, with a
// one-entry cache for runs of equal pixels.
void MapLineToIndices(const CReducedPalette& palette, const uint32_t* line, int width, uint8_t* out);
