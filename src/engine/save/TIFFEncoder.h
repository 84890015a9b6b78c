// CTIFFEncoder: writes a picture as a 24-bit RGB TIFF through libtiff,
// uncompressed, PackBits or LZW.
#pragma once

#include "engine/picture/Bmp.h"

#include <string>

struct colorhist_item;

class CTIFFEncoder {
  public:
    // Compression indices, in the order of the TIFF Options dialog.
    enum { kNone = 0, kPackBits = 1, kLZW = 2 };

    // An index other than the three above writes an uncompressed file.
    // `secondOption` is accepted and carries no meaning for these
    // compressions. Throws CTextException on failure; an existing file at
    // `path` is then left as it was.
    void Save(const std::string& path, CBmp& bmp, int compressionIndex, int secondOption);
};

// The TIFF writer as the dialogs call it. 24 bits: `data` is the packed RGB
// buffer (width x 3 bytes per line, lines from the top) and `palette` is
// unused. 8 bits: `data` holds one palette position per pixel and `palette`
// `colorCount` (1..256) colours. Returns 0 when the file was written.
int SaveTIF(const char* path, const uint8_t* data, const colorhist_item* palette, int width, int height,
            int bitsPerPixel, int colorCount, int compression, int secondOption);
