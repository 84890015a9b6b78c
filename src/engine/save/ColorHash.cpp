#include "engine/save/ColorHash.h"

#include "engine/picture/TextException.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// Multiplicative hashing on the 24-bit colour; the high bits are the index.
inline size_t SlotOf(uint32_t color, unsigned shift)
{
    return size_t((uint64_t(color) * 0x9E3779B97F4A7C15ull) >> shift);
}

constexpr unsigned kInitialSlotBits = 10;

} // namespace

// ---------------------------------------------------------------- lookup

CColorLookup::CColorLookup()
{
    m_slots.reset(new (std::nothrow) Slot[size_t(1) << kInitialSlotBits]());
    if (!m_slots)
        throw CTextException(ErrNoMemory, kTextHashTableMemory);
    m_mask = (size_t(1) << kInitialSlotBits) - 1;
    m_shift = 64 - kInitialSlotBits;
}

CColorLookup::CColorLookup(const ColorHistogram& histogram) : CColorLookup()
{
    for (size_t i = 0; i < histogram.size(); ++i) {
        uint32_t color = ItemColor(histogram[i]);
        if (Find(color) >= 0)
            throw CTextException(ErrInternal, kTextSameColorTwice);
        if (!Add(color, int(i)))
            throw CTextException(ErrNoMemory, kTextLookupMemory);
    }
}

CColorLookup::CColorLookup(CColorLookup&&) noexcept = default;
CColorLookup& CColorLookup::operator=(CColorLookup&&) noexcept = default;
CColorLookup::~CColorLookup() = default;

int CColorLookup::Find(uint32_t pixel) const
{
    const uint32_t key = PixelColor(pixel) + 1;
    size_t i = SlotOf(key, m_shift);
    for (;;) {
        const Slot& slot = m_slots[i];
        if (slot.key == key)
            return slot.value;
        if (slot.key == 0)
            return -1;
        i = (i + 1) & m_mask;
    }
}

bool CColorLookup::Add(uint32_t pixel, int value) noexcept
{
    // Keep the load at most one half so probes stay short.
    if ((m_count + 1) * 2 > m_mask + 1 && !Grow())
        return false;
    const uint32_t key = PixelColor(pixel) + 1;
    size_t i = SlotOf(key, m_shift);
    while (m_slots[i].key != 0) {
        if (m_slots[i].key == key) {
            m_slots[i].value = value;
            return true;
        }
        i = (i + 1) & m_mask;
    }
    m_slots[i] = Slot{key, value};
    ++m_count;
    return true;
}

bool CColorLookup::Grow() noexcept
{
    const size_t oldSize = m_mask + 1;
    const size_t newSize = oldSize * 2;
    std::unique_ptr<Slot[]> slots(new (std::nothrow) Slot[newSize]());
    if (!slots)
        return false;
    const size_t mask = newSize - 1;
    const unsigned shift = m_shift - 1;
    for (size_t j = 0; j < oldSize; ++j) {
        const Slot& old = m_slots[j];
        if (old.key == 0)
            continue;
        size_t i = SlotOf(old.key, shift);
        while (slots[i].key != 0)
            i = (i + 1) & mask;
        slots[i] = old;
    }
    m_slots = std::move(slots);
    m_mask = mask;
    m_shift = shift;
    return true;
}

// ------------------------------------------------------------- histogram

std::optional<ColorHistogram> ComputeColorHistogram(const uint8_t* const* lines, int width, int height,
                                                    size_t limit)
{
    CColorLookup table;
    // Distinct colours in the order they were first met.
    ColorHistogram found;
    try {
        found.reserve(std::min<size_t>(limit, 4096) + 1);
    } catch (const std::bad_alloc&) {
        throw CTextException(ErrNoMemory, kTextHashNodeMemory);
    }
    uint32_t lastColor = 0xFFFFFFFFu;
    size_t lastIndex = 0;
    for (int y = 0; y < height; ++y) {
        const uint32_t* line = reinterpret_cast<const uint32_t*>(lines[y]);
        for (int x = 0; x < width; ++x) {
            const uint32_t color = PixelColor(line[x]);
            if (color == lastColor) {
                ++found[lastIndex].value;
                continue;
            }
            int index = table.Find(color);
            if (index < 0) {
                if (found.size() >= limit)
                    return std::nullopt;
                index = int(found.size());
                try {
                    found.push_back(
                        colorhist_item{uint8_t(color), uint8_t(color >> 8), uint8_t(color >> 16), 0, 0});
                } catch (const std::bad_alloc&) {
                    throw CTextException(ErrNoMemory, kTextHashNodeMemory);
                }
                if (!table.Add(color, index))
                    throw CTextException(ErrNoMemory, kTextHashNodeMemory);
            }
            ++found[size_t(index)].value;
            lastColor = color;
            lastIndex = size_t(index);
        }
    }

    // Palette order: bucket by bucket, the most recently found colour of a
    // bucket first (as if each new colour were pushed on its chain's head).
    ColorHistogram ordered;
    std::vector<uint32_t> start;
    try {
        ordered.resize(found.size());
        start.assign(kColorHashSize + 1, 0);
    } catch (const std::bad_alloc&) {
        throw CTextException(ErrNoMemory, kTextHistogramMemory);
    }
    for (const colorhist_item& item : found)
        ++start[ColorHashBucket(item.red, item.green, item.blue) + 1];
    for (uint32_t b = 0; b < kColorHashSize; ++b)
        start[b + 1] += start[b];
    for (size_t i = found.size(); i-- > 0;) {
        const colorhist_item& item = found[i];
        ordered[start[ColorHashBucket(item.red, item.green, item.blue)]++] = item;
    }
    return ordered;
}

std::optional<ColorHistogram> ComputeColorHistogram(const CBmp& bmp, size_t limit)
{
    std::unique_ptr<CWinBmp> holder;
    const CBmp& source = As32Bits(bmp, holder);
    return ComputeColorHistogram(source.GetLines(), source.GetWidth(), source.GetHeight(), limit);
}

// ------------------------------------------------------------ median cut

namespace {

struct Box {
    size_t first;  // first colour in the working histogram
    size_t colors; // number of colours
    uint64_t sum;  // pixels covered
};

// Splits boxes until there are maxColors of them or none holds two colours,
// then returns the pixel-weighted mean colour of each box.
std::vector<colorhist_item> MedianCut(ColorHistogram& hist, uint64_t totalPixels, int maxColors)
{
    std::vector<Box> boxes;
    boxes.reserve(size_t(maxColors));
    boxes.push_back(Box{0, hist.size(), totalPixels});
    while (boxes.size() < size_t(maxColors)) {
        auto it = std::find_if(boxes.begin(), boxes.end(), [](const Box& b) { return b.colors >= 2; });
        if (it == boxes.end())
            break;
        Box& box = *it;
        auto begin = hist.begin() + std::ptrdiff_t(box.first);
        auto end = begin + std::ptrdiff_t(box.colors);

        uint8_t minR = 255, maxR = 0, minG = 255, maxG = 0, minB = 255, maxB = 0;
        for (auto c = begin; c != end; ++c) {
            minR = std::min(minR, c->red), maxR = std::max(maxR, c->red);
            minG = std::min(minG, c->green), maxG = std::max(maxG, c->green);
            minB = std::min(minB, c->blue), maxB = std::max(maxB, c->blue);
        }
        const double spreadR = 0.299 * (maxR - minR);
        const double spreadG = 0.587 * (maxG - minG);
        const double spreadB = 0.114 * (maxB - minB);
        if (spreadR >= spreadG && spreadR >= spreadB)
            std::stable_sort(begin, end,
                             [](const colorhist_item& a, const colorhist_item& b) { return a.red < b.red; });
        else if (spreadG >= spreadB)
            std::stable_sort(begin, end, [](const colorhist_item& a, const colorhist_item& b) {
                return a.green < b.green;
            });
        else
            std::stable_sort(
                begin, end, [](const colorhist_item& a, const colorhist_item& b) { return a.blue < b.blue; });

        // Median by pixels: at least one colour below, at least one above.
        const uint64_t half = box.sum / 2;
        uint64_t lower = begin->value;
        size_t split = 1;
        while (split < box.colors - 1 && lower < half) {
            lower += (begin + std::ptrdiff_t(split))->value;
            ++split;
        }
        Box upper{box.first + split, box.colors - split, box.sum - lower};
        box.colors = split;
        box.sum = lower;
        boxes.push_back(upper);
        std::stable_sort(boxes.begin(), boxes.end(),
                         [](const Box& a, const Box& b) { return a.sum > b.sum; });
    }

    std::vector<colorhist_item> colormap;
    colormap.reserve(boxes.size());
    for (const Box& box : boxes) {
        uint64_t r = 0, g = 0, b = 0, n = 0;
        for (size_t i = box.first; i < box.first + box.colors; ++i) {
            const colorhist_item& c = hist[i];
            r += uint64_t(c.red) * c.value;
            g += uint64_t(c.green) * c.value;
            b += uint64_t(c.blue) * c.value;
            n += c.value;
        }
        if (n == 0)
            n = 1;
        colormap.push_back(colorhist_item{uint8_t(b / n), uint8_t(g / n), uint8_t(r / n), 0, 0});
    }
    return colormap;
}

// Nearest colour-map entry by squared distance, the first of equal
// distances winning, as a linear search would find it. Entries are kept
// sorted by red so the search can stop once the red difference alone is
// larger than the best distance found.
class CNearestColor {
  public:
    explicit CNearestColor(const std::vector<colorhist_item>& colormap)
    {
        m_entries.reserve(colormap.size());
        for (size_t i = 0; i < colormap.size(); ++i)
            m_entries.push_back(Entry{colormap[i].red, colormap[i].green, colormap[i].blue, int(i)});
        std::stable_sort(m_entries.begin(), m_entries.end(),
                         [](const Entry& a, const Entry& b) { return a.r < b.r; });
    }

    int Find(uint32_t color) const
    {
        const int r = int(color >> 16 & 0xFF), g = int(color >> 8 & 0xFF), b = int(color & 0xFF);
        int best = 0;
        int bestDistance = 2000000000;
        auto consider = [&](const Entry& e) {
            const int dg = g - e.g, db = b - e.b, dr = r - e.r;
            const int distance = dr * dr + dg * dg + db * db;
            if (distance < bestDistance || (distance == bestDistance && e.index < best)) {
                bestDistance = distance;
                best = e.index;
            }
        };
        const size_t n = m_entries.size();
        size_t up = size_t(std::lower_bound(m_entries.begin(), m_entries.end(), r,
                                            [](const Entry& e, int red) { return e.r < red; }) -
                           m_entries.begin());
        size_t down = up;
        bool goUp = up<n, goDown = down> 0;
        while (goUp || goDown) {
            if (goUp) {
                const Entry& e = m_entries[up];
                if ((e.r - r) * (e.r - r) > bestDistance) {
                    goUp = false;
                } else {
                    consider(e);
                    goUp = ++up < n;
                }
            }
            if (goDown) {
                const Entry& e = m_entries[down - 1];
                if ((e.r - r) * (e.r - r) > bestDistance) {
                    goDown = false;
                } else {
                    consider(e);
                    goDown = --down > 0;
                }
            }
        }
        return best;
    }

  private:
    struct Entry {
        int r, g, b, index;
    };
    std::vector<Entry> m_entries;
};

} // namespace

void MedianCutReduce(const CBmp& source, CBmp& dest, int maxColors)
{
    const int width = source.GetWidth();
    const int height = source.GetHeight();
    if (dest.GetWidth() != width || dest.GetHeight() != height || dest.GetBitsPerPixel() != 32 ||
        source.GetBitsPerPixel() != 32 || maxColors < 1)
        throw CTextException(ErrInternal, kTextInternalError);
    for (int y = 0; y < height; ++y)
        std::memcpy(dest.GetLine(y), source.GetLine(y), size_t(width) * 4);
    dest.SetSourceBitsPerPixel(source.GetSourceBitsPerPixel());
    if (width == 0 || height == 0)
        return;

    // Colours beyond what the source format can hold bound the histogram;
    // an unknown source depth (0) counts as a full-colour one.
    const int depth = source.GetSourceBitsPerPixel();
    const size_t formatLimit = depth >= 1 && depth <= 16 ? (size_t(1) << depth) + 1 : kMedianCutColorLimit;
    const size_t limit = std::min(size_t(width) * size_t(height), formatLimit);

    int maxval = 255;
    std::optional<ColorHistogram> hist = ComputeColorHistogram(dest, limit);
    while (!hist) {
        // Too many colours: drop the lowest bit of every channel and retry.
        const int newmax = maxval / 2;
        uint8_t scale[256];
        for (int c = 0; c < 256; ++c)
            scale[c] = uint8_t((std::min(c, maxval) * newmax + maxval / 2) / maxval);
        for (int y = 0; y < height; ++y) {
            uint8_t* p = dest.GetLine(y);
            for (int x = 0; x < width; ++x, p += 4) {
                p[0] = scale[p[0]];
                p[1] = scale[p[1]];
                p[2] = scale[p[2]];
            }
        }
        maxval = newmax;
        // One level per channel would leave a single colour: black. At
        // maxval 1 there are at most 8 colours, so count them all.
        hist = ComputeColorHistogram(dest, maxval == 1 ? std::max<size_t>(limit, 8) : limit);
    }

    std::vector<colorhist_item> colormap;
    std::vector<uint32_t> output; // colour map entries as full-range pixels
    try {
        colormap = MedianCut(*hist, uint64_t(width) * uint64_t(height), maxColors);
        output.reserve(colormap.size());
    } catch (const std::bad_alloc&) {
        throw CTextException(ErrNoMemory, kTextOutOfMemory);
    }
    hist.reset();
    // The map's values are in 0..maxval; bring them back to 0..255 so a
    // picture whose bits were dropped does not come out dark.
    for (const colorhist_item& c : colormap) {
        auto full = [maxval](uint8_t v) {
            return maxval == 0 ? 0u : uint32_t((v * 255 + maxval / 2) / maxval);
        };
        output.push_back(full(c.blue) | full(c.green) << 8 | full(c.red) << 16);
    }

    // Each distinct colour is searched once. The colours now lie in
    // 0..maxval, so a table indexed by the colour itself is at most 32 MB
    // and usually far less; without memory for it, a colour lookup serves.
    const CNearestColor search(colormap);
    const size_t side = size_t(maxval) + 1;
    std::unique_ptr<uint16_t[]> direct;
    if (colormap.size() < 0xFFFF)
        direct.reset(new (std::nothrow) uint16_t[side * side * side]());
    std::optional<CColorLookup> nearest;
    if (!direct)
        nearest.emplace();
    bool canAdd = true;
    uint32_t lastColor = 0xFFFFFFFFu;
    uint32_t lastOut = 0;
    for (int y = 0; y < height; ++y) {
        uint32_t* line = dest.GetLine32(y);
        for (int x = 0; x < width; ++x) {
            const uint32_t color = PixelColor(line[x]);
            if (color != lastColor) {
                int index;
                if (direct) {
                    // Entry + 1, 0 while not searched yet.
                    uint16_t& slot =
                        direct[((color >> 16) * side + (color >> 8 & 0xFF)) * side + (color & 0xFF)];
                    if (slot == 0)
                        slot = uint16_t(search.Find(color) + 1);
                    index = slot - 1;
                } else {
                    index = nearest->Find(color);
                    if (index < 0) {
                        index = search.Find(color);
                        // Without memory for the cache, keep searching each time.
                        if (canAdd)
                            canAdd = nearest->Add(color, index);
                    }
                }
                lastColor = color;
                lastOut = output[size_t(index)];
            }
            line[x] = (line[x] & 0xFF000000u) | lastOut;
        }
    }
}

// ------------------------------------------------------ palette reduction

CReducedPalette ReducePalette(const CBmp& bmp)
{
    CReducedPalette result;
    const CBmp* source = &bmp;
    try {
        source = &As32Bits(bmp, result.reduced);
        std::optional<ColorHistogram> hist = ComputeColorHistogram(*source, 256);
        if (!hist) {
            auto copy = std::make_unique<CWinBmp>();
            copy->Create(source->GetWidth(), source->GetHeight(), 32, false);
            MedianCutReduce(*source, *copy, 256);
            result.reduced = std::move(copy);
            source = result.reduced.get();
            hist = ComputeColorHistogram(*source, 256);
            if (!hist)
                throw CTextException(ErrInternal, kTextInternalError);
        }
        result.colors = std::move(*hist);
        result.lookup = CColorLookup(result.colors);
    } catch (const std::bad_alloc&) {
        throw CTextException(ErrNoMemory, kTextOutOfMemory);
    }
    result.pixels = source;
    return result;
}

void MapLineToIndices(const CReducedPalette& palette, const uint32_t* line, int width, uint8_t* out)
{
    uint32_t lastColor = 0xFFFFFFFFu;
    uint8_t lastIndex = 0;
    for (int x = 0; x < width; ++x) {
        const uint32_t color = PixelColor(line[x]);
        if (color != lastColor) {
            lastColor = color;
            lastIndex = palette.IndexOf(color);
        }
        out[x] = lastIndex;
    }
}
