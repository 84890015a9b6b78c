#include "engine/edit/Picture.h"

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
