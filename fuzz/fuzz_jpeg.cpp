// Arbitrary bytes straight to the JPEG decoder.
#include "FuzzDecoder.h"
#include "engine/picture/JPEGDecoder.h"

namespace {

// A few dozen bytes can declare a picture of 2^28 pixels that libjpeg then
// fills in for seconds (a truncated file decodes by design). Such inputs
// find nothing new, so frames above 4 megapixels are skipped, as
// libjpeg-turbo's own fuzzers do.
bool DeclaresHugeFrame(const uint8_t* data, size_t size)
{
    for (size_t i = 0; i + 9 < size; ++i) {
        if (data[i] == 0xFF && data[i + 1] >= 0xC0 && data[i + 1] <= 0xCF && data[i + 1] != 0xC4 &&
            data[i + 1] != 0xC8 && data[i + 1] != 0xCC) {
            uint64_t height = uint64_t(data[i + 5]) << 8 | data[i + 6];
            uint64_t width = uint64_t(data[i + 7]) << 8 | data[i + 8];
            if (width * height > (uint64_t(1) << 22))
                return true;
        }
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CJPEGDecoder decoder;
    // The viewer's first paint: reduced, and a progressive file's first scan only.
    static CJPEGDecoder reduced;
    static const bool configured = [] {
        reduced.SetScaleChooser([](int, int) { return 4; });
        return true;
    }();
    (void)configured;
    if (DeclaresHugeFrame(data, size))
        return 0;
    FuzzDecode(decoder, data, size);
    reduced.SetFirstScanOnly();
    FuzzDecode(reduced, data, size);
    return 0;
}
