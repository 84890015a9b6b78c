#include "engine/picture/JpegDcPreview.h"

#include "engine/picture/ColourProfile.h"
#include "engine/picture/Orientation.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr int kMaxComponents = 3;
// Lookahead of the Huffman table: most DC codes are shorter.
constexpr int kFastBits = 9;

struct HuffmanTable {
    bool defined = false;
    // Top kFastBits of the stream -> length << 8 | symbol; 0 for longer codes.
    std::array<uint16_t, 1 << kFastBits> fast{};
    // Largest code of each length (-1 for none) and where its symbols start.
    std::array<int32_t, 17> maxCode{};
    std::array<int32_t, 17> offset{};
    std::array<uint8_t, 256> symbols{};
};

// Builds the canonical code from the counts per length; false when the
// counts overfill the code space.
bool BuildTable(const uint8_t* counts, const uint8_t* symbols, int total, HuffmanTable& table)
{
    table = HuffmanTable{};
    std::memcpy(table.symbols.data(), symbols, size_t(total));
    int32_t code = 0;
    int index = 0;
    for (int length = 1; length <= 16; ++length) {
        const int n = counts[length - 1];
        table.offset[length] = index - code;
        for (int i = 0; i < n; ++i, ++code, ++index) {
            if (code >= 1 << length)
                return false;
            if (length <= kFastBits) {
                const int shift = kFastBits - length;
                for (int fill = 0; fill < 1 << shift; ++fill)
                    table.fast[size_t(code << shift | fill)] = uint16_t(length << 8 | symbols[index]);
            }
        }
        table.maxCode[length] = n > 0 ? code - 1 : -1;
        code <<= 1;
    }
    table.defined = true;
    return true;
}

// The bits of one entropy-coded segment. Stops at a marker and supplies
// zeros past it; Overran tells whether any of those were used.
class BitReader {
  public:
    BitReader(const uint8_t* at, const uint8_t* end) : m_at(at), m_end(end) {}

    const uint8_t* Position() const { return m_at; }
    bool Overran() const { return m_bits < m_padding; }

    // At least 32 bits in hand.
    void Fill()
    {
        while (m_bits <= 56) {
            uint8_t byte = 0;
            if (m_marker || m_at >= m_end) {
                m_marker = true;
                m_padding += 8;
            } else if (m_at[0] != 0xFF) {
                byte = *m_at++;
            } else if (m_at + 1 < m_end && m_at[1] == 0x00) {
                byte = 0xFF;
                m_at += 2;
            } else {
                m_marker = true; // left for the caller
                m_padding += 8;
            }
            m_buffer = m_buffer << 8 | byte;
            m_bits += 8;
        }
    }
    uint32_t Peek16() const { return uint32_t(m_buffer >> (m_bits - 16)) & 0xFFFF; }
    void Skip(int n) { m_bits -= n; }
    int32_t Take(int n)
    {
        m_bits -= n;
        return int32_t(uint32_t(m_buffer >> m_bits) & ((1u << n) - 1));
    }

  private:
    const uint8_t* m_at;
    const uint8_t* m_end;
    uint64_t m_buffer = 0;
    int m_bits = 0;
    int m_padding = 0; // zeros supplied past the data
    bool m_marker = false;
};

// One DC difference; false for a code the table lacks.
bool DecodeDifference(BitReader& bits, const HuffmanTable& table, int32_t& difference)
{
    bits.Fill();
    const uint32_t peek = bits.Peek16();
    int length = 0, symbol = 0;
    if (const uint16_t entry = table.fast[peek >> (16 - kFastBits)]) {
        length = entry >> 8;
        symbol = entry & 0xFF;
    } else {
        for (length = kFastBits + 1; length <= 16; ++length) {
            const int32_t code = int32_t(peek >> (16 - length));
            if (code <= table.maxCode[length]) {
                const int32_t index = table.offset[length] + code;
                if (index < 0 || index > 255)
                    return false;
                symbol = table.symbols[size_t(index)];
                break;
            }
        }
        if (length > 16)
            return false;
    }
    bits.Skip(length);
    if (symbol > 15)
        return false;
    difference = 0;
    if (symbol > 0) {
        const int32_t raw = bits.Take(symbol);
        difference = raw < (1 << (symbol - 1)) ? raw - (1 << symbol) + 1 : raw;
    }
    return true;
}

struct Component {
    int id = 0;
    int h = 1, v = 1;
    int quantTable = 0;
    int quant = 0;                      // the DC quantiser, latched at its scan
    bool done = false;                  // its DC has been read
    int blocksWide = 0, blocksHigh = 0; // of the component itself
    int stride = 0;                     // of `samples`: whole MCUs wide
    std::vector<uint8_t> samples;       // one per block: its average
};

struct Reader {
    const uint8_t* data;
    size_t size;
    int width = 0, height = 0;
    int componentCount = 0;
    Component components[kMaxComponents];
    int maxH = 1, maxV = 1;
    int mcusWide = 0, mcusHigh = 0;
    int quant[4] = {-1, -1, -1, -1};
    HuffmanTable dc[4];
    int restartInterval = 0;
    bool jfif = false;
    int adobeTransform = -1;
    std::vector<std::pair<const uint8_t*, size_t>> iccSegments;

    bool Frame(const uint8_t* p, size_t n);
    bool Tables(const uint8_t* p, size_t n);
    bool Quantisers(const uint8_t* p, size_t n);
    // Decodes the scan whose header is at p; `next` is where the data ends.
    bool Scan(const uint8_t* p, size_t n, const uint8_t*& next);
    bool AllDone() const
    {
        for (int c = 0; c < componentCount; ++c)
            if (!components[c].done)
                return false;
        return componentCount > 0;
    }
};

bool Reader::Frame(const uint8_t* p, size_t n)
{
    if (componentCount != 0 || n < 6 || p[0] != 8)
        return false;
    height = p[1] << 8 | p[2];
    width = p[3] << 8 | p[4];
    componentCount = p[5];
    if (width == 0 || height == 0 || (componentCount != 1 && componentCount != 3) ||
        n != 6 + size_t(componentCount) * 3)
        return false;
    for (int c = 0; c < componentCount; ++c) {
        Component& comp = components[c];
        const uint8_t* at = p + 6 + c * 3;
        comp.id = at[0];
        comp.h = at[1] >> 4;
        comp.v = at[1] & 15;
        comp.quantTable = at[2];
        if (comp.h < 1 || comp.h > 4 || comp.v < 1 || comp.v > 4 || comp.quantTable > 3)
            return false;
        for (int other = 0; other < c; ++other)
            if (components[other].id == comp.id)
                return false;
        if (componentCount == 1)
            comp.h = comp.v = 1; // one component is never interleaved
        maxH = std::max(maxH, comp.h);
        maxV = std::max(maxV, comp.v);
    }
    mcusWide = (width + 8 * maxH - 1) / (8 * maxH);
    mcusHigh = (height + 8 * maxV - 1) / (8 * maxV);
    for (int c = 0; c < componentCount; ++c) {
        Component& comp = components[c];
        // Repeating a sample needs whole ratios.
        if (maxH % comp.h != 0 || maxV % comp.v != 0)
            return false;
        const int wide = (width * comp.h + maxH - 1) / maxH, high = (height * comp.v + maxV - 1) / maxV;
        comp.blocksWide = (wide + 7) / 8;
        comp.blocksHigh = (high + 7) / 8;
        comp.stride = mcusWide * comp.h;
    }
    return true;
}

bool Reader::Tables(const uint8_t* p, size_t n)
{
    while (n > 0) {
        if (n < 17)
            return false;
        const int type = p[0] >> 4, slot = p[0] & 15;
        int total = 0;
        for (int i = 1; i <= 16; ++i)
            total += p[i];
        if (type > 1 || slot > 3 || total > 256 || n < 17 + size_t(total))
            return false;
        if (type == 0 && !BuildTable(p + 1, p + 17, total, dc[slot]))
            return false;
        p += 17 + total;
        n -= 17 + size_t(total);
    }
    return true;
}

bool Reader::Quantisers(const uint8_t* p, size_t n)
{
    while (n > 0) {
        const int precision = p[0] >> 4, slot = p[0] & 15;
        const size_t length = 1 + 64 * size_t(precision + 1);
        if (precision > 1 || slot > 3 || n < length)
            return false;
        quant[slot] = precision == 0 ? p[1] : p[1] << 8 | p[2];
        p += length;
        n -= length;
    }
    return true;
}

bool Reader::Scan(const uint8_t* p, size_t n, const uint8_t*& next)
{
    if (componentCount == 0 || n < 1)
        return false;
    const int count = p[0];
    if (count < 1 || count > componentCount || n != 4 + size_t(count) * 2)
        return false;
    const uint8_t* tail = p + 1 + count * 2;
    const int ss = tail[0], se = tail[1], ah = tail[2] >> 4, al = tail[2] & 15;
    // Only a first DC scan; anything else before every DC is in is not ours.
    if (ss != 0 || se != 0 || ah != 0 || al > 13)
        return false;
    Component* scan[kMaxComponents] = {};
    const HuffmanTable* tables[kMaxComponents] = {};
    int blocksPerMcu = 0;
    for (int i = 0; i < count; ++i) {
        const int id = p[1 + i * 2], slot = p[2 + i * 2] >> 4;
        for (int c = 0; c < componentCount; ++c)
            if (components[c].id == id)
                scan[i] = &components[c];
        if (!scan[i] || scan[i]->done || slot > 3 || !dc[slot].defined || quant[scan[i]->quantTable] < 0)
            return false;
        for (int j = 0; j < i; ++j)
            if (scan[j] == scan[i])
                return false;
        tables[i] = &dc[slot];
        scan[i]->quant = quant[scan[i]->quantTable];
        blocksPerMcu += count == 1 ? 1 : scan[i]->h * scan[i]->v;
        // Sizes are bounded by the frame's 16-bit sides.
        scan[i]->samples.assign(size_t(scan[i]->stride) * size_t(mcusHigh * scan[i]->v), 0);
    }
    if (blocksPerMcu > 10)
        return false;
    // One component alone is coded block by block over its own size.
    const int wide = count == 1 ? scan[0]->blocksWide : mcusWide;
    const int high = count == 1 ? scan[0]->blocksHigh : mcusHigh;
    const uint8_t* end = data + size;
    BitReader bits(tail + 3, end);
    int32_t predictor[kMaxComponents] = {};
    int untilRestart = restartInterval, restarts = 0;
    auto sample = [al](int32_t value, int q) {
        // As libjpeg's 1x1 inverse DCT: the coefficient, dequantised, over 8.
        const int32_t coefficient = int16_t(uint32_t(value) << al);
        return uint8_t(std::clamp(((coefficient * q + 4) >> 3) + 128, 0, 255));
    };
    for (int my = 0; my < high; ++my)
        for (int mx = 0; mx < wide; ++mx) {
            if (restartInterval > 0 && untilRestart == 0) {
                if (bits.Overran())
                    return false;
                // The restart marker, after any fill bytes, in its turn.
                const uint8_t* at = bits.Position();
                while (at < end && *at == 0xFF)
                    ++at;
                if (at >= end || at == bits.Position() || *at != 0xD0 + (restarts & 7))
                    return false;
                bits = BitReader(at + 1, end);
                std::fill(std::begin(predictor), std::end(predictor), 0);
                untilRestart = restartInterval;
                ++restarts;
            }
            --untilRestart;
            for (int i = 0; i < count; ++i) {
                Component& comp = *scan[i];
                const int h = count == 1 ? 1 : comp.h, v = count == 1 ? 1 : comp.v;
                for (int by = 0; by < v; ++by)
                    for (int bx = 0; bx < h; ++bx) {
                        int32_t difference = 0;
                        if (!DecodeDifference(bits, *tables[i], difference))
                            return false;
                        predictor[i] = int32_t(uint32_t(predictor[i]) + uint32_t(difference));
                        comp.samples[size_t(my * v + by) * size_t(comp.stride) + size_t(mx * h + bx)] =
                            sample(predictor[i], comp.quant);
                    }
            }
            // A truncated file stops within a row of its zeros.
            if (mx + 1 == wide && bits.Overran())
                return false;
        }
    if (bits.Overran())
        return false;
    for (int i = 0; i < count; ++i)
        scan[i]->done = true;
    next = bits.Position();
    return true;
}

// libjpeg's YCbCr to RGB tables, so the colours match its own output.
struct ColourTables {
    int crR[256], cbB[256], crG[256], cbG[256];
    ColourTables()
    {
        constexpr int kOneHalf = 1 << 15;
        auto fix = [](double x) { return int(x * 65536 + 0.5); };
        for (int i = 0; i < 256; ++i) {
            const int x = i - 128;
            crR[i] = (fix(1.40200) * x + kOneHalf) >> 16;
            cbB[i] = (fix(1.77200) * x + kOneHalf) >> 16;
            crG[i] = -fix(0.71414) * x;
            cbG[i] = -fix(0.34414) * x + kOneHalf;
        }
    }
};

uint8_t Clamp(int v)
{
    return uint8_t(std::clamp(v, 0, 255));
}

// A subsampled component at the picture's size. Where it has half the
// samples, each output sample takes 3/4 of the nearer sample and 1/4 of the
// next, as libjpeg's fancy upsampling does, which comes near the colour
// its block smoothing gives the first scan; other ratios repeat.
std::vector<uint8_t> Spread(const Component& comp, int rx, int ry, int width, int height)
{
    auto taps = [](int count, int ratio, int last) {
        std::vector<std::pair<int, int>> near(static_cast<size_t>(count)); // nearer and farther sample
        for (int i = 0; i < count; ++i) {
            const int n = std::min(i / ratio, last);
            const int f = ratio != 2 ? n : std::clamp(i % 2 == 0 ? n - 1 : n + 1, 0, last);
            near[size_t(i)] = {n, f};
        }
        return near;
    };
    const auto columns = taps(width, rx, comp.blocksWide - 1), rows = taps(height, ry, comp.blocksHigh - 1);
    std::vector<uint8_t> plane(size_t(width) * size_t(height));
    std::vector<int> sums(static_cast<size_t>(comp.blocksWide));
    for (int y = 0; y < height; ++y) {
        const uint8_t* n = comp.samples.data() + size_t(rows[size_t(y)].first) * size_t(comp.stride);
        const uint8_t* f = comp.samples.data() + size_t(rows[size_t(y)].second) * size_t(comp.stride);
        for (int x = 0; x < comp.blocksWide; ++x)
            sums[size_t(x)] = 3 * n[x] + f[x];
        uint8_t* out = plane.data() + size_t(y) * size_t(width);
        for (int x = 0; x < width; ++x)
            out[x] = uint8_t(
                (3 * sums[size_t(columns[size_t(x)].first)] + sums[size_t(columns[size_t(x)].second)] + 8) >>
                4);
    }
    return plane;
}

// The picture from the components' samples.
void BuildPicture(const Reader& r, int orientation, CBmp& picture)
{
    const int width = (r.width + 7) / 8, height = (r.height + 7) / 8;
    const bool turned = OrientationSwapsSides(orientation);
    picture.Create(turned ? height : width, turned ? width : height, 32, false);
    picture.SetSourceBitsPerPixel(r.componentCount == 1 ? 8 : 24);
    std::vector<uint8_t> icc = AssembleJpegIccSegments(r.iccSegments);
    picture.SetColourProfile(icc.empty() ? nullptr : MakeIccProfile(std::move(icc)));
    static const ColourTables tables;
    // Each component's samples, one a pixel.
    std::vector<uint8_t> spread[kMaxComponents];
    const uint8_t* planes[kMaxComponents] = {};
    size_t strides[kMaxComponents] = {};
    for (int c = 0; c < r.componentCount; ++c) {
        const Component& comp = r.components[c];
        planes[c] = comp.samples.data();
        strides[c] = size_t(comp.stride);
        if (comp.h != r.maxH || comp.v != r.maxV) {
            spread[c] = Spread(comp, r.maxH / comp.h, r.maxV / comp.v, width, height);
            planes[c] = spread[c].data();
            strides[c] = size_t(width);
        }
    }
    std::vector<uint32_t> line(orientation == OrientUpright ? 0 : size_t(width));
    for (int y = 0; y < height; ++y) {
        const uint8_t* rows[kMaxComponents] = {};
        for (int c = 0; c < r.componentCount; ++c)
            rows[c] = planes[c] + size_t(y) * strides[c];
        uint32_t* out = orientation == OrientUpright ? picture.GetLine32(y) : line.data();
        if (r.componentCount == 1) {
            for (int x = 0; x < width; ++x) {
                const uint8_t g = rows[0][x];
                out[x] = MakePixel(g, g, g);
            }
        } else {
            for (int x = 0; x < width; ++x) {
                const int luma = rows[0][x], cb = rows[1][x], cr = rows[2][x];
                out[x] = MakePixel(Clamp(luma + tables.crR[cr]),
                                   Clamp(luma + ((tables.cbG[cb] + tables.crG[cr]) >> 16)),
                                   Clamp(luma + tables.cbB[cb]));
            }
        }
        if (orientation != OrientUpright) {
            const uint8_t* stored = reinterpret_cast<const uint8_t*>(line.data());
            PlaceLinesUpright(&stored, y, 1, width, height, orientation, picture);
        }
    }
}

bool Decode(const uint8_t* data, size_t size, int orientation, const std::function<bool(int, int)>& wanted,
            CBmp& picture)
{
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return false;
    Reader r{data, size};
    size_t at = 2;
    while (!r.AllDone()) {
        // A marker, after any fill bytes.
        if (at >= size || data[at] != 0xFF)
            return false;
        while (at < size && data[at] == 0xFF)
            ++at;
        if (at + 2 >= size)
            return false;
        const uint8_t marker = data[at];
        const size_t length = size_t(data[at + 1]) << 8 | data[at + 2];
        if (marker == 0xD8 || marker == 0xD9 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7) ||
            length < 2 || length > size - at - 1)
            return false;
        const uint8_t* body = data + at + 3;
        const size_t n = length - 2;
        at += 1 + length;
        switch (marker) {
        case 0xC2:
            if (!r.Frame(body, n) || !wanted(r.width, r.height))
                return false;
            CheckPictureSize(r.width, r.height);
            break;
        case 0xC4:
            if (!r.Tables(body, n))
                return false;
            break;
        case 0xDB:
            if (!r.Quantisers(body, n))
                return false;
            break;
        case 0xDD:
            if (n != 2)
                return false;
            r.restartInterval = body[0] << 8 | body[1];
            break;
        case 0xDA: {
            const uint8_t* next = nullptr;
            if (!r.Scan(body, n, next))
                return false;
            at = size_t(next - data);
            break;
        }
        case 0xE0:
            r.jfif = r.jfif || (n >= 5 && std::memcmp(body, "JFIF", 5) == 0);
            break;
        case 0xE2:
            r.iccSegments.emplace_back(body, n);
            break;
        case 0xEE:
            if (n >= 12 && std::memcmp(body, "Adobe", 5) == 0)
                r.adobeTransform = body[11];
            break;
        default:
            // Other frame types (baseline, lossless, arithmetic coding) and
            // a height given later are not ours; the rest is skipped.
            if ((marker >= 0xC0 && marker <= 0xCF) || marker == 0xDC)
                return false;
            break;
        }
    }
    // Three components are RGB when Adobe's marker says so, or without
    // either marker when they are named R, G and B; libjpeg reads them so.
    if (r.componentCount == 3) {
        const Component* c = r.components;
        if (r.adobeTransform == 0 ||
            (!r.jfif && r.adobeTransform < 0 && c[0].id == 'R' && c[1].id == 'G' && c[2].id == 'B'))
            return false;
    }
    BuildPicture(r, orientation, picture);
    return true;
}

} // namespace

bool DecodeJpegDcPreview(const uint8_t* data, size_t size, int orientation,
                         const std::function<bool(int width, int height)>& wanted, CBmp& picture)
{
    if (!data)
        return false;
    if (orientation < OrientUpright || orientation > OrientTurnedLeft)
        orientation = OrientUpright;
    try {
        return Decode(data, size, orientation, wanted, picture);
    } catch (...) {
        return false; // out of memory or too large: the full decoder reports it
    }
}
