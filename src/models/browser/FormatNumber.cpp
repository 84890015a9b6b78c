#include "models/browser/FormatNumber.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

std::string FormatNumber(double value, int decimals)
{
    decimals = std::clamp(decimals, 0, 9);
    const float single = static_cast<float>(value);
    if (!std::isfinite(single))
        return "0";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, static_cast<double>(single));
    std::string text = buffer;
    const size_t point = text.find('.');
    if (point == std::string::npos)
        return text;
    // Rounding may carry a value just below 1 over to "1.000": the integer
    // rule then applies.
    const bool belowOne = text.compare(0, point, "0") == 0 || text.compare(0, point, "-0") == 0;
    if (belowOne)
        return text;
    const bool allZero = text.find_first_not_of('0', point + 1) == std::string::npos;
    if (allZero)
        text.erase(point);
    return text;
}
