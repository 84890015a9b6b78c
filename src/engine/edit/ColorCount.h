// Colour count and the per-channel histogram of distinct colours, read-only
// views of a picture built on the colour histogram of the save code.
#pragma once

#include "engine/picture/Bmp.h"

#include <cstdint>
#include <string>

// Pixels per channel value, as the histogram chart shows them (luminance,
// red, green, blue).
struct ChannelHistogram {
    int32_t luminance[256];
    int32_t red[256];
    int32_t green[256];
    int32_t blue[256];
};

// The most distinct colours counted before giving up: 2^d + 1 for a source
// depth d of 1..16 bits, else 800000 (also when the depth is unknown);
// never more than width x height.
int64_t ColorCountLimit(const CBmp& bmp);

// Distinct colours of the picture, or -1 when it has more than `limit`.
int64_t CountDistinctColors(const CBmp& bmp, int64_t limit);

// Clears `histogram` and counts every pixel of the picture at its red,
// green, blue and rounded luminance values. There is no colour limit: a
// photograph gets its full chart.
void ComputeChannelHistogram(const CBmp& bmp, ChannelHistogram& histogram);

// Texts of the Count command.
inline constexpr const char* kTextTooManyColorsToCount = "Image contains more then 800000 colors";
inline constexpr const char* kTextCountError = "Error counting colors";
inline constexpr const char* kTextHistogramError = "Error computing color histogram";
// "This image contains N colors.   " for a count, the text above for -1.
std::string ColorCountMessage(int64_t count);
