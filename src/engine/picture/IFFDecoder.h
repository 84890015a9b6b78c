// CIFFDecoder: IFF/ILBM (uncompressed or ByteRun1; palette, HAM, EHB and
// 24-plane true colour; masking plane skipped), always decoded to 32 bits
// per pixel.
#pragma once

#include "engine/picture/PicDecoder.h"

class CIFFDecoder : public CPicDecoder {
  protected:
    void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) override;
};
