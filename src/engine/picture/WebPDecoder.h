// CWebPDecoder: WebP decoder on libwebp (lossy, lossless, alpha); of an
// animation the first frame is shown, as composed on its canvas.
#pragma once

#include "engine/picture/PicDecoder.h"

class CWebPDecoder : public CPicDecoder {
  protected:
    void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) override;
};
