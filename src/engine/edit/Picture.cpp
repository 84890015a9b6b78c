#include "engine/edit/Picture.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr int kEnlargeLimit = 10;

} // namespace

PictureSize CPicture::FitSize(int boxWidth, int boxHeight, float boxAspect) const
{
    return FitSizeOf(m_width, m_height, boxWidth, boxHeight, boxAspect);
}

PictureSize CPicture::FitSizeOf(int width, int height, int boxWidth, int boxHeight, float boxAspect)
{
    if (width <= 0 || height <= 0)
        return {0, 0};
    const float aspect = float(height) / float(width);
    if (boxAspect < aspect)
        return {int(float(boxHeight) / aspect), boxHeight};
    if (boxAspect > aspect)
        return {boxWidth, int(aspect * float(boxWidth))};
    return {boxWidth, boxHeight};
}

PictureSize ChooseDisplaySize(PictureSize picture, PictureSize window, FitRule rule, bool keepWhenTouching,
                              PictureSize current)
{
    const int w = picture.width, h = picture.height;
    if (!rule.shrink && !rule.enlarge)
        return picture;
    if (window.width <= 0 || window.height <= 0 || w <= 0 || h <= 0)
        return picture;
    auto fit = [&] {
        const PictureSize size = CPicture::FitSizeOf(w, h, window.width, window.height,
                                                     float(window.height) / float(window.width));
        // A sliver (1 x 10000 in a wide window) stays visible.
        return PictureSize{std::max(1, size.width), std::max(1, size.height)};
    };
    if (w > window.width || h > window.height)
        return rule.shrink ? fit() : picture;
    if (w < window.width && h < window.height) {
        if (!rule.enlarge)
            return picture;
        const PictureSize size = fit();
        if (rule.tenfoldLimit && int64_t(size.width) > int64_t(kEnlargeLimit) * w)
            return {kEnlargeLimit * w, kEnlargeLimit * h};
        return size;
    }
    return keepWhenTouching ? current : picture;
}
