#include "engine/picture/GIFDecoder.h"

#include "engine/picture/Animation.h"
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

namespace {

constexpr uint8_t kApplicationLabel = 0xFF;
constexpr int kDisposeBackground = 2;
constexpr int kDisposePrevious = 3;

// One image of the file, as the scan found it.
struct GifFrame {
    size_t data = 0;  // offset of its LZW code size byte
    size_t table = 0; // offset of its colour table (local, else global; 0 for none)
    int tableBits = 0;
    int x = 0, y = 0, w = 0, h = 0;
    bool interlaced = false;
    int disposal = 0;
    int transparent = -1;
};

class CGifFrames : public CCanvasFrames {
  public:
    explicit CGifFrames(std::shared_ptr<const std::vector<uint8_t>> bytes)
        : CCanvasFrames("GIF", std::move(bytes)), m_source(Bytes().data(), Bytes().size(), "GIF"),
          m_blocks(m_source), m_lzw(std::make_unique<CLzwExpander>(m_blocks))
    {
    }

    // Reads the frame table; false for fewer than two frames.
    bool Scan();

  protected:
    void ComposeNext(int index) override;

  private:
    // The part of frame f that lies on the canvas (may be empty).
    void Clip(const GifFrame& f, int& x0, int& y0, int& x1, int& y1) const
    {
        x0 = std::min(f.x, Width());
        y0 = std::min(f.y, Height());
        x1 = std::min(f.x + f.w, Width());
        y1 = std::min(f.y + f.h, Height());
    }

    CMemSource m_source;
    CGifBlockReader m_blocks;
    std::unique_ptr<CLzwExpander> m_lzw;
    std::vector<GifFrame> m_frames;
    std::vector<uint16_t> m_row;
    std::vector<uint32_t> m_pixelOf;
};

bool CGifFrames::Scan()
{
    m_source.Skip(6);
    const int screenWidth = m_source.ReadWordLE();
    const int screenHeight = m_source.ReadWordLE();
    const uint8_t screenFlags = m_source.ReadByte();
    m_source.Skip(2);
    size_t globalTable = 0;
    const int globalBits = (screenFlags & 7) + 1;
    if (screenFlags & 0x80) {
        globalTable = m_source.GetOffset();
        m_source.Skip(size_t(3) << globalBits);
    }
    std::vector<int> delays;
    int loops = 1; // without a loop extension the animation plays once
    GraphicControl control;
    try {
        while (m_frames.size() < size_t(kMaxAnimationFrames)) {
            const uint8_t byte = m_source.ReadByte();
            if (byte == kImageSeparator) {
                GifFrame f;
                f.x = m_source.ReadWordLE();
                f.y = m_source.ReadWordLE();
                f.w = m_source.ReadWordLE();
                f.h = m_source.ReadWordLE();
                const uint8_t flags = m_source.ReadByte();
                f.interlaced = (flags & 0x40) != 0;
                f.table = globalTable;
                f.tableBits = globalBits;
                if (flags & 0x80) {
                    f.table = m_source.GetOffset();
                    f.tableBits = (flags & 7) + 1;
                    m_source.Skip(size_t(3) << f.tableBits);
                }
                f.data = m_source.GetOffset();
                f.disposal = control.disposal;
                f.transparent = control.transparentIndex;
                m_source.Skip(1);
                m_blocks.SkipBlocks(); // a frame cut short by the end is left out
                m_frames.push_back(f);
                delays.push_back(control.delay * 10);
                control = GraphicControl();
            } else if (byte == kExtensionIntroducer) {
                const uint8_t label = m_source.ReadByte();
                if (label == kGraphicControlLabel) {
                    ReadGraphicControl(m_blocks, control);
                } else if (label == kApplicationLabel) {
                    const uint8_t* id;
                    const int n = m_blocks.ReadBlock(&id);
                    const bool looping = n == 11 && (std::memcmp(id, "NETSCAPE2.0", 11) == 0 ||
                                                     std::memcmp(id, "ANIMEXTS1.0", 11) == 0);
                    const uint8_t* sub;
                    if (n != 0 && looping && m_blocks.ReadBlock(&sub) >= 3 && sub[0] == 1) {
                        // The count is of repeats after the first play; 0 is for ever.
                        const int repeats = sub[1] | sub[2] << 8;
                        loops = repeats == 0 ? 0 : repeats + 1;
                    }
                    if (n != 0 && !m_blocks.ZeroBlockSeen())
                        m_blocks.SkipBlocks();
                } else {
                    m_blocks.SkipBlocks();
                }
            } else if (byte == kTrailer) {
                break;
            }
        }
    } catch (const CTextException& e) {
        if (e.GetCode() != ErrEndOfFile)
            throw;
        if (m_frames.size() >= 2)
            AddWarning("The file ends in the middle of frame " + std::to_string(m_frames.size() + 1) +
                       "; the animation ends before it.");
    }
    if (m_frames.size() < 2)
        return false;
    // A screen of no size takes the first frame's.
    int width = screenWidth, height = screenHeight;
    if (width == 0 || height == 0) {
        width = m_frames[0].x + m_frames[0].w;
        height = m_frames[0].y + m_frames[0].h;
    }
    // A frame wholly off the canvas is damage: the frames end before it.
    for (size_t i = 0; i < m_frames.size(); ++i) {
        const GifFrame& f = m_frames[i];
        if (f.x >= width || f.y >= height || f.w == 0 || f.h == 0) {
            EndBeforeFrameOffCanvas(i, delays);
            m_frames.resize(i);
            break;
        }
    }
    SetCanvasFrames(width, height, loops, std::move(delays));
    m_frames.resize(size_t(FrameCount()));
    return true;
}

void CGifFrames::ComposeNext(int index)
{
    const GifFrame& f = m_frames[size_t(index)];
    int x0, y0, x1, y1;
    Clip(f, x0, y0, x1, y1);
    BeginFrame(x0, y0, x1 - x0, y1 - y0,
               f.disposal == kDisposeBackground ? Disposal::Clear
               : f.disposal == kDisposePrevious ? Disposal::Restore
                                                : Disposal::Keep);

    // Colours: indices beyond the table are opaque black; the transparent one draws nothing.
    m_pixelOf.assign(CLzwExpander::kTableSize, MakePixel(0, 0, 0));
    if (f.table != 0) {
        m_source.Seek(f.table);
        const int count = 1 << f.tableBits;
        const uint8_t* rgb = m_source.ReadBytes(size_t(count) * 3);
        for (int i = 0; i < count; ++i)
            m_pixelOf[size_t(i)] = MakePixel(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
    } else {
        for (int i = 0; i < 256; ++i)
            m_pixelOf[size_t(i)] = MakePixel(uint8_t(i), uint8_t(i), uint8_t(i));
    }
    m_source.Seek(f.data);
    const int codeSize = m_source.ReadByte();
    if (codeSize > CLzwExpander::kMaxCodeSize)
        RaiseError(ErrBadFormat, kTextCodeSize);
    m_lzw->Init(codeSize);
    m_row.resize(size_t(f.w) + 1);
    for (RowOrder order(f.h, f.interlaced); !order.Done(); order.Advance()) {
        int x = 0;
        int stop = 0;
        while (x < f.w) {
            const int n = m_lzw->Read(m_row.data() + x, f.w - x);
            if (n < 0) {
                stop = n;
                break;
            }
            x += n;
        }
        const int y = f.y + order.Row();
        if (y < y1) {
            uint32_t* line = m_canvas.Line(y);
            const int end = std::min(f.x + x, x1);
            for (int cx = x0; cx < end; ++cx) {
                const uint16_t i = m_row[size_t(cx - f.x)];
                if (i != f.transparent)
                    line[cx] = m_pixelOf[i];
            }
        }
        if (stop == CLzwExpander::kBadCode)
            RaiseError(ErrBadFormat, kTextBadCode);
        if (stop < 0)
            break; // data ended early: the rows not reached keep what was there
        if ((order.Row() & 63) == 63)
            CheckDecodeAbort();
    }
}

} // namespace

std::unique_ptr<CFrameSource> OpenGifFrames(std::shared_ptr<const std::vector<uint8_t>> bytes)
{
    return OpenScanned<CGifFrames>(std::move(bytes));
}
