#include "engine/save/GIFEncoder.h"

#include "engine/picture/OutputFile.h"
#include "engine/picture/TextException.h"
#include "engine/save/ColorHash.h"
#include "engine/save/LzwEncoder.h"

#include <algorithm>
#include <vector>

int GifBitsForColors(int n)
{
    int bits = 1;
    while (bits < 8 && (1 << bits) < n)
        ++bits;
    return bits;
}

void CGIFEncoder::Save(const std::string& path, CBmp& bmp, bool interlaced)
{
    const int width = bmp.GetWidth();
    const int height = bmp.GetHeight();
    // Screen and image sizes are 16-bit fields.
    if (width > 0xFFFF || height > 0xFFFF)
        throw CTextException(ErrUnsupported, kTextGifTooLarge);

    COutputFile file(path);
    const CReducedPalette palette = ReducePalette(bmp);
    const int colors = palette.Count();
    if (colors > 256)
        throw CTextException(ErrInternal, kTextInternalError);
    const int bits = GifBitsForColors(colors);

    // Header and logical screen descriptor.
    file.Write("GIF87a", 6);
    file.WriteWordLE(uint16_t(width));
    file.WriteWordLE(uint16_t(height));
    file.WriteByte(uint8_t(0x80 | (bits - 1) << 4 | (bits - 1)));
    file.WriteByte(0); // background colour index
    file.WriteByte(0); // aspect ratio

    // Global colour table of 2^bits entries, red, green, blue; the entries
    // after the last colour are zero.
    uint8_t table[3 * 256] = {};
    for (int i = 0; i < colors; ++i) {
        table[3 * i] = palette.colors[size_t(i)].red;
        table[3 * i + 1] = palette.colors[size_t(i)].green;
        table[3 * i + 2] = palette.colors[size_t(i)].blue;
    }
    file.Write(table, size_t(3) << bits);

    // Image descriptor, no local table.
    file.WriteByte(',');
    file.WriteWordLE(0);
    file.WriteWordLE(0);
    file.WriteWordLE(uint16_t(width));
    file.WriteWordLE(uint16_t(height));
    file.WriteByte(interlaced ? 0x40 : 0);

    const int minCodeSize = std::max(2, bits);
    file.WriteByte(uint8_t(minCodeSize));
    CGifLzwEncoder lzw(minCodeSize, [&file](const uint8_t* data, size_t size) { file.Write(data, size); });

    std::vector<uint8_t> indices(size_t(width) + 1);
    auto writeLine = [&](int y) {
        MapLineToIndices(palette, palette.pixels->GetLine32(y), width, indices.data());
        lzw.Write(indices.data(), size_t(width));
    };
    if (interlaced) {
        static const int kStart[4] = {0, 4, 2, 1};
        static const int kStep[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = kStart[pass]; y < height; y += kStep[pass])
                writeLine(y);
    } else {
        for (int y = 0; y < height; ++y)
            writeLine(y);
    }
    lzw.Finish();
    file.WriteByte(0); // zero-length block ends the data
    file.WriteByte(';');
    file.Commit();
}
