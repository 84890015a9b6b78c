#include "engine/picture/GIFDecoder.h"

#include "engine/picture/LzwDecoder.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr const char* kTextTooMuchData = "Unknow format.";
constexpr const char* kTextCodeSize = "Unknow format.";
constexpr const char* kTextBadCode = "Unknow format.";
constexpr const char* kTextNoImage = "Unknow format.";
constexpr const char* kTextRanOff = "ran off the end of my bits";

constexpr uint8_t kImageSeparator = 0x2C;      // ','
constexpr uint8_t kExtensionIntroducer = 0x21; // '!'
constexpr uint8_t kTrailer = 0x3B;             // ';'
constexpr uint8_t kGraphicControlLabel = 0xF9;

// 256 entries; entries the file does not define are opaque black.
struct ColorTable {
    PaletteEntry entries[256];
};

// Read and kept for the decode, never applied to the pixels.
struct GraphicControl {
    int disposal = 0;
    bool userInput = false;
    int delay = 0;
    int transparentIndex = -1;
};

void ReadColorTable(CDataSource& source, int bits, ColorTable& table)
{
    const int count = 1 << bits;
    const uint8_t* rgb = source.ReadBytes(size_t(count) * 3);
    for (int i = 0; i < 256; ++i)
        table.entries[i] = i < count ? PaletteEntry{rgb[3 * i + 2], rgb[3 * i + 1], rgb[3 * i], 255}
                                     : PaletteEntry{0, 0, 0, 255};
}

void ReadGraphicControl(CGifBlockReader& blocks, GraphicControl& control)
{
    const uint8_t* data;
    int n = blocks.ReadBlock(&data);
    if (n >= 4) {
        control.disposal = (data[0] >> 2) & 7;
        control.userInput = (data[0] & 2) != 0;
        control.delay = data[1] | data[2] << 8;
        control.transparentIndex = (data[0] & 1) ? data[3] : -1;
    }
    // A first block of length 0 already ends the extension.
    if (n != 0)
        blocks.SkipBlocks();
}

// Most pixels `bytes` of LZW data can give. Codes are at least one bit, and
// the k-th code after a clear gives at most k pixels (4096 at most); a code
// of w bits also gives at most 2^w pixels (its string grows by one per
// table entry and its index fits in w bits), so at most 4096 per 12 bits.
int64_t MaxPixelsCodable(size_t bytes)
{
    const int64_t codes = int64_t(std::min<size_t>(bytes, size_t(1) << 40)) * 8;
    const int64_t table = CLzwExpander::kTableSize;
    const int64_t byWidth = codes * table / 12;
    if (codes <= table)
        return std::min(byWidth, codes * (codes + 1) / 2);
    return std::min(byWidth, table * (table + 1) / 2 + (codes - table) * table);
}

// Rows in the order they are stored: top to bottom, or the four
// interlace passes (every 8th row from 0, every 8th from 4, every 4th
// from 2, every 2nd from 1).
class RowOrder {
  public:
    RowOrder(int height, bool interlaced) : m_height(height), m_interlaced(interlaced)
    {
        m_pass = interlaced ? 0 : 3;
        m_row = 0;
        m_step = interlaced ? 8 : 1;
        if (m_row >= m_height)
            NextPass();
    }
    bool Done() const { return m_row >= m_height; }
    int Row() const { return m_row; }
    void Advance()
    {
        m_row += m_step;
        if (m_row >= m_height)
            NextPass();
    }

  private:
    void NextPass()
    {
        static constexpr int kStart[4] = {0, 4, 2, 1};
        static constexpr int kStep[4] = {8, 8, 4, 2};
        while (m_interlaced && m_pass < 3) {
            ++m_pass;
            m_row = kStart[m_pass];
            m_step = kStep[m_pass];
            if (m_row < m_height)
                return;
        }
        m_row = m_height;
    }

    int m_height;
    bool m_interlaced;
    int m_pass;
    int m_row;
    int m_step;
};

void DecodeImage(CBmp& bmp, CLzwExpander& lzw, int initialCodeSize, const ColorTable& table, bool interlaced)
{
    const int width = bmp.GetWidth();
    const bool indexed = bmp.GetBitsPerPixel() == 8;
    lzw.Init(initialCodeSize);

    // Indices reach 2^11 - 1 with the largest code size; those beyond the
    // colour table are black.
    std::vector<uint32_t> pixelOf(indexed ? 0 : CLzwExpander::kTableSize, MakePixel(0, 0, 0));
    for (size_t i = 0; i < pixelOf.size() && i < 256; ++i)
        pixelOf[i] = PaletteToPixel(table.entries[i]);

    std::vector<uint16_t> indices(size_t(width) + 1);
    RowOrder order(bmp.GetHeight(), interlaced);
    int stop = 0;
    while (!order.Done()) {
        int x = 0;
        while (x < width) {
            int n = lzw.Read(indices.data() + x, width - x);
            if (n < 0) {
                stop = n;
                break;
            }
            x += n;
        }
        uint8_t* line = LineToFill(bmp, order.Row());
        if (indexed) {
            for (int i = 0; i < x; ++i)
                line[i] = uint8_t(indices[size_t(i)] < 256 ? indices[size_t(i)] : 0);
            std::memset(line + x, 0, size_t(width - x));
        } else {
            uint32_t* out = reinterpret_cast<uint32_t*>(line);
            const uint32_t* lookup = pixelOf.data();
            const uint16_t* in = indices.data();
            for (int i = 0; i < x; ++i)
                out[i] = lookup[in[i]];
            for (int i = x; i < width; ++i)
                out[i] = MakePixel(0, 0, 0);
        }
        order.Advance();
        if (stop < 0)
            break;
    }

    if (stop == CLzwExpander::kBadCode)
        RaiseError(ErrBadFormat, kTextBadCode);
    if (stop < 0) {
        if (stop == CLzwExpander::kOutOfBits)
            Warn(kTextRanOff);
        // Rows the data never reached are shown black, not as stale memory.
        for (; !order.Done(); order.Advance()) {
            if (indexed)
                std::memset(LineToFill(bmp, order.Row()), 0, size_t(width));
            else
                std::fill_n(LineToFill32(bmp, order.Row()), width, MakePixel(0, 0, 0));
        }
        return;
    }
    int extra = lzw.ReadOne();
    if (extra >= 0)
        RaiseError(ErrBadFormat, kTextTooMuchData);
    if (extra == CLzwExpander::kBadCode)
        RaiseError(ErrBadFormat, kTextBadCode);
}

} // namespace

void CGIFDecoder::DecodeInto(CBmp& bmp, PaletteHolder&, int& wantedDepth, CDataSource& source)
{
    Trace(2, "Decoding GIF.\n");
    source.Skip(6);
    CGifBlockReader blocks(source);

    source.Skip(4); // screen width and height, not used
    const uint8_t screenFlags = source.ReadByte();
    source.Skip(2); // background index, aspect ratio
    const int tableBits = (screenFlags & 7) + 1;
    ColorTable global;
    const bool hasGlobal = (screenFlags & 0x80) != 0;
    if (hasGlobal) {
        ReadColorTable(source, tableBits, global);
    } else {
        // No colours defined by the file: a gray ramp.
        for (int i = 0; i < 256; ++i)
            global.entries[i] = PaletteEntry{uint8_t(i), uint8_t(i), uint8_t(i), 255};
    }
    const int depth = ResolveTargetDepth(tableBits, wantedDepth);

    auto lzw = std::make_unique<CLzwExpander>(blocks);
    int images = 0;
    // Every image's pixels come from its own data, so all images together
    // cannot hold more than the rest of the file codes: frames without data
    // cannot each claim (and be painted over) a huge picture.
    int64_t pixelBudget = MaxPixelsCodable(source.GetRemaining());
    GraphicControl control;
    ColorTable local;
    for (;;) {
        const uint8_t byte = source.ReadByte();
        if (byte == kImageSeparator) {
            source.Skip(4); // left, top: not used
            const int width = source.ReadWordLE();
            const int height = source.ReadWordLE();
            const uint8_t flags = source.ReadByte();
            const bool hasLocal = (flags & 0x80) != 0;
            const bool interlaced = (flags & 0x40) != 0;
            if (hasLocal)
                ReadColorTable(source, (flags & 7) + 1, local);
            const ColorTable& table = hasLocal ? local : global;

            // The picture cannot hold more pixels than the rest of the
            // file can code: refuse a tiny file claiming a huge picture
            // before allocating it. (Its trailer, required anyway, could
            // not follow complete data either.)
            CheckPictureSize(width, height);
            const int64_t pixels = int64_t(width) * height;
            if (pixels > std::min(pixelBudget, MaxPixelsCodable(source.GetRemaining())))
                throw CTextException(ErrEndOfFile, kTextEndOfFile);
            pixelBudget -= pixels;
            bmp.Create(width, height, uint16_t(depth), false);
            bmp.SetSourceBitsPerPixel(tableBits);
            if (depth == 8)
                bmp.SetPalette(table.entries);

            const int codeSize = source.ReadByte();
            if (codeSize > CLzwExpander::kMaxCodeSize)
                RaiseError(ErrBadFormat, kTextCodeSize);
            DecodeImage(bmp, *lzw, codeSize, table, interlaced);
            ++images;
        } else if (byte == kExtensionIntroducer) {
            const uint8_t label = source.ReadByte();
            if (label == kGraphicControlLabel)
                ReadGraphicControl(blocks, control);
            else
                blocks.SkipBlocks();
        } else if (byte == kTrailer) {
            // Without an image the bitmap would still hold an earlier picture.
            if (images == 0)
                RaiseError(ErrBadFormat, kTextNoImage);
            return;
        }
        // Any other byte between blocks is ignored.
    }
}
