// CICODecoder: Windows icon decoder. Decodes the image stored right after
// the icon directory: a bitmap of 1, 4, 8, 24 or 32 bits per pixel, or a
// PNG image, which goes through CPNGDecoder.
#pragma once

#include "engine/picture/PicDecoder.h"

class CICODecoder : public CPicDecoder {
  protected:
    void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) override;
};
