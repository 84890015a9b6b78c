// CTIFFDecoder: TIFF decoder.
#pragma once

#include "picdec.h"

class CTIFFDecoder : public CPicDecoder {
protected:
    void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) override;
};
