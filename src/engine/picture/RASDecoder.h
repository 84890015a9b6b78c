// CRASDecoder: Sun raster decoder.
#pragma once

#include "engine/picture/PicDecoder.h"

class CRASDecoder : public CPicDecoder {
  protected:
    void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) override;
};
