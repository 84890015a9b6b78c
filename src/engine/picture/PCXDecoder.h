// CPCXDecoder: run-length encoded PCX (1, 2, 4 or 8 bits per plane), always
// decoded to 32 bits per pixel.
#pragma once

#include "engine/picture/PicDecoder.h"

class CPCXDecoder : public CPicDecoder {
  protected:
    void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) override;
};
