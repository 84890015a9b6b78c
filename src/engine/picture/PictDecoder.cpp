#include "engine/picture/PictDecoder.h"

#include "engine/picture/JPEGDecoder.h"
#include "engine/picture/LineExpanders.h"
#include "engine/picture/PackBits.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr const char* kTextNoVersion = "Error decoding pict: Version number missing.";
constexpr const char* kTextBadVersion = "Illegal version number.";
constexpr const char* kTextVectorOnly = "PICT contained only vector data!\n";
constexpr const char* kTextPatternType = "Unknown pattern type in pixPat.";
constexpr const char* kTextColorIndex = "pixel value greater than colour table size.";
constexpr const char* kTextTableMemory = "Out of memory allocationg color table.";
constexpr const char* kTextIllegalBpp = "Illegal bpp value in unpackbits: %d\n";
constexpr const char* kTextQuickTime = "PICT file contains unrecognized quicktime data.\n";
constexpr const char* kTextExpandBpp = "Bad bits per pixel in expandBuf.";
constexpr const char* kTextExpandBpp8 = "Bad bits per pixel in expandBuf8.";

constexpr size_t kPreambleSize = 512;
constexpr size_t kRectSize = 8;
constexpr size_t kModeSize = 2;

enum : unsigned {
    OpNop = 0x00,
    OpClip = 0x01,
    OpBkPixPat = 0x12,
    OpFillPixPat = 0x14,
    OpVersion = 0x11,
    OpLongText = 0x28,
    OpDHText = 0x29,
    OpDVText = 0x2A,
    OpDHDVText = 0x2B,
    OpFramePoly = 0x70,
    OpLastPoly = 0x77,
    OpFrameRgn = 0x80,
    OpLastRgn = 0x87,
    OpBitsRect = 0x90,
    OpBitsRgn = 0x91,
    OpPackBitsRect = 0x98,
    OpPackBitsRgn = 0x99,
    OpDirectBits = 0x9A,
    OpLongComment = 0xA1,
    OpEndPic = 0xFF,
    OpHeader = 0x0C00,
    OpCompressedQuickTime = 0x8200,
    OpEndPicV2 = 0xFFFF,
};

// Data lengths of opcodes 0x00 to 0xA1 that are not handled by their own
// case: a fixed byte count, or a 16-bit length that precedes the data.
constexpr int kVariable = -1;

int OpcodeDataLength(unsigned op)
{
    static constexpr signed char kLow[0x30] = {
        0, 0, 8, 2, 1,  2,  4,  4,  2, 8, 8, 4, 4,  2,  4,  4,  // 0x00
        8, 1, 0, 0, 0,  2,  2,  0,  0, 0, 6, 6, 0,  6,  0,  6,  // 0x10
        8, 4, 6, 2, -1, -1, -1, -1, 0, 0, 0, 0, -1, -1, -1, -1, // 0x20
    };
    if (op < 0x30)
        return kLow[op];
    if (op < 0x70) {
        // Rect, RRect, Oval: 8 bytes; Arc: 12; the "Same" forms: none,
        // except SameArc with its two angles.
        bool same = op & 0x08;
        if (op < 0x60)
            return same ? 0 : 8;
        return same ? 4 : 12;
    }
    if (op >= 0x78 && op < 0x80)
        return 0;
    if (op >= 0x88 && op < 0x90)
        return 0;
    if ((op >= 0x92 && op <= 0x97) || (op >= 0x9B && op <= 0x9F))
        return kVariable;
    if (op == 0xA0)
        return 2;
    return 0;
}

// Standard QuickDraw names for the trace.
std::string OpcodeName(unsigned op)
{
    static const char* const kLow[0x30] = {
        "NOP",           "Clip",        "BkPat",     "TxFont",      "TxFace",     "TxMode",   "SpExtra",
        "PnSize",        "PnMode",      "PnPat",     "FillPat",     "OvSize",     "Origin",   "TxSize",
        "FgColor",       "BkColor",     "TxRatio",   "Version",     "BkPixPat",   "PnPixPat", "FillPixPat",
        "PnLocHFrac",    "ChExtra",     "reserved",  "reserved",    "reserved",   "RGBFgCol", "RGBBkCol",
        "HiliteMode",    "HiliteColor", "DefHilite", "OpColor",     "Line",       "LineFrom", "ShortLine",
        "ShortLineFrom", "reserved",    "reserved",  "reserved",    "reserved",   "LongText", "DHText",
        "DVText",        "DHDVText",    "fontName",  "lineJustify", "glyphState", "reserved",
    };
    if (op < 0x30)
        return kLow[op];
    if (op < 0x90) {
        static const char* const kVerbs[5] = {"frame", "paint", "erase", "invert", "fill"};
        static const char* const kShapes[6] = {"Rect", "RRect", "Oval", "Arc", "Poly", "Rgn"};
        unsigned group = (op - 0x30) >> 3;
        unsigned verb = op & 7;
        if (verb > 4)
            return "reserved";
        return std::string(kVerbs[verb]) + (group & 1 ? "Same" : "") + kShapes[group >> 1];
    }
    switch (op) {
    case OpBitsRect:
        return "BitsRect";
    case OpBitsRgn:
        return "BitsRgn";
    case OpPackBitsRect:
        return "PackBitsRect";
    case OpPackBitsRgn:
        return "PackBitsRgn";
    case OpDirectBits:
        return "Opcode_9A";
    case 0xA0:
        return "ShortComment";
    case OpLongComment:
        return "LongComment";
    default:
        return "reserved";
    }
}

bool IsReservedOpcode(unsigned op)
{
    return OpcodeName(op) == "reserved";
}

struct PictRect {
    int top, left, bottom, right;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

PictRect ReadRect(CDataSource& source)
{
    PictRect r;
    r.top = int16_t(source.ReadWordBE());
    r.left = int16_t(source.ReadWordBE());
    r.bottom = int16_t(source.ReadWordBE());
    r.right = int16_t(source.ReadWordBE());
    return r;
}

void TraceRect(const char* label, const PictRect& r)
{
    Trace(2, "%s (%d,%d) (%d,%d).\n", label, r.top, r.left, r.bottom, r.right);
}

struct PixMapHeader {
    PictRect bounds;
    int version, packType;
    uint32_t packSize;
    int pixelSize, cmpCount, cmpSize;
    uint32_t planeBytes;
};

PixMapHeader ReadPixMap(CDataSource& source)
{
    PixMapHeader h;
    h.bounds = ReadRect(source);
    h.version = source.ReadWordBE();
    h.packType = source.ReadWordBE();
    h.packSize = source.ReadLongBE();
    source.Skip(8); // horizontal and vertical resolution
    source.Skip(2); // pixel type
    h.pixelSize = source.ReadWordBE();
    h.cmpCount = source.ReadWordBE();
    h.cmpSize = source.ReadWordBE();
    h.planeBytes = source.ReadLongBE();
    source.Skip(8); // colour table handle, reserved
    Trace(2, "PixMap header info:\n");
    TraceRect("  Bounds:", h.bounds);
    Trace(2, "  version: 0x%x\n", h.version);
    Trace(2, "  packType: %d\n", h.packType);
    Trace(2, "  packSize: %ld\n", long(h.packSize));
    Trace(2, "  pixelSize: %d\n", h.pixelSize);
    Trace(2, "  cmpCount: %d\n", h.cmpCount);
    Trace(2, "  cmpSize: %d.\n", h.cmpSize);
    Trace(2, "  planeBytes: %ld.\n", long(h.planeBytes));
    return h;
}

// Colour table into a 256-entry palette; entries beyond 255 are read and
// dropped.
void ReadColorTable(CDataSource& source, PaletteEntry* palette)
{
    Trace(3, "Getting color table info.\n");
    source.Skip(4); // seed
    const unsigned flags = source.ReadWordBE();
    const size_t entries = size_t(source.ReadWordBE()) + 1;
    Trace(2, "Palette Size:  %d\n", int(entries));
    Trace(3, "Reading Palette.\n");
    const uint8_t* p = source.ReadBytes(entries * 8);
    for (size_t i = 0; i < entries; ++i, p += 8) {
        size_t index = (flags & 0x8000) ? i : LoadBE16(ByteView(p, 2));
        if (index >= entries)
            RaiseError(ErrBadFormat, kTextColorIndex);
        if (index < 256)
            palette[index] = PaletteEntry{p[6], p[4], p[2], 255};
    }
}

// A record whose leading 16-bit size counts itself (regions, polygons).
void SkipSizedRecord(CDataSource& source)
{
    unsigned size = source.ReadWordBE();
    source.Skip(size > 2 ? size - 2 : 0);
}

void SkipText(CDataSource& source, size_t before)
{
    source.Skip(before);
    source.Skip(source.ReadByte());
}

[[noreturn]] void RaiseIllegalBpp(int pixelSize)
{
    char text[64];
    std::snprintf(text, sizeof text, kTextIllegalBpp, pixelSize);
    RaiseError(ErrBadFormat, text);
}

// How the rows of a bitmap or pixmap are stored.
struct RowLayout {
    int width = 0;
    int height = 0;
    int pixelSize = 1;
    int planes = 3;         // 32-bit pixmaps: 3 (RGB) or 4 (ARGB)
    size_t rowBytes = 0;    // effective stored row length
    size_t neededBytes = 0; // bytes the width takes
    size_t bufferBytes = 0; // unpacked row buffer, enough for the width
    bool packed = false;
    size_t countBytes = 1; // size of each packed row's byte count
    size_t unit = 1;       // PackBits unit

    RowLayout(unsigned storedRowBytes, int pixelSizeIn, int cmpCount, int w, int h)
        : width(w), height(h), pixelSize(pixelSizeIn)
    {
        if (pixelSize != 1 && pixelSize != 2 && pixelSize != 4 && pixelSize != 8 && pixelSize != 16 &&
            pixelSize != 32)
            RaiseIllegalBpp(pixelSize);
        CheckPictureSize(w, h);
        const size_t uw = size_t(w);
        planes = cmpCount == 4 ? 4 : 3;
        if (pixelSize == 32)
            neededBytes = uw * size_t(planes);
        else
            neededBytes = (uw * size_t(pixelSize) + 7) / 8;
        // The top bit marks a pixmap; it is not part of the length.
        rowBytes = storedRowBytes & 0x7FFF;
        if (rowBytes == 0)
            rowBytes = pixelSize == 16 ? 2 * uw : pixelSize == 32 ? size_t(std::max(cmpCount, 0)) * uw : uw;
        bufferBytes = std::max(rowBytes, neededBytes);
        packed = pixelSize == 32 || rowBytes >= 8;
        countBytes = rowBytes > 250 ? 2 : 1;
        unit = pixelSize == 16 ? 2 : 1;
    }

    // The fewest bytes the rows can take, to refuse a short file before
    // allocating the picture it claims.
    size_t MinimumDataBytes() const
    {
        if (!packed)
            return rowBytes * size_t(height);
        const size_t perRun = 128 * unit;
        const size_t useful = std::min(rowBytes, neededBytes);
        return (countBytes + (useful + perRun - 1) / perRun * (1 + unit)) * size_t(height);
    }
};

// Reads every row and writes it to the bitmap, top line first.
void UnpackRows(CDataSource& source, CBmp& bmp, const RowLayout& layout, const PaletteEntry* palette)
{
    const int width = layout.width;
    uint32_t table[256];
    BuildPixelTable(palette, table);
    std::vector<uint8_t> buffer(layout.bufferBytes);
    const bool indexOut = bmp.GetBitsPerPixel() == 8;
    const size_t plane = size_t(width);

    for (int y = 0; y < layout.height; ++y) {
        const uint8_t* row;
        if (!layout.packed) {
            const uint8_t* in = source.ReadBytes(layout.rowBytes);
            if (layout.rowBytes >= layout.bufferBytes) {
                row = in;
            } else {
                std::memcpy(buffer.data(), in, layout.rowBytes);
                std::memset(buffer.data() + layout.rowBytes, 0, layout.bufferBytes - layout.rowBytes);
                row = buffer.data();
            }
        } else {
            const size_t count = layout.countBytes == 2 ? source.ReadWordBE() : source.ReadByte();
            const uint8_t* in = source.ReadBytes(count);
            PackBitsResult result = UnpackBits(in, count, buffer.data(), buffer.size(), layout.unit);
            // A short row leaves nothing of the previous one behind.
            if (result.produced < buffer.size())
                std::memset(buffer.data() + result.produced, 0, buffer.size() - result.produced);
            row = buffer.data();
        }

        if (indexOut) {
            ExpandBuf8(row, width, layout.pixelSize, LineToFill(bmp, y));
        } else if (layout.pixelSize == 32) {
            uint32_t* out = LineToFill32(bmp, y);
            const uint8_t* alpha = layout.planes == 4 ? row : nullptr;
            const uint8_t* red = row + (layout.planes == 4 ? plane : 0);
            const uint8_t* green = red + plane;
            const uint8_t* blue = green + plane;
            if (alpha) {
                for (int x = 0; x < width; ++x)
                    out[x] = MakePixel(red[x], green[x], blue[x], alpha[x]);
            } else {
                for (int x = 0; x < width; ++x)
                    out[x] = MakePixel(red[x], green[x], blue[x]);
            }
        } else {
            ExpandBuf(row, width, layout.pixelSize, table, LineToFill32(bmp, y));
        }
    }
}

} // namespace

void ExpandBuf(const uint8_t* in, int count, int bitsPerPixel, const uint32_t table[256], uint32_t* out)
{
    switch (bitsPerPixel) {
    case 1:
    case 2:
    case 4:
    case 8:
        ExpandPackedLine(in, count, bitsPerPixel, table, out);
        break;
    case 16:
        for (int x = 0; x < count; ++x, in += 2) {
            unsigned v = unsigned(in[0]) << 8 | in[1];
            out[x] = MakePixel(uint8_t(((v >> 10) & 0x1F) << 3), uint8_t(((v >> 5) & 0x1F) << 3),
                               uint8_t((v & 0x1F) << 3));
        }
        break;
    default:
        RaiseError(ErrBadFormat, kTextExpandBpp);
    }
}

void ExpandBuf8(const uint8_t* in, int count, int bitsPerPixel, uint8_t* out)
{
    if (bitsPerPixel != 1 && bitsPerPixel != 2 && bitsPerPixel != 4 && bitsPerPixel != 8)
        RaiseError(ErrBadFormat, kTextExpandBpp8);
    UnpackIndices(in, count, bitsPerPixel, out);
}

CPictDecoder::CPictDecoder()
    : m_ownJpegDecoder(std::make_unique<CJPEGDecoder>()), m_jpegDecoder(*m_ownJpegDecoder)
{
}

CPictDecoder::CPictDecoder(CJPEGDecoder& jpegDecoder) : m_jpegDecoder(jpegDecoder) {}

CPictDecoder::~CPictDecoder() = default;

void CPictDecoder::DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source)
{
    Trace(2, "Decoding mac pict.\n");
    source.Skip(kPreambleSize);
    source.Skip(2);   // picture size
    ReadRect(source); // picture frame

    unsigned b;
    while ((b = source.ReadByte()) == 0) {
    }
    if (b != OpVersion)
        RaiseError(ErrWrongSignature, kTextNoVersion);
    int version = source.ReadByte();
    if (version == 2) {
        if (source.ReadByte() != 0xFF)
            RaiseError(ErrWrongSignature, kTextBadVersion);
    } else if (version != 1) {
        RaiseError(ErrWrongSignature, kTextBadVersion);
    }
    Trace(2, "PICT version %d found.\n", version);

    auto allocPalette = [&palette]() {
        try {
            return AllocPalette(palette);
        } catch (const std::bad_alloc&) {
            RaiseError(ErrNoMemory, kTextTableMemory);
        }
    };

    // Creates the picture for a pixmap and fills it.
    auto decodePixMap = [&](unsigned rowBytes, const PixMapHeader& h, PaletteEntry* entries) {
        RowLayout layout(rowBytes, h.pixelSize, h.cmpCount, h.bounds.Width(), h.bounds.Height());
        source.CheckAvailable(layout.MinimumDataBytes());
        int depth = ResolveTargetDepth(h.pixelSize, wantedDepth);
        bmp.Create(layout.width, layout.height, depth == 32 ? 32 : 8, depth == 32 && h.cmpCount == 4);
        bmp.SetSourceBitsPerPixel(h.pixelSize);
        if (bmp.GetBitsPerPixel() == 8)
            bmp.SetPalette(entries);
        UnpackRows(source, bmp, layout, entries);
    };

    auto decodeBits = [&](bool region) {
        const unsigned rowBytes = source.ReadWordBE();
        PaletteEntry* entries = allocPalette();
        if (rowBytes & 0x8000) {
            PixMapHeader h = ReadPixMap(source);
            ReadColorTable(source, entries);
            source.Skip(2 * kRectSize + kModeSize);
            if (region)
                SkipSizedRecord(source);
            decodePixMap(rowBytes, h, entries);
            return;
        }
        Trace(2, "Reading version 1 bitmap.\n");
        PictRect bounds = ReadRect(source);
        TraceRect("  Bounds", bounds);
        source.Skip(2 * kRectSize);
        entries[0] = PaletteEntry{255, 255, 255, 255};
        entries[1] = PaletteEntry{0, 0, 0, 255};
        source.Skip(kModeSize);
        if (region)
            SkipSizedRecord(source);
        RowLayout layout(rowBytes, 1, 1, bounds.Width(), bounds.Height());
        source.CheckAvailable(layout.MinimumDataBytes());
        int depth = ResolveTargetDepth(1, wantedDepth);
        bmp.Create(layout.width, layout.height, uint16_t(depth), false);
        bmp.SetSourceBitsPerPixel(1);
        if (depth == 8)
            bmp.SetPalette(entries);
        UnpackRows(source, bmp, layout, entries);
    };

    auto skipPixPat = [&]() {
        const unsigned type = source.ReadWordBE();
        if (type == 1) {
            source.Skip(8);
            const unsigned rowBytes = source.ReadWordBE();
            PixMapHeader h = ReadPixMap(source);
            PaletteEntry scratch[256];
            ReadColorTable(source, scratch);
            RowLayout layout(rowBytes, h.pixelSize, h.cmpCount, std::max(h.bounds.Width(), 0),
                             std::max(h.bounds.Height(), 0));
            for (int y = 0; y < layout.height; ++y) {
                if (!layout.packed)
                    source.Skip(layout.rowBytes);
                else
                    source.Skip(layout.countBytes == 2 ? source.ReadWordBE() : source.ReadByte());
            }
        } else if (type == 2) {
            // The pattern and an RGB colour; the next opcode's alignment
            // takes the last byte.
            source.Skip(13);
        } else {
            RaiseError(ErrBadFormat, kTextPatternType);
        }
    };

    for (;;) {
        unsigned op;
        if (version == 2) {
            if (source.GetOffset() & 1)
                source.Skip(1);
            op = source.ReadWordBE();
        } else {
            op = source.ReadByte();
        }

        if (op <= OpLongComment) {
            if (GetTraceLevel() >= 2) {
                if (IsReservedOpcode(op))
                    Trace(2, "Opcode: reserved=0x%x\n", op);
                else
                    Trace(2, "Opcode: %s\n", OpcodeName(op).c_str());
            }
            switch (op) {
            case OpClip: {
                unsigned size = source.ReadWordBE();
                if (size == 10)
                    ReadRect(source);
                else
                    source.Skip(size > 2 ? size - 2 : 0);
                break;
            }
            case 0x12:
            case 0x13:
            case 0x14:
                skipPixPat();
                break;
            case OpLongText:
                SkipText(source, 4);
                break;
            case OpDHText:
            case OpDVText:
                SkipText(source, 1);
                break;
            case OpDHDVText:
                SkipText(source, 2);
                break;
            case OpBitsRect:
            case OpPackBitsRect:
                decodeBits(false);
                return;
            case OpBitsRgn:
            case OpPackBitsRgn:
                decodeBits(true);
                return;
            case OpDirectBits: {
                source.Skip(4); // base address
                // The stored rowBytes decides the size of the packed byte
                // counts (QuickDraw and ImageMagick write 4 x width for 32
                // bits, so 2-byte counts from width 63 on); 0 falls back to
                // the width.
                const unsigned rowBytes = source.ReadWordBE();
                PixMapHeader h = ReadPixMap(source);
                source.Skip(2 * kRectSize + kModeSize);
                decodePixMap(rowBytes, h, allocPalette());
                return;
            }
            case OpLongComment:
                source.Skip(2); // kind
                source.Skip(source.ReadWordBE());
                break;
            default:
                if (op >= OpFramePoly && op <= OpLastPoly) {
                    Trace(3, "Skipping polygon or region.\n");
                    SkipSizedRecord(source);
                } else if (op >= OpFrameRgn && op <= OpLastRgn) {
                    Trace(3, "Skipping polygon or region.\n");
                    SkipSizedRecord(source);
                } else {
                    int length = OpcodeDataLength(op);
                    source.Skip(length == kVariable ? source.ReadWordBE() : size_t(length));
                }
                break;
            }
            continue;
        }

        if (op == OpEndPic || op == OpEndPicV2) {
            Trace(2, "Opcode: End of pict.\n");
            RaiseError(ErrUnsupported, kTextVectorOnly);
        }
        if (op == OpHeader) {
            Trace(2, "Opcode: Header.\n");
            source.Skip(24);
            continue;
        }
        if (op == OpCompressedQuickTime) {
            Trace(2, "Opcode: JPEG.\n");
            DecodeEmbeddedJPEG(bmp, wantedDepth, source);
            return;
        }
        Trace(2, "Opcode: reserved 0x%x.\n", op);
        if (op <= 0xAF)
            source.Skip(source.ReadWordBE());
        else if (op <= 0xCF)
            continue;
        else if (op <= 0xFE)
            source.Skip(source.ReadLongBE());
        else if (op <= 0x1FA3)
            source.Skip((op >> 7) & 0xFF);
        else if (op <= 0x7FFF)
            source.Skip(source.ReadLongBE());
        else if (op <= 0x80FF)
            continue;
        else
            source.Skip(source.ReadLongBE());
    }
}

void CPictDecoder::DecodeEmbeddedJPEG(CBmp& bmp, int& wantedDepth, CDataSource& source)
{
    const size_t length = source.ReadLongBE();
    const int depth = ResolveTargetDepth(32, wantedDepth);
    const size_t available = std::min(length, source.GetRemaining());
    const uint8_t* start = source.GetPosition();
    static constexpr uint8_t kSoi[3] = {0xFF, 0xD8, 0xFF};
    const uint8_t* end = start + available;
    const uint8_t* found = std::search(start, end, kSoi, kSoi + 3);
    if (found == end) {
        if (length > available)
            throw CTextException(ErrEndOfFile, kTextEndOfFile);
        RaiseError(ErrUnsupported, kTextQuickTime);
    }
    CMemSource jpeg(found, size_t(end - found), source.GetName());
    m_jpegDecoder.Decode(jpeg, bmp, depth);
}
