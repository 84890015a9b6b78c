#include "engine/picture/PPMDecoder.h"

#include "engine/picture/LineExpanders.h"

#include <cstring>
#include <vector>

namespace {

constexpr const char* kTextBadMagic = "Bad magic number - not a ppm, pgm, or pbm file.";
constexpr const char* kTextGrayMaxval = "Maxval is too large - try reconfiguring with PGM_BIGGRAYS.";
constexpr const char* kTextPixMaxval =
    "Maxval is too large - try reconfiguring with PGM_BIGGRAYS\n    or without PPM_PACKCOLORS";
constexpr const char* kTextJunkInteger = "Junk in file where an integer should be";
constexpr const char* kTextJunkBits = "Junk in file where bits should be.";
// Not in the classic reader, which had no bound on the digits and divided by
// nothing; both are needed once values are stretched to 0..255.
constexpr const char* kTextIntegerTooLarge = "Integer too large in file.";
constexpr const char* kTextZeroMaxval = "Maxval of 0 in file.";
// A picture without pixels: 0 x 100000000 would still cost a line table.
constexpr const char* kTextNoPixels = "Width or height is 0.";

// Longest number we accept; width, height and maxval all fit well below it.
constexpr uint32_t kMaxInteger = 0x7FFFFFFF;

// Reads the text parts of a PNM file: whitespace, "#" comments up to the end
// of the line, decimal integers and plain bits.
class PnmText {
  public:
    explicit PnmText(CDataSource& source) : m_source(source) {}

    uint32_t ReadInteger()
    {
        int c = SkipSpace();
        if (c < '0' || c > '9')
            RaiseError(ErrInternal, kTextJunkInteger);
        uint64_t value = 0;
        for (;;) {
            value = value * 10 + uint64_t(c - '0');
            if (value > kMaxInteger)
                RaiseError(ErrInternal, kTextIntegerTooLarge);
            // The last number of a plain file may end at the end of the file.
            if (m_source.GetRemaining() == 0)
                return uint32_t(value);
            c = m_source.ReadByte();
            if (c < '0' || c > '9')
                break;
        }
        // The character that ended the number is consumed; a comment that
        // starts right after a number runs to the end of its line.
        if (c == '#')
            SkipComment();
        return uint32_t(value);
    }

    bool ReadBit()
    {
        int c = SkipSpace();
        if (c != '0' && c != '1')
            RaiseError(ErrInternal, kTextJunkBits);
        return c == '1';
    }

  private:
    static bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

    // Returns the first character that is neither whitespace nor comment.
    int SkipSpace()
    {
        for (;;) {
            int c = m_source.ReadByte();
            if (c == '#')
                SkipComment();
            else if (!IsSpace(c))
                return c;
        }
    }

    void SkipComment()
    {
        while (m_source.GetRemaining() > 0) {
            int c = m_source.ReadByte();
            if (c == '\n' || c == '\r')
                return;
        }
    }

    CDataSource& m_source;
};

// Largest maxval: two bytes per raw sample.
constexpr uint32_t kMaxMaxval = 65535;

// Stretches 0..maxval to 0..255, rounded; values above maxval are white.
class Scale {
  public:
    explicit Scale(uint32_t maxval) : m_table(maxval + 1)
    {
        for (uint32_t v = 0; v <= maxval; ++v)
            m_table[v] = uint8_t((v * 255 + maxval / 2) / maxval);
    }
    uint8_t operator()(uint32_t v) const { return v < m_table.size() ? m_table[v] : 255; }

  private:
    std::vector<uint8_t> m_table;
};

} // namespace

void CPPMDecoder::DecodeInto(CBmp& bmp, PaletteHolder&, int& wantedDepth, CDataSource& source)
{
    Trace(2, "Decoding PNM.\n");
    const uint8_t* magic = source.ReadBytes(2);
    if (magic[0] != 'P' || magic[1] < '1' || magic[1] > '6')
        RaiseError(ErrBadFormat, kTextBadMagic);
    const int kind = magic[1] - '0';
    const bool raw = kind >= 4;
    const bool bitmap = kind == 1 || kind == 4;
    const bool pixmap = kind == 3 || kind == 6;

    PnmText text(source);
    const uint32_t width = text.ReadInteger();
    const uint32_t height = text.ReadInteger();
    uint32_t maxval = 1;
    if (!bitmap) {
        maxval = text.ReadInteger();
        if (maxval > kMaxMaxval)
            RaiseError(ErrInternal, pixmap ? kTextPixMaxval : kTextGrayMaxval);
        if (maxval == 0)
            RaiseError(ErrInternal, kTextZeroMaxval);
    }
    if (width == 0 || height == 0)
        RaiseError(ErrBadFormat, kTextNoPixels);
    CheckPictureSize(width, height);

    const int samples = pixmap ? 3 : 1;
    // Samples above 255 take two bytes, most significant first.
    const size_t sampleBytes = maxval > 255 ? 2 : 1;
    const size_t rawRowBytes =
        kind == 4 ? (size_t(width) + 7) / 8 : size_t(width) * size_t(samples) * sampleBytes;
    // Every sample takes at least one byte, so a short file is refused
    // before a large picture is allocated for it.
    if (raw)
        source.CheckAvailable(rawRowBytes * height);
    else
        source.CheckAvailable(size_t(width) * height * size_t(samples));

    bmp.Create(int(width), int(height), 32, false);
    bmp.SetSourceBitsPerPixel(bitmap ? 1 : int(samples * 8 * sampleBytes));
    wantedDepth = 32;

    const Scale scale(maxval);
    const uint32_t black = MakePixel(0, 0, 0);
    const uint32_t white = MakePixel(255, 255, 255);
    // A set bit is black.
    uint32_t bitTable[256] = {white, black};

    for (uint32_t y = 0; y < height; ++y) {
        uint32_t* out = LineToFill32(bmp, int(y));
        if (raw) {
            const uint8_t* in = source.ReadBytes(rawRowBytes);
            switch (kind) {
            case 4:
                ExpandPackedLine(in, int(width), 1, bitTable, out);
                break;
            case 5:
                if (sampleBytes == 2) {
                    for (uint32_t x = 0; x < width; ++x, in += 2) {
                        uint8_t v = scale(uint32_t(in[0]) << 8 | in[1]);
                        out[x] = MakePixel(v, v, v);
                    }
                } else {
                    for (uint32_t x = 0; x < width; ++x) {
                        uint8_t v = scale(in[x]);
                        out[x] = MakePixel(v, v, v);
                    }
                }
                break;
            default:
                if (sampleBytes == 2) {
                    for (uint32_t x = 0; x < width; ++x, in += 6)
                        out[x] = MakePixel(scale(uint32_t(in[0]) << 8 | in[1]),
                                           scale(uint32_t(in[2]) << 8 | in[3]),
                                           scale(uint32_t(in[4]) << 8 | in[5]));
                } else if (maxval == 255) {
                    for (uint32_t x = 0; x < width; ++x, in += 3)
                        out[x] = MakePixel(in[0], in[1], in[2]);
                } else {
                    for (uint32_t x = 0; x < width; ++x, in += 3)
                        out[x] = MakePixel(scale(in[0]), scale(in[1]), scale(in[2]));
                }
                break;
            }
            continue;
        }
        switch (kind) {
        case 1:
            for (uint32_t x = 0; x < width; ++x)
                out[x] = text.ReadBit() ? black : white;
            break;
        case 2:
            for (uint32_t x = 0; x < width; ++x) {
                uint8_t v = scale(text.ReadInteger());
                out[x] = MakePixel(v, v, v);
            }
            break;
        default:
            for (uint32_t x = 0; x < width; ++x) {
                uint8_t r = scale(text.ReadInteger());
                uint8_t g = scale(text.ReadInteger());
                uint8_t b = scale(text.ReadInteger());
                out[x] = MakePixel(r, g, b);
            }
            break;
        }
    }
    Trace(3, "Decoding finished.\n");
}
