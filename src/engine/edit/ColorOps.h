// Pixel kernels of the colour operations. Each reads a 32-bit source and
// writes a 32-bit destination of the same size (they may be the same
// bitmap), changing blue, green and red only: the fourth byte is copied.
#pragma once

#include "engine/picture/Bmp.h"

#include <cstdint>

using ChannelTable = uint8_t[256];

// Bitwise complement of the three colour bytes.
void InvertColors(const CBmp& source, CBmp& dest);
// Red and blue exchange; green stays.
void SwapRedBlueColors(const CBmp& source, CBmp& dest);
// Each colour byte through its channel's table.
void ApplyChannelTables(const CBmp& source, CBmp& dest, const ChannelTable& blue, const ChannelTable& green,
                        const ChannelTable& red);
// All three colour bytes become the rounded luminance.
void ConvertToGrayShades(const CBmp& source, CBmp& dest);

// Rounded luminance 0.299 R + 0.587 G + 0.114 B + 0.5, truncated.
int RoundedLuminance(int red, int green, int blue);

// Brightness for a value -100..100 (clamped): toward 255 by value %, or
// scaled toward 0.
void BuildBrightnessTable(int value, ChannelTable& table);
// min(255, trunc(255 (i/255)^(1/gamma) + 0.5)); gamma 0 keeps only 255.
void BuildGammaTable(double gamma, ChannelTable& table);
// Band width of the contrast mapping for a value -100..100: 1..255.
int ContrastBandWidth(int value);
// Maps the intensity range low..high onto a band of `bandWidth` centred in
// 0..255. Returns false (table untouched) when low equals high.
bool BuildContrastTable(int low, int high, int bandWidth, ChannelTable& table);
