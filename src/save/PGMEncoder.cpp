#include "PGMEncoder.h"

#include "ColorHash.h"
#include "PPMEncoder.h"
#include "picture/OutputFile.h"

#include <vector>

void CPGMEncoder::Save(const std::string& path, CBmp& bmp)
{
    const CReducedPalette palette = ReducePalette(bmp);
    // Luminance once per palette colour, rounded.
    uint8_t gray[256] = {};
    for (int i = 0; i < palette.Count(); ++i) {
        const colorhist_item& c = palette.colors[size_t(i)];
        gray[i] = uint8_t(0.299 * c.red + 0.587 * c.green + 0.114 * c.blue + 0.5);
    }
    const CBmp& source = *palette.pixels;
    const int width = source.GetWidth();
    COutputFile file(path);
    const std::string header = PnmHeader('5', width, source.GetHeight());
    file.Write(header.data(), header.size());
    std::vector<uint8_t> line(size_t(width) + 1);
    for (int y = 0; y < source.GetHeight(); ++y) {
        MapLineToIndices(palette, source.GetLine32(y), width, line.data());
        for (int x = 0; x < width; ++x)
            line[size_t(x)] = gray[line[size_t(x)]];
        file.Write(line.data(), size_t(width));
    }
    file.Commit();
}
