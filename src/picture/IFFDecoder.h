// CIFFDecoder: IFF/ILBM decoder.
#pragma once

#include "picdec.h"

class CIFFDecoder : public CPicDecoder {
protected:
    void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) override;
};
