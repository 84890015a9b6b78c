#include "Picture.h"

PictureSize CPicture::FitSize(int boxWidth, int boxHeight, float boxAspect) const
{
    if (m_width <= 0 || m_height <= 0)
        return {0, 0};
    const float aspect = float(m_height) / float(m_width);
    if (boxAspect < aspect)
        return {int(float(boxHeight) / aspect), boxHeight};
    if (boxAspect > aspect)
        return {boxWidth, int(aspect * float(boxWidth))};
    return {boxWidth, boxHeight};
}
