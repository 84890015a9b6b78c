#include "engine/picture/RASDecoder.h"

#include "engine/picture/LineExpanders.h"
#include "engine/picture/RasHeader.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr const char* kTextInvalidWidth = "Invalid width";
constexpr const char* kTextInvalidHeight = "Invalid height";
constexpr const char* kTextNonStandardMap = "Rasterfile has a non-standard colormap.";
constexpr const char* kTextBadDepth = "Can only handle depth 1, 8, 24, or 32.";
constexpr const char* kTextMapData = "Unable to skip colormap data";
constexpr const char* kTextImageData = "Unable to read in the image from the rasterfile.";

constexpr uint8_t kRunEscape = 0x80;

// Red, green and blue tables of up to 256 entries; indices beyond the map
// read as black.
struct RasColorMap {
    bool present = false;
    bool grayscale = true;
    uint32_t entries = 0;
    uint8_t red[256] = {}, green[256] = {}, blue[256] = {};
};

void ReadColorMap(const RasHeader& h, CDataSource& source, RasColorMap& map)
{
    if (h.mapLength == 0)
        return;
    const uint8_t* data = source.ReadBytes(h.mapLength);
    if (h.mapType == RasMapEqualRGB) {
        uint32_t n = h.mapLength / 3;
        map.entries = std::min<uint32_t>(n, 256);
        for (uint32_t i = 0; i < map.entries; ++i) {
            map.red[i] = data[i];
            map.green[i] = data[n + i];
            map.blue[i] = data[2 * n + i];
        }
    } else if (h.mapType == RasMapRaw) {
        map.entries = std::min<uint32_t>(h.mapLength, 256);
        std::memcpy(map.red, data, map.entries);
        std::memcpy(map.green, data, map.entries);
        std::memcpy(map.blue, data, map.entries);
    } else {
        // Maps of other types are skipped.
        return;
    }
    map.present = true;
    for (uint32_t i = 0; i < map.entries; ++i)
        if (map.red[i] != map.green[i] || map.red[i] != map.blue[i])
            map.grayscale = false;
}

void CheckMapFitsDepth(const RasHeader& h, const RasColorMap& map)
{
    bool ok;
    switch (h.depth) {
    case 1:
        ok = (h.mapType == RasMapNone && h.mapLength == 0) ||
             (h.mapType == RasMapEqualRGB && h.mapLength == 6);
        break;
    case 8:
        ok = !map.present || map.grayscale || h.mapType == RasMapEqualRGB;
        break;
    case 24:
    case 32:
        ok = !map.present || h.mapType == RasMapRaw || h.mapLength == 768;
        break;
    default:
        RaiseError(ErrBadFormat, kTextBadDepth);
    }
    if (!ok)
        RaiseError(ErrBadFormat, kTextNonStandardMap);
}

// Byte-encoded data, produced row by row: 0x80 0 is one 0x80, 0x80 c v is
// c + 1 times v, any other byte is itself. A run may span rows.
class ByteRunReader {
  public:
    ByteRunReader(const uint8_t* data, size_t size) : m_in(data), m_end(data + size) {}

    // Fills out[0, n); returns the bytes written (less at the end of input).
    size_t Read(uint8_t* out, size_t n)
    {
        size_t done = 0;
        while (done < n) {
            if (m_pending > 0) {
                size_t k = std::min(m_pending, n - done);
                std::memset(out + done, m_value, k);
                done += k;
                m_pending -= k;
                continue;
            }
            if (m_in == m_end)
                break;
            uint8_t b = *m_in++;
            if (b != kRunEscape) {
                out[done++] = b;
                continue;
            }
            if (m_in == m_end)
                break;
            uint8_t count = *m_in++;
            if (count == 0) {
                out[done++] = kRunEscape;
                continue;
            }
            if (m_in == m_end)
                break;
            m_value = *m_in++;
            m_pending = size_t(count) + 1;
        }
        return done;
    }

  private:
    const uint8_t* m_in;
    const uint8_t* m_end;
    size_t m_pending = 0;
    uint8_t m_value = 0;
};

// The longest output three input bytes can give.
constexpr size_t kMaxRunExpansion = 86;

} // namespace

void CRASDecoder::DecodeInto(CBmp& bmp, PaletteHolder&, int& wantedDepth, CDataSource& source)
{
    Trace(2, "Decoding RAS.\n");
    const RasHeader h = ParseRasHeader(source.ReadSpan(kRasHeaderSize));
    if (h.width == 0 || (h.width & 0x80000000u))
        RaiseError(ErrBadFormat, kTextInvalidWidth);
    if (h.height == 0 || (h.height & 0x80000000u))
        RaiseError(ErrBadFormat, kTextInvalidHeight);

    RasColorMap map;
    ReadColorMap(h, source, map);
    CheckMapFitsDepth(h, map);
    if (h.type != RasStandard && h.type != RasByteEncoded && h.type != RasRGB)
        RaiseError(ErrBadFormat, kTextImageData);

    CheckPictureSize(h.width, h.height);
    const size_t width = h.width;
    const size_t height = h.height;
    const size_t rowBytes = (width * h.depth + 15) / 16 * 2;
    const size_t imageBytes = rowBytes * height;

    // Where the rows come from: the file image itself for stored data, a
    // row buffer filled from the runs for byte-encoded data.
    const uint8_t* stored = nullptr;
    size_t storedBytes = 0;
    std::unique_ptr<ByteRunReader> runs;
    if (h.type == RasByteEncoded) {
        size_t length = h.length ? h.length : source.GetRemaining();
        source.CheckAvailable(length);
        if (length < imageBytes / kMaxRunExpansion)
            throw CTextException(ErrEndOfFile, kTextEndOfFile);
        runs = std::make_unique<ByteRunReader>(source.ReadBytes(length), length);
    } else {
        // Stored rows are read whole whatever the length field says: a
        // length of 0 or one beyond the image is common, and a short one
        // would leave rows undefined.
        storedBytes = imageBytes;
        stored = source.ReadBytes(storedBytes);
    }

    bmp.Create(int(width), int(height), 32, false);
    bmp.SetSourceBitsPerPixel(int(h.depth));
    wantedDepth = 32;

    uint32_t table[256];
    for (uint32_t i = 0; i < 256; ++i) {
        if (map.present)
            table[i] =
                i < map.entries ? MakePixel(map.red[i], map.green[i], map.blue[i]) : MakePixel(0, 0, 0);
        else
            table[i] = MakePixel(uint8_t(i), uint8_t(i), uint8_t(i));
    }
    // 1-bit pictures without a map are black on white.
    if (h.depth == 1 && !map.present) {
        table[0] = MakePixel(255, 255, 255);
        table[1] = MakePixel(0, 0, 0);
    }
    const bool rgbOrder = h.type == RasRGB;
    const bool channelMap = map.present && h.depth >= 24;
    const size_t pad = h.depth == 32 ? 1 : 0;
    const size_t step = h.depth / 8;

    std::vector<uint8_t> row(rowBytes);
    for (size_t y = 0; y < height; ++y) {
        const uint8_t* in;
        if (runs) {
            if (runs->Read(row.data(), rowBytes) < rowBytes)
                throw CTextException(ErrEndOfFile, kTextEndOfFile);
            in = row.data();
        } else {
            in = stored + y * rowBytes;
        }
        uint32_t* out = LineToFill32(bmp, int(y));
        switch (h.depth) {
        case 1:
        case 8:
            ExpandPackedLine(in, int(width), int(h.depth), table, out);
            break;
        default:
            in += pad;
            if (channelMap) {
                for (size_t x = 0; x < width; ++x, in += step) {
                    uint8_t r = rgbOrder ? in[0] : in[2];
                    uint8_t b = rgbOrder ? in[2] : in[0];
                    out[x] = MakePixel(map.red[r], map.green[in[1]], map.blue[b]);
                }
            } else if (rgbOrder) {
                for (size_t x = 0; x < width; ++x, in += step)
                    out[x] = MakePixel(in[0], in[1], in[2]);
            } else if (step == 3) {
                ExpandBgrLine(in, int(width), out);
            } else {
                for (size_t x = 0; x < width; ++x, in += step)
                    out[x] = MakePixel(in[2], in[1], in[0]);
            }
            break;
        }
    }
    Trace(3, "Decoding finished.\n");
}
