#include "engine/picture/Bmp.h"

#include "engine/picture/LineExpanders.h"
#include "engine/picture/PictureSizeLimit.h"
#include "engine/picture/TextException.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <vector>

void ThrowOutOfMemory()
{
    throw CTextException(ErrNoMemory, kTextOutOfMemory);
}

namespace {
thread_local CPictureSizeLimit* t_sizeLimit = nullptr;
}

CPictureSizeLimit::CPictureSizeLimit(int64_t maxPixels)
    : m_maxPixels(std::max<int64_t>(0, maxPixels)), m_outer(t_sizeLimit)
{
    t_sizeLimit = this;
}

CPictureSizeLimit::~CPictureSizeLimit()
{
    t_sizeLimit = m_outer;
}

bool CPictureSizeLimit::Refuses(int64_t pixels)
{
    if (!t_sizeLimit || pixels <= t_sizeLimit->m_maxPixels)
        return false;
    t_sizeLimit->m_exceeded = true;
    return true;
}

void CheckPictureSize(int64_t width, int64_t height)
{
    // An empty picture still gets a line table, so its sides count as 1.
    if (width < 0 || height < 0 || width > kMaxSide || height > kMaxSide ||
        std::max<int64_t>(height, 1) > kMaxPixels / std::max<int64_t>(width, 1))
        ThrowOutOfMemory();
    // Both sides are at most kMaxSide here: the product fits.
    if (CPictureSizeLimit::Refuses(width * height))
        ThrowOutOfMemory();
}

bool IsBottomUpBlock(CBmp& bmp)
{
    const int height = bmp.GetHeight();
    const size_t stride = size_t(bmp.GetWidth()) * 4;
    if (height == 0 || size_t(bmp.GetLineBytes()) != stride)
        return false;
    const uint8_t* bottom = bmp.GetLine(height - 1);
    for (int y = 0; y < height; ++y)
        if (bmp.GetLine(y) != bottom + size_t(height - 1 - y) * stride)
            return false;
    return true;
}

void CheckSizeForFormat(const CBmp& bmp, int maxWidth, int maxHeight)
{
    static constexpr const char* kTextBadSize = "Picture size not supported by this format.";
    if (bmp.GetWidth() < 1 || bmp.GetHeight() < 1 || bmp.GetWidth() > maxWidth || bmp.GetHeight() > maxHeight)
        throw CTextException(ErrUnsupported, kTextBadSize);
}

int CBmp::LineBytesFor(int width, int bitsPerPixel)
{
    int64_t bytes = int64_t(width) * bitsPerPixel / 8;
    if (bitsPerPixel == 1 && width % 8 != 0)
        ++bytes;
    return int((bytes + 3) & ~int64_t(3));
}

uint32_t CBmp::GetColorCount() const
{
    return m_bitsPerPixel <= 8 ? 1u << m_bitsPerPixel : 1u << 24;
}

void CBmp::Create(int width, int height, uint16_t bitsPerPixel, bool hasAlpha)
{
    CheckPictureSize(width, height);
    assert(bitsPerPixel == 1 || bitsPerPixel == 8 || bitsPerPixel == 32);
    ReleaseStorage();
    AllocateStorage(width, height, bitsPerPixel, hasAlpha);
}

void CBmp::SetFormat(int width, int height, uint16_t bitsPerPixel, bool hasAlpha)
{
    m_width = width;
    m_height = height;
    m_bitsPerPixel = bitsPerPixel;
    m_hasAlpha = hasAlpha && bitsPerPixel == 32;
    BuildLineTable();
    if (bitsPerPixel < 16)
        SetGrayscalePalette();
}

void CBmp::SetGrayscalePalette()
{
    uint32_t n = GetColorCount();
    if (!m_palette || n < 2)
        return;
    uint32_t step = 255 / (n - 1);
    for (uint32_t i = 0; i < n; ++i) {
        auto v = uint8_t(step * i);
        m_palette[i] = PaletteEntry{v, v, v, 255};
    }
}

void CBmp::SetPalette(const PaletteEntry* entries)
{
    if (m_palette && entries && m_palette != entries)
        std::memcpy(m_palette, entries, sizeof(PaletteEntry) * GetColorCount());
}

void CBmp::CopyFrom(const CBmp& source, int wantedDepth)
{
    if (&source != this)
        m_colourProfile = source.m_colourProfile;
    int sourceDepth = source.GetBitsPerPixel();
    if (wantedDepth == 0 || wantedDepth == sourceDepth) {
        if (&source == this)
            return;
        Create(source.GetWidth(), source.GetHeight(), uint16_t(sourceDepth), source.HasAlphaChannel());
        int lineBytes = GetLineBytes();
        for (int y = 0; y < m_height; ++y)
            std::memcpy(m_lines[y], source.GetLine(y), size_t(lineBytes));
        if (sourceDepth <= 8)
            SetPalette(source.GetPalette());
        m_sourceBitsPerPixel = source.GetSourceBitsPerPixel();
        return;
    }
    assert(&source != this);
    Create(source.GetWidth(), source.GetHeight(), uint16_t(wantedDepth),
           source.HasAlphaChannel() && wantedDepth == 32);
    m_sourceBitsPerPixel = source.GetSourceBitsPerPixel();
    if (wantedDepth == 32 && sourceDepth == 8)
        Convert8To32(source);
    else if (wantedDepth == 32 && sourceDepth == 1)
        Convert1To32(source);
    else if (wantedDepth == 8 && sourceDepth == 1)
        Convert1To8(source);
    else if (wantedDepth == 8 && sourceDepth == 32)
        Convert32To8(source);
    else if (wantedDepth == 1)
        ConvertTo1(source);
}

void CBmp::Convert8To32(const CBmp& source)
{
    uint32_t table[256];
    BuildPixelTable(source.GetPalette(), table);
    for (int y = 0; y < m_height; ++y)
        ExpandIndexedLine(source.GetLine(y), m_width, table, GetLine32(y));
}

void CBmp::Convert1To32(const CBmp& source)
{
    const PaletteEntry* pal = source.GetPalette();
    uint32_t table[256] = {pal ? PaletteToPixel(pal[0]) : 0xFFFFFFFFu,
                           pal ? PaletteToPixel(pal[1]) : 0xFF000000u};
    for (int y = 0; y < m_height; ++y)
        ExpandPackedLine(source.GetLine(y), m_width, 1, table, GetLine32(y));
}

void CBmp::Convert1To8(const CBmp& source)
{
    const PaletteEntry* pal = source.GetPalette();
    m_palette[0] = pal ? pal[0] : PaletteEntry{255, 255, 255, 255};
    m_palette[1] = pal ? pal[1] : PaletteEntry{0, 0, 0, 255};
    m_palette[0].alpha = m_palette[1].alpha = 255;
    for (int y = 0; y < m_height; ++y)
        UnpackIndices(source.GetLine(y), m_width, 1, m_lines[y]);
}

void CBmp::ConvertTo1(const CBmp& source)
{
    m_palette[0] = PaletteEntry{255, 255, 255, 255};
    m_palette[1] = PaletteEntry{0, 0, 0, 255};
    bool indexed = source.GetBitsPerPixel() == 8;
    const PaletteEntry* pal = source.GetPalette();
    int lineBytes = GetLineBytes();
    for (int y = 0; y < m_height; ++y) {
        uint8_t* out = m_lines[y];
        std::memset(out, 0, size_t(lineBytes));
        const uint8_t* in = source.GetLine(y);
        for (int x = 0; x < m_width; ++x) {
            PaletteEntry c;
            if (indexed)
                c = pal[in[x]];
            else
                std::memcpy(&c, in + 4 * x, 4);
            if (c.blue < 128 && c.green < 128 && c.red < 128)
                out[x >> 3] |= uint8_t(0x80 >> (x & 7));
        }
    }
}

namespace {

// Octree colour quantiser: colours are inserted down to depth 8 (one level
// per bit of red, green and blue); while more than 256 leaves exist, the
// deepest level's nodes are merged into their parents.
class Octree {
  public:
    Octree() { m_nodes.emplace_back(); }

    void Insert(uint8_t r, uint8_t g, uint8_t b)
    {
        int node = 0;
        for (int level = 0; level < kDepth; ++level) {
            Node& n = m_nodes[size_t(node)];
            if (n.leaf)
                break;
            int child = ChildIndex(r, g, b, level);
            if (n.children[child] < 0) {
                int created = int(m_nodes.size());
                m_nodes[size_t(node)].children[child] = created;
                m_nodes.emplace_back();
                if (level + 1 == kDepth) {
                    m_nodes.back().leaf = true;
                    ++m_leaves;
                } else {
                    m_levels[level + 1].push_back(created);
                }
            }
            node = m_nodes[size_t(node)].children[child];
        }
        Node& leaf = m_nodes[size_t(node)];
        leaf.r += r;
        leaf.g += g;
        leaf.b += b;
        ++leaf.count;
        while (m_leaves > 256)
            Reduce();
    }

    // Builds the palette and numbers the leaves; returns the colour count.
    int BuildPalette(PaletteEntry* palette)
    {
        int count = 0;
        for (Node& n : m_nodes) {
            if (!n.leaf || n.count == 0 || n.merged)
                continue;
            n.index = count;
            palette[count++] =
                PaletteEntry{uint8_t(n.b / n.count), uint8_t(n.g / n.count), uint8_t(n.r / n.count), 255};
        }
        return count;
    }

    int Lookup(uint8_t r, uint8_t g, uint8_t b) const
    {
        int node = 0;
        for (int level = 0; level < kDepth && !m_nodes[size_t(node)].leaf; ++level) {
            int child = m_nodes[size_t(node)].children[ChildIndex(r, g, b, level)];
            if (child < 0)
                break;
            node = child;
        }
        return std::max(0, m_nodes[size_t(node)].index);
    }

  private:
    static constexpr int kDepth = 8;
    struct Node {
        uint64_t r = 0, g = 0, b = 0, count = 0;
        int children[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
        bool leaf = false;
        bool merged = false;
        int index = -1;
    };

    static int ChildIndex(uint8_t r, uint8_t g, uint8_t b, int level)
    {
        int shift = 7 - level;
        return ((r >> shift) & 1) << 2 | ((g >> shift) & 1) << 1 | ((b >> shift) & 1);
    }

    void Reduce()
    {
        int level = kDepth - 1;
        while (level > 0 && m_levels[level].empty())
            --level;
        int nodeIndex = m_levels[level].back();
        m_levels[level].pop_back();
        Node& node = m_nodes[size_t(nodeIndex)];
        int removed = 0;
        for (int& c : node.children) {
            if (c < 0)
                continue;
            Node& child = m_nodes[size_t(c)];
            node.r += child.r;
            node.g += child.g;
            node.b += child.b;
            node.count += child.count;
            child.merged = true;
            ++removed;
            c = -1;
        }
        node.leaf = true;
        m_leaves += 1 - removed;
    }

    std::vector<Node> m_nodes;
    std::vector<int> m_levels[kDepth];
    int m_leaves = 0;
};

} // namespace

void CBmp::Convert32To8(const CBmp& source)
{
    Octree tree;
    for (int y = 0; y < m_height; ++y) {
        const uint8_t* in = source.GetLine(y);
        for (int x = 0; x < m_width; ++x)
            tree.Insert(in[4 * x + 2], in[4 * x + 1], in[4 * x]);
    }
    PaletteEntry palette[256];
    for (auto& e : palette)
        e = PaletteEntry{0, 0, 0, 255};
    tree.BuildPalette(palette);
    SetPalette(palette);
    for (int y = 0; y < m_height; ++y) {
        const uint8_t* in = source.GetLine(y);
        uint8_t* out = m_lines[y];
        for (int x = 0; x < m_width; ++x)
            out[x] = uint8_t(tree.Lookup(in[4 * x + 2], in[4 * x + 1], in[4 * x]));
    }
}
