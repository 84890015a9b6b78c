// Colour profiles for the tests, made by lcms2 itself: a Display P3 like
// and an Adobe RGB like one, and pictures tagged with them by ImageMagick.
#pragma once

#include "TestSupport.h"

#include <lcms2.h>

#include <string>

namespace vktest {

// An RGB profile of D65 white with the primaries (x, y of red, green and
// blue) and a plain gamma, or the sRGB curve for gamma 0, as ICC bytes.
inline std::string LcmsRgbProfile(const double (&xy)[6], double gamma)
{
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{{xy[0], xy[1], 1.0}, {xy[2], xy[3], 1.0}, {xy[4], xy[5], 1.0}};
    const cmsFloat64Number srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* curve =
        gamma > 0 ? cmsBuildGamma(nullptr, gamma) : cmsBuildParametricToneCurve(nullptr, 4, srgb);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    cmsUInt32Number bytes = 0;
    cmsSaveProfileToMem(profile, nullptr, &bytes);
    std::string out(bytes, '\0');
    cmsSaveProfileToMem(profile, out.data(), &bytes);
    cmsCloseProfile(profile);
    return out;
}

inline const std::string& P3LikeProfile()
{
    static const std::string p = LcmsRgbProfile({0.680, 0.320, 0.265, 0.690, 0.150, 0.060}, 0);
    return p;
}

inline const std::string& AdobeRgbLikeProfile()
{
    static const std::string p = LcmsRgbProfile({0.64, 0.33, 0.21, 0.71, 0.15, 0.06}, 563.0 / 256);
    return p;
}

// `input` written to `output` (its type by the extension) by ImageMagick
// with the profile `iccPath` attached; 0 on success.
inline int WriteTagged(const std::string& input, const std::string& iccPath, const std::string& output)
{
    return Run(ImageMagick() + " " + Quote(input) + " -quality 92 -profile " + Quote(iccPath) + " " +
               Quote(output) + " 2>/dev/null");
}

} // namespace vktest
