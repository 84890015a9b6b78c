// CPPMDecoder: PPM/PGM/PBM decoder.
#pragma once

#include "engine/picture/PicDecoder.h"

class CPPMDecoder : public CPicDecoder {
  protected:
    void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) override;
};
