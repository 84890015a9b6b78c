#include "ColorCount.h"

#include "ColorOps.h"
#include "save/ColorHash.h"

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

int ComputeChannelHistogram(const CBmp& bmp, int64_t limit, ChannelHistogram& out)
{
    std::memset(&out, 0, sizeof out);
    std::unique_ptr<CWinBmp> holder;
    auto histogram = ComputeColorHistogram(As32Bits(bmp, holder), size_t(std::max<int64_t>(limit, 0)));
    if (!histogram)
        return -1;
    for (const colorhist_item& item : *histogram) {
        ++out.red[item.red];
        ++out.green[item.green];
        ++out.blue[item.blue];
        ++out.luminance[RoundedLuminance(item.red, item.green, item.blue)];
    }
    return 0;
}

std::string ColorCountMessage(int64_t count)
{
    if (count < 0)
        return kTextTooManyColorsToCount;
    return "This image contains " + std::to_string(count) + " colors.   ";
}
