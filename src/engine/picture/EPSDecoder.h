// CEPSDecoder: the TIFF preview of an EPS file. The little-endian long at
// byte 20 of the file gives the TIFF section's offset; the TIFF decoder reads
// from there.
#pragma once

#include "engine/picture/TIFFDecoder.h"

class CEPSDecoder : public CTIFFDecoder {
  protected:
    void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) override;
};
