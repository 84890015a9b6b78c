#include "engine/edit/SizeUnits.h"

#include <cmath>
#include <cstdio>

namespace {
constexpr double kPerPixel[] = {1.0, 0.01041667, 0.2645836, 0.2645836 * 0.1};
constexpr const char* kLabels[] = {"pixels", "inches", "mm", "cm"};

int Known(int unit)
{
    return unit >= UnitPixels && unit <= UnitCentimeters ? unit : UnitPixels;
}
} // namespace

double UnitPerPixel(int unit)
{
    return kPerPixel[Known(unit)];
}

const char* UnitLabel(int unit)
{
    return kLabels[Known(unit)];
}

double PixelsToUnit(int pixels, int unit)
{
    return double(pixels) * UnitPerPixel(unit);
}

int UnitToPixels(double value, int unit, int largest)
{
    if (!std::isfinite(value))
        return 1;
    const double pixels = std::trunc(value / UnitPerPixel(unit));
    if (pixels < 1)
        return 1;
    return pixels > double(largest) ? largest : int(pixels);
}

bool SizeInRange(double value)
{
    return std::isfinite(value) && value >= kSizeMinimum && value <= kSizeMaximum;
}

CResizeProportions::CResizeProportions(int width, int height)
    : m_ratio(width > 0 ? float(height) / float(width) : 1.0f)
{
}

std::string CResizeProportions::Text(double value, int unit)
{
    char text[64];
    if (Known(unit) == UnitPixels)
        std::snprintf(text, sizeof text, "%.0f", std::floor(value + 0.5));
    else
        std::snprintf(text, sizeof text, "%.4f", value);
    return text;
}
