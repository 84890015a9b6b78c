// CTGADecoder: Targa decoder.
#pragma once

#include "engine/picture/PicDecoder.h"

class CTGADecoder : public CPicDecoder {
  protected:
    void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) override;
};
