// Arbitrary bytes to the EXIF orientation readers: as a TIFF block, inside a
// JPEG APP1 segment and inside a PNG eXIf chunk.
#include "engine/picture/Orientation.h"

#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ReadTiffOrientation(data, size);
    ReadJpegOrientation(data, size);
    ReadPngOrientation(data, size);
    if (size > 0xFFF0)
        return 0;
    // The same bytes as the EXIF segment of a JPEG, exactly as long as they are.
    std::vector<uint8_t> jpeg = {
        0xFF, 0xD8, 0xFF, 0xE1, uint8_t((size + 8) >> 8), uint8_t(size + 8), 'E', 'x', 'i', 'f', 0, 0};
    jpeg.insert(jpeg.end(), data, data + size);
    ReadJpegOrientation(jpeg.data(), jpeg.size());
    return 0;
}
