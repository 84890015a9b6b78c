// CPCXDecoder: PCX decoder.
#pragma once

#include "picdec.h"

class CPCXDecoder : public CPicDecoder {
protected:
    void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) override;
};
