#include "engine/save/IFFEncoder.h"

#include "engine/picture/IffHeader.h"
#include "engine/picture/OutputFile.h"
#include "engine/picture/TextException.h"
#include "engine/picture/WinBmp.h"
#include "engine/save/ColorHash.h"

#include <algorithm>

namespace {

constexpr int kMaxDimension = 65535; // BMHD holds 16-bit sizes

// FORM's size counts everything after its own 8 bytes except the CMAP data
// and the BODY data: "ILBM", BMHD (8 + 20), CMAP header, CAMG (8 + 4) and
// BODY header.
constexpr uint32_t kFixedChunkBytes = 4 + 28 + 8 + 12 + 8;

int PlanesFor(int colors)
{
    int planes = 1;
    while ((1 << planes) < colors)
        ++planes;
    return planes;
}

void WriteChunkHeader(COutputFile& file, const char* id, uint32_t size)
{
    file.Write(id, 4);
    file.WriteLongBE(size);
}

} // namespace

void CIFFEncoder::Save(const std::string& path, CBmp& bmp)
{
    CheckSizeForFormat(bmp, kMaxDimension, kMaxDimension);
    std::unique_ptr<CWinBmp> converted;
    const CBmp* source = &As32Bits(bmp, converted);
    int width = source->GetWidth(), height = source->GetHeight();

    CReducedPalette palette = ReducePalette(*source);
    int n = palette.Count();
    int planes = PlanesFor(n);
    size_t rowBytes = size_t((width + 15) / 16) * 2;
    // A picture holds at most 2^28 pixels, so even 8 planes of padded rows
    // stay far inside the 32-bit chunk size.
    auto bodySize = uint32_t(rowBytes * size_t(planes) * size_t(height));
    auto mapSize = uint32_t(3 * n);
    uint32_t mapPad = mapSize & 1;

    // Indices are padded to whole words of pixels and rows keep their pad
    // bytes; both paddings stay 0.
    auto indices = AllocateBuffer<uint8_t>(rowBytes * 8);
    std::fill_n(indices.get(), rowBytes * 8, uint8_t(0));
    auto row = AllocateBuffer<uint8_t>(rowBytes * size_t(planes));
    std::fill_n(row.get(), rowBytes * size_t(planes), uint8_t(0));
    size_t groups = (size_t(width) + 7) / 8;
    COutputFile file(path);
    WriteChunkHeader(file, "FORM", mapSize + mapPad + bodySize + kFixedChunkBytes);
    file.Write("ILBM", 4);

    IffBitmapHeader header;
    header.width = header.pageWidth = uint16_t(width);
    header.height = header.pageHeight = uint16_t(height);
    header.planes = uint8_t(planes); // no mask, no compression
    WriteChunkHeader(file, "BMHD", kBmhdSize);
    const auto bytes = BmhdBytes(header);
    file.Write(bytes.data(), bytes.size());

    WriteChunkHeader(file, "CMAP", mapSize);
    for (const colorhist_item& c : palette.colors) {
        uint8_t rgb[3] = {c.red, c.green, c.blue};
        file.Write(rgb, 3);
    }
    if (mapPad)
        file.WriteByte(0);

    WriteChunkHeader(file, "CAMG", 4);
    file.WriteLongBE(0);

    WriteChunkHeader(file, "BODY", bodySize);
    for (int y = 0; y < height; ++y) {
        MapLineToIndices(palette, palette.pixels->GetLine32(y), width, indices.get());
        for (int k = 0; k < planes; ++k)
            for (size_t i = 0; i < groups; ++i)
                row[size_t(k) * rowBytes + i] = GatherPlaneByte(indices.get() + 8 * i, k);
        file.Write(row.get(), rowBytes * size_t(planes));
    }
    file.Commit();
}
