// Arbitrary bytes to the colour description readers: as an ICC profile
// handed to lcms2 (and, when it takes it, a transform run over a few
// pixels), as JPEG APP2 segments to reassemble, as a WebP file to search
// for its ICCP chunk, and as PNG gamma and chromaticities.
#include "engine/picture/ColourProfile.h"
#include "engine/picture/ColourTransform.h"

#include <cstring>
#include <vector>

namespace {

void Transform(const ColourProfilePtr& profile)
{
    if (!profile)
        return;
    if (const vkcolour::TransformPtr t = vkcolour::TransformFor(*profile, nullptr)) {
        uint32_t pixels[16];
        for (uint32_t i = 0; i < 16; ++i)
            pixels[i] = i * 0x10F0E0Du;
        vkcolour::Apply(*t, reinterpret_cast<uint8_t*>(pixels), 4, 4, 16);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Transform(MakeIccProfile(std::vector<uint8_t>(data, data + size)));

    // The bytes as APP2 bodies: the first byte tells where they are cut.
    if (size > 0) {
        std::vector<std::pair<const uint8_t*, size_t>> segments;
        const size_t step = 1 + data[0] % 64;
        for (size_t at = 1; at < size; at += step)
            segments.emplace_back(data + at, std::min(step, size - at));
        Transform(MakeIccProfile(AssembleJpegIccSegments(segments)));
    }

    FindWebPIccChunk(data, size);

    if (size >= 9 * sizeof(double)) {
        double values[9];
        std::memcpy(values, data, sizeof values);
        Transform(MakeGammaProfile(values[0], values + 1));
    }
    return 0;
}
