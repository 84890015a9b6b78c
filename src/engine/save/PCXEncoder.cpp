#include "engine/save/PCXEncoder.h"

#include "engine/picture/OutputFile.h"
#include "engine/picture/PcxHeader.h"
#include "engine/picture/TextException.h"
#include "engine/picture/WinBmp.h"
#include "engine/save/ColorHash.h"

#include <algorithm>
#include <array>

namespace {

constexpr const char* kTextWritingData = "Error writing data.";

constexpr uint8_t kPaletteMarker = 12;
constexpr int kMaxDimension = 65535; // the window fields are 16 bits

// Byte writes of this writer report their own text.
class CPcxFile {
  public:
    explicit CPcxFile(const std::string& path) : m_file(path) {}
    void Write(const void* data, size_t size)
    {
        try {
            m_file.Write(data, size);
        } catch (const CTextException&) {
            throw CTextException(ErrWriting, kTextWritingData);
        }
    }
    void Commit() { m_file.Commit(); }

  private:
    COutputFile m_file;
};

// The window and size fields for the picture, the 16-entry map all white.
PcxHeader HeaderFor(const CBmp& bmp)
{
    PcxHeader header;
    header.xMax = uint16_t(bmp.GetWidth() - 1);
    header.yMax = uint16_t(bmp.GetHeight() - 1);
    // The resolution fields carry the size.
    header.hResolution = uint16_t(bmp.GetWidth());
    header.vResolution = uint16_t(bmp.GetHeight());
    header.colorMap.fill(255);
    return header;
}

void SaveTrueColor(const std::string& path, const CBmp& bmp)
{
    size_t width = size_t(bmp.GetWidth());
    PcxHeader header = HeaderFor(bmp);
    header.bitsPerPixel = 8;
    header.planes = 3;
    header.bytesPerLine = uint16_t(width);

    auto plane = AllocateBuffer<uint8_t>(width);
    auto packed = AllocateBuffer<uint8_t>(2 * width);
    CPcxFile file(path);
    const auto bytes = PcxHeaderBytes(header);
    file.Write(bytes.data(), bytes.size());
    for (int y = 0; y < bmp.GetHeight(); ++y) {
        const uint8_t* line = bmp.GetLine(y);
        for (int channel = 2; channel >= 0; --channel) { // red, green, blue
            for (size_t x = 0; x < width; ++x)
                plane[x] = line[4 * x + size_t(channel)];
            file.Write(packed.get(), PcxEncodeLine(plane.get(), width, packed.get()));
        }
    }
    file.Commit();
}

int PlanesFor(int colors)
{
    return colors <= 2 ? 1 : colors <= 4 ? 2 : colors <= 8 ? 3 : 4;
}

void SavePalette(const std::string& path, const CBmp& bmp)
{
    CReducedPalette palette = ReducePalette(bmp);
    int n = palette.Count();
    size_t width = size_t(bmp.GetWidth());
    PcxHeader header = HeaderFor(bmp);
    for (int i = 0; i < std::min(n, 16); ++i) {
        header.colorMap[size_t(3 * i)] = palette.colors[size_t(i)].red;
        header.colorMap[size_t(3 * i + 1)] = palette.colors[size_t(i)].green;
        header.colorMap[size_t(3 * i + 2)] = palette.colors[size_t(i)].blue;
    }
    bool planar = n <= 16;
    int planes = planar ? PlanesFor(n) : 1;
    size_t planeBytes = planar ? (width + 7) / 8 : width;
    header.bitsPerPixel = planar ? 1 : 8;
    header.planes = uint8_t(planes);
    header.bytesPerLine = uint16_t(planeBytes);

    // Indices are padded to whole bytes of pixels; the padding stays 0.
    size_t indexCount = planar ? planeBytes * 8 : width;
    auto indices = AllocateBuffer<uint8_t>(indexCount);
    std::fill_n(indices.get(), indexCount, uint8_t(0));
    auto plane = AllocateBuffer<uint8_t>(planeBytes);
    auto packed = AllocateBuffer<uint8_t>(2 * planeBytes);
    CPcxFile file(path);
    const auto bytes = PcxHeaderBytes(header);
    file.Write(bytes.data(), bytes.size());
    for (int y = 0; y < bmp.GetHeight(); ++y) {
        MapLineToIndices(palette, palette.pixels->GetLine32(y), int(width), indices.get());
        if (!planar) {
            file.Write(packed.get(), PcxEncodeLine(indices.get(), width, packed.get()));
            continue;
        }
        for (int k = 0; k < planes; ++k) {
            for (size_t i = 0; i < planeBytes; ++i)
                plane[i] = GatherPlaneByte(indices.get() + 8 * i, k);
            file.Write(packed.get(), PcxEncodeLine(plane.get(), planeBytes, packed.get()));
        }
    }
    if (!planar) {
        std::array<uint8_t, 1 + 768> map;
        map.fill(255);
        map[0] = kPaletteMarker;
        for (int i = 0; i < n; ++i) {
            map[size_t(1 + 3 * i)] = palette.colors[size_t(i)].red;
            map[size_t(2 + 3 * i)] = palette.colors[size_t(i)].green;
            map[size_t(3 + 3 * i)] = palette.colors[size_t(i)].blue;
        }
        file.Write(map.data(), map.size());
    }
    file.Commit();
}

} // namespace

size_t PcxEncodeLine(const uint8_t* in, size_t count, uint8_t* out)
{
    size_t length = 0;
    for (size_t pos = 0; pos < count;) {
        uint8_t value = in[pos];
        size_t run = 1;
        while (run < 63 && pos + run < count && in[pos + run] == value)
            ++run;
        if (run > 1 || value >= 0xC0)
            out[length++] = uint8_t(0xC0 | run);
        out[length++] = value;
        pos += run;
    }
    return length;
}

void CPCXEncoder::Save(const std::string& path, CBmp& bmp, int depth)
{
    CheckSizeForFormat(bmp, kMaxDimension, kMaxDimension);
    std::unique_ptr<CWinBmp> converted;
    const CBmp* source = &As32Bits(bmp, converted);
    if (depth == 24)
        SaveTrueColor(path, *source);
    else
        SavePalette(path, *source);
}
