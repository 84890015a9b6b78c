// Colour transforms with lcms2: from a picture's colour description to the
// screen's, or to sRGB. Built once per pair of profiles and kept; applied
// to 32-bit pixels in bands on every core. The picture's own pixels are
// turned only where asked (ConvertToSrgb); display works on copies.
#pragma once

#include "engine/picture/Bmp.h"
#include "engine/picture/ColourProfile.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace vkcolour {

class CTransform;
using TransformPtr = std::shared_ptr<const CTransform>;

// The transform from `from` to `to` (null: sRGB), relative colorimetric.
// Null when there is nothing to do (sRGB to sRGB) or when either
// description cannot be used (broken, truncated, not RGB): the picture is
// then shown as it is. Safe on any thread.
TransformPtr TransformFor(const CColourProfile& from, const CColourProfile* to);

// Turns `height` lines of `width` pixels (0xAARRGGBB words), the first at
// `first` and each `stride` bytes after the one before (negative for a
// bottom-up block). Alpha is left as it is.
void Apply(const CTransform& transform, uint8_t* first, int width, int height, ptrdiff_t stride);

// The picture's pixels turned from its colour description to sRGB, which
// becomes its description. A picture of 8 bits or less becomes 32-bit
// when it has a description. False when nothing was changed.
bool ConvertToSrgb(CBmp& bmp);

// The description as an ICC profile (lcms2 writes sRGB and gamma
// descriptions), e.g. for embedding in a saved file; empty when unusable.
std::vector<uint8_t> IccBytesOf(const CColourProfile& profile);

// True when lcms2 takes the description as an RGB source.
bool IsUsable(const CColourProfile& profile);

// Transforms built since the program started (for tests of the cache).
int TransformsBuilt();

} // namespace vkcolour
