#include "engine/edit/ColorCount.h"

#include "engine/edit/ColorOps.h"
#include "engine/save/ColorHash.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {
constexpr int64_t kLargestColorLimit = 800000;
}

int64_t ColorCountLimit(const CBmp& bmp)
{
    const int depth = bmp.GetSourceBitsPerPixel();
    int64_t limit = depth >= 1 && depth <= 16 ? (int64_t(1) << depth) + 1 : kLargestColorLimit;
    return std::min(limit, int64_t(bmp.GetWidth()) * bmp.GetHeight());
}

int64_t CountDistinctColors(const CBmp& bmp, int64_t limit)
{
    std::unique_ptr<CWinBmp> holder;
    auto histogram = ComputeColorHistogram(As32Bits(bmp, holder), size_t(std::max<int64_t>(limit, 0)));
    return histogram ? int64_t(histogram->size()) : -1;
}

void ComputeChannelHistogram(const CBmp& bmp, ChannelHistogram& out)
{
    std::memset(&out, 0, sizeof out);
    std::unique_ptr<CWinBmp> holder;
    const CBmp& source = As32Bits(bmp, holder);
    // Every pixel counts; the picture never has more than 2^28 pixels, so
    // no counter can overflow.
    for (int y = 0; y < source.GetHeight(); ++y) {
        const uint8_t* p = source.GetLine(y);
        for (int x = 0; x < source.GetWidth(); ++x, p += 4) {
            ++out.blue[p[0]];
            ++out.green[p[1]];
            ++out.red[p[2]];
            ++out.luminance[RoundedLuminance(p[2], p[1], p[0])];
        }
    }
}

std::string ColorCountMessage(int64_t count)
{
    if (count < 0)
        return kTextTooManyColorsToCount;
    return "This image contains " + std::to_string(count) + " colors.   ";
}
