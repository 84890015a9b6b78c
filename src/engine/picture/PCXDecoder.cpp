#include "engine/picture/PCXDecoder.h"

#include "engine/picture/LineExpanders.h"
#include "engine/picture/PcxHeader.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr const char* kTextTooManyPlanes = "Can't handle image with more then 4 planes";
constexpr const char* kTextCantHandle = "Can't handle image";
constexpr const char* kTextRunSpansEnd = "Repeat count spans end of image.";
constexpr const char* kTextBadPaletteMarker = "Bad color map signature.";
constexpr const char* kTextPlanarDepth = "Can't handle more then 1 bit per pixel";
constexpr const char* kTextBadSize = "Bad image size.";
constexpr const char* kTextShortLines = "Bytes per line too few for the width.";

constexpr uint8_t kPaletteMarker = 12;

// The run-length stream of the whole image, handed out line by line. A
// run may continue into the next line but never past the image's end.
class RleReader {
  public:
    RleReader(CDataSource& source, size_t imageBytes) : m_source(source), m_missing(imageBytes) {}

    void Fill(uint8_t* out, size_t n)
    {
        size_t i = 0;
        while (i < n) {
            if (m_runLeft > 0) {
                size_t k = std::min(m_runLeft, n - i);
                std::memset(out + i, m_runValue, k);
                i += k;
                m_runLeft -= k;
                m_missing -= k;
                continue;
            }
            // Literal bytes are the common case in photographs: take them
            // straight from the file until a run byte.
            const uint8_t* p = m_source.GetPosition();
            size_t avail = std::min(m_source.GetRemaining(), n - i);
            size_t literals = 0;
            while (literals < avail && p[literals] < 0xC0)
                ++literals;
            if (literals > 0) {
                std::memcpy(out + i, p, literals);
                m_source.Skip(literals);
                i += literals;
                m_missing -= literals;
                continue;
            }
            m_runLeft = ReadRun();
        }
    }

    // Walks the rest of the stream without writing it.
    void SkipAll()
    {
        while (m_missing > 0) {
            uint8_t c = m_source.ReadByte();
            if (c < 0xC0) {
                --m_missing;
            } else {
                size_t count = CheckRun(c & 0x3Fu);
                m_source.Skip(1);
                m_missing -= count;
            }
        }
    }

  private:
    size_t ReadRun()
    {
        uint8_t c = m_source.ReadByte();
        m_runValue = m_source.ReadByte();
        return CheckRun(c & 0x3Fu);
    }
    size_t CheckRun(size_t count)
    {
        if (count > m_missing)
            RaiseError(ErrUnsupported, kTextRunSpansEnd);
        return count;
    }

    CDataSource& m_source;
    size_t m_missing;
    size_t m_runLeft = 0;
    uint8_t m_runValue = 0;
};

} // namespace

void CPCXDecoder::DecodeInto(CBmp& bmp, PaletteHolder&, int&, CDataSource& source)
{
    Trace(2, "Decoding PCX.\n");
    const PcxHeader header = ParsePcxHeader(source.ReadSpan(kPcxHeaderSize));
    const int version = header.version;
    const int bits = header.bitsPerPixel;
    const int planes = header.planes;
    const int width = header.Width();
    const int height = header.Height();
    const size_t bytesPerLine = header.bytesPerLine;

    if (bits == 1) {
        if (planes > 4)
            RaiseError(ErrUnsupported, kTextTooManyPlanes);
        // No planes means no data for any pixel.
        if (planes == 0)
            RaiseError(ErrUnsupported, kTextCantHandle);
    } else if (bits == 2 || bits == 4 || bits == 8) {
        if (planes != 1 && planes != 3)
            RaiseError(ErrUnsupported, kTextCantHandle);
    } else {
        RaiseError(ErrUnsupported, kTextCantHandle);
    }
    if (width < 0 || height < 0)
        RaiseError(ErrBadFormat, kTextBadSize);
    // Lines must hold the pixels they claim; this also bounds the picture
    // by the data the file holds.
    if (bytesPerLine < (size_t(width) * size_t(bits) + 7) / 8)
        RaiseError(ErrBadFormat, kTextShortLines);

    const size_t lineBytes = bytesPerLine * size_t(planes);
    const size_t imageBytes = lineBytes * size_t(height);
    // Two bytes give at most 63: a file too short for the image fails now,
    // before a picture of its claimed size is allocated.
    const size_t remaining = source.GetRemaining();
    if (imageBytes > remaining / 2 * 63 + remaining % 2)
        throw CTextException(ErrEndOfFile, kTextEndOfFile);

    CheckPictureSize(width, height);
    bmp.Create(width, height, 32, false);
    bmp.SetSourceBitsPerPixel(bits == 8 ? 8 * planes : bits);

    PaletteEntry palette[256] = {};
    for (int i = 0; i < 16; ++i) {
        const uint8_t* rgb = header.colorMap.data() + 3 * i;
        palette[i] = PaletteEntry{rgb[2], rgb[1], rgb[0], 255};
    }
    const bool planar = planes > 1;
    const bool trailingPalette = version == 5 && bits == 8 && planes == 1;
    if (trailingPalette || (planar && bits != 1 && bits != 8)) {
        // The palette follows the image data; find its end first.
        const size_t start = source.GetOffset();
        RleReader(source, imageBytes).SkipAll();
        if (planar)
            RaiseError(ErrUnsupported, kTextPlanarDepth);
        if (source.ReadByte() != kPaletteMarker)
            RaiseError(ErrWrongSignature, kTextBadPaletteMarker);
        const uint8_t* rgb = source.ReadBytes(256 * 3);
        for (int i = 0; i < 256; ++i)
            palette[i] = PaletteEntry{rgb[3 * i + 2], rgb[3 * i + 1], rgb[3 * i], 255};
        source.Seek(start);
    }
    for (int i = 0; i < 256; ++i)
        palette[i].alpha = 255;
    uint32_t table[256];
    BuildPixelTable(palette, table);

    std::vector<uint8_t> line(lineBytes);
    // Indices gathered from the bit planes; bytesPerLine covers the width.
    std::vector<uint8_t> indices(planar && bits == 1 ? bytesPerLine * 8 : 0);
    RleReader rle(source, imageBytes);
    for (int y = 0; y < height; ++y) {
        rle.Fill(line.data(), lineBytes);
        uint32_t* out = LineToFill32(bmp, y);
        const uint8_t* in = line.data();
        if (bits == 8 && planes == 3) {
            const uint8_t* g = in + bytesPerLine;
            const uint8_t* b = g + bytesPerLine;
            for (int x = 0; x < width; ++x)
                out[x] = MakePixel(in[x], g[x], b[x]);
        } else if (planes == 1) {
            ExpandPackedLine(in, width, bits, table, out);
        } else {
            // One bit per plane; plane i gives bit i of the index.
            std::fill(indices.begin(), indices.end(), uint8_t(0));
            for (int i = 0; i < planes; ++i)
                OrPlaneIntoIndices(indices.data(), in + size_t(i) * bytesPerLine, bytesPerLine, i);
            ExpandIndexedLine(indices.data(), width, table, out);
        }
    }
}
