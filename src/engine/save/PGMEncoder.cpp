#include "engine/save/PGMEncoder.h"

#include "engine/picture/OutputFile.h"
#include "engine/save/ColorHash.h"
#include "engine/save/PPMEncoder.h"

#include <vector>

void CPGMEncoder::Save(const std::string& path, CBmp& bmp)
{
    // The luminance of every pixel of the full-colour picture, rounded; no
    // palette reduction first, so a photograph keeps all its gray levels.
    std::unique_ptr<CWinBmp> holder;
    const CBmp& source = As32Bits(bmp, holder);
    const int width = source.GetWidth();
    COutputFile file(path);
    const std::string header = PnmHeader('5', width, source.GetHeight());
    file.Write(header.data(), header.size());
    std::vector<uint8_t> line(size_t(width) + 1);
    for (int y = 0; y < source.GetHeight(); ++y) {
        const uint8_t* in = source.GetLine(y);
        for (int x = 0; x < width; ++x, in += 4)
            line[size_t(x)] = uint8_t(0.299 * in[2] + 0.587 * in[1] + 0.114 * in[0] + 0.5);
        file.Write(line.data(), size_t(width));
    }
    file.Commit();
}
