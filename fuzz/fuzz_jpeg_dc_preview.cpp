// Arbitrary bytes to the DC preview of a progressive JPEG, at every
// orientation in turn. It may only decline; every crash is a finding.
#include "engine/picture/JpegDcPreview.h"
#include "engine/picture/WinBmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CWinBmp bmp;
    // Huge frames of a few bytes find nothing new and take long.
    const auto wanted = [](int width, int height) { return int64_t(width) * height <= int64_t(1) << 22; };
    const int orientation = size > 0 ? 1 + data[size - 1] % 8 : 1;
    if (DecodeJpegDcPreview(data, size, orientation, wanted, bmp) &&
        (bmp.GetWidth() < 1 || bmp.GetHeight() < 1))
        __builtin_trap();
    return 0;
}
