#include "engine/edit/ColorOps.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace {

// Runs `op` over every pixel; the destination may be the source.
template <typename Op> void ForEachPixel(const CBmp& source, CBmp& dest, Op op)
{
    assert(source.GetBitsPerPixel() == 32 && dest.GetBitsPerPixel() == 32);
    assert(source.GetWidth() == dest.GetWidth() && source.GetHeight() == dest.GetHeight());
    const int width = source.GetWidth();
    for (int y = 0; y < source.GetHeight(); ++y) {
        const uint32_t* in = source.GetLine32(y);
        uint32_t* out = dest.GetLine32(y);
        for (int x = 0; x < width; ++x)
            out[x] = op(in[x]);
    }
}

// Luminance weights as separate products, summed in the order of the
// formula, so a table lookup gives the same double as the inline formula.
struct LuminanceTables {
    double red[256], green[256], blue[256];
    LuminanceTables()
    {
        for (int i = 0; i < 256; ++i) {
            red[i] = 0.299 * i;
            green[i] = 0.587 * i;
            blue[i] = 0.114 * i;
        }
    }
};
const LuminanceTables& Luminance()
{
    static const LuminanceTables tables;
    return tables;
}

} // namespace

int RoundedLuminance(int red, int green, int blue)
{
    return int(0.299 * red + 0.587 * green + 0.114 * blue + 0.5);
}

void InvertColors(const CBmp& source, CBmp& dest)
{
    ForEachPixel(source, dest, [](uint32_t p) { return p ^ 0x00FFFFFFu; });
}

void SwapRedBlueColors(const CBmp& source, CBmp& dest)
{
    ForEachPixel(source, dest,
                 [](uint32_t p) { return (p & 0xFF00FF00u) | (p >> 16 & 0xFFu) | (p & 0xFFu) << 16; });
}

void ApplyChannelTables(const CBmp& source, CBmp& dest, const ChannelTable& blue, const ChannelTable& green,
                        const ChannelTable& red)
{
    ForEachPixel(source, dest, [&](uint32_t p) {
        return (p & 0xFF000000u) | uint32_t(blue[p & 0xFF]) | uint32_t(green[p >> 8 & 0xFF]) << 8 |
               uint32_t(red[p >> 16 & 0xFF]) << 16;
    });
}

void ConvertToGrayShades(const CBmp& source, CBmp& dest)
{
    const LuminanceTables& t = Luminance();
    ForEachPixel(source, dest, [&t](uint32_t p) {
        auto y = uint32_t(t.red[p >> 16 & 0xFF] + t.green[p >> 8 & 0xFF] + t.blue[p & 0xFF] + 0.5);
        return (p & 0xFF000000u) | y * 0x010101u;
    });
}

void BuildBrightnessTable(int value, ChannelTable& table)
{
    const double f = std::clamp(value, -100, 100) * 0.01;
    for (int c = 0; c < 256; ++c)
        table[c] = f >= 0 ? uint8_t(c + int((255 - c) * f)) : uint8_t(int(c * (1 + f)));
}

void BuildGammaTable(double gamma, ChannelTable& table)
{
    // At gamma 0 every level below full is raised to an infinite power;
    // full white stays white.
    if (!(gamma > 0)) {
        std::fill(table, table + 256, uint8_t(0));
        table[255] = 255;
        return;
    }
    const double exponent = 1 / gamma;
    for (int i = 0; i < 256; ++i) {
        double v = std::trunc(255 * std::pow(i / 255.0, exponent) + 0.5);
        table[i] = uint8_t(std::min(255.0, v));
    }
}

int ContrastBandWidth(int value)
{
    // The constants are single-precision: 0.01f is 0.0099999998, so the
    // products land just below whole numbers (+100 gives 253, not 254).
    constexpr double kPercent = 0.01f;
    constexpr double kHalfRange = 127.0f;
    value = std::clamp(value, -100, 100);
    if (value < 0)
        return std::max(1, int(kHalfRange - (-value) * kPercent * kHalfRange));
    return std::min(255, int(value * kPercent * kHalfRange + kHalfRange));
}

bool BuildContrastTable(int low, int high, int bandWidth, ChannelTable& table)
{
    if (high == low)
        return false;
    const float scale = float(double(bandWidth) / double(high - low));
    const int offset = int((255 - bandWidth) / 2 - low * double(scale));
    for (int c = 0; c < 256; ++c) {
        double v = std::trunc(offset + double(scale) * c);
        table[c] = uint8_t(std::clamp(v, 0.0, 255.0));
    }
    return true;
}
