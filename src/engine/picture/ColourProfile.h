// CColourProfile: the colour description a decoder found in a picture (an
// ICC profile, PNG's sRGB mark, or a gamma with chromaticities), kept with
// the decoded pixels so they can be shown and converted in their own
// colours. Immutable once made; pictures share it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

struct CColourProfile {
    enum class Kind { Icc, Srgb, Gamma };
    Kind kind = Kind::Srgb;
    std::vector<uint8_t> icc; // Kind::Icc: the profile as stored
    // Kind::Gamma: the file's encoding gamma (PNG gAMA, 0.45455 for 2.2);
    // 0 for the sRGB curve.
    double gamma = 0;
    // Kind::Gamma with chromaticities: white, red, green, blue as x, y.
    bool hasChromaticities = false;
    double chromaticities[8] = {};

    bool operator==(const CColourProfile& other) const;
};

using ColourProfilePtr = std::shared_ptr<const CColourProfile>;

// Largest embedded profile kept; a larger one is ignored.
inline constexpr size_t kMaxIccProfileBytes = size_t(16) << 20;

ColourProfilePtr MakeIccProfile(std::vector<uint8_t> bytes);
ColourProfilePtr MakeSrgbProfile();
// gamma as PNG writes it (encoding gamma); chromaticities null for sRGB's.
ColourProfilePtr MakeGammaProfile(double gamma, const double* chromaticities);

// The ICC profile of a JPEG file from its APP2 marker bodies in file order
// (each starting "ICC_PROFILE\0", then the segment's number from 1, the
// count, and the data). Empty unless every segment is there exactly once
// with one count: a broken profile is not half used.
std::vector<uint8_t> AssembleJpegIccSegments(const std::vector<std::pair<const uint8_t*, size_t>>& markers);

// The body of the first `ICCP` chunk of a WebP file (RIFF), empty when
// there is none or the chunk runs past the end.
std::vector<uint8_t> FindWebPIccChunk(const uint8_t* data, size_t size);
