// CGIFDecoder: GIF 87a and 89a. Every image of the file is decoded in turn
// into the same bitmap, so the bitmap ends up holding the last one.
#pragma once

#include "engine/picture/PicDecoder.h"

class CGIFDecoder : public CPicDecoder {
  protected:
    void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) override;
};
