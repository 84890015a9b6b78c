// CJPEGEncoder: writes a picture as a baseline or progressive JFIF file
// through libjpeg.
#pragma once

#include "engine/picture/Bmp.h"

#include <string>

class CJPEGEncoder {
  public:
    // quality and smoothing are 0..100 (values outside are clamped);
    // optimize asks for optimised Huffman tables. Throws CTextException on
    // failure; an existing file at `path` is then left as it was.
    void Save(const std::string& path, CBmp& bmp, int quality, int smoothing, bool optimize,
              bool progressive);
};

// The JPEG writer as the dialogs call it: the packed RGB buffer (width x 3
// bytes per line, lines from the top) and the dialog's values. `reserved`
// carries no meaning. Returns non-zero when the file was written.
int SaveJPG(const char* path, const uint8_t* rgb, int width, int height, int quality, int smoothing,
            int optimize, int progressive, int reserved);
