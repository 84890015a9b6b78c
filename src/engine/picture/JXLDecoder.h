// CJXLDecoder: JPEG XL decoder on libjxl. Pixels arrive as 8-bit RGBA in the
// picture's upright orientation; of an animation the first frame is shown.
#pragma once

#include "engine/picture/PicDecoder.h"

#include <cstddef>
#include <cstdint>

// A bare JPEG XL codestream (FF 0A) or the ISO media container around one.
bool HasJxlSignature(const uint8_t* data, size_t size);

class CJXLDecoder : public CPicDecoder {
  protected:
    void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) override;
};
