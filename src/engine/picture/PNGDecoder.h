// CPNGDecoder: PNG decoder on libpng, fed from the data source's bytes.
#pragma once

#include "engine/picture/PicDecoder.h"

class CPNGDecoder : public CPicDecoder {
  protected:
    void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) override;
};
