// CJPEGDecoder: JPEG decoder.
#pragma once

#include "picdec.h"

class CJPEGDecoder : public CPicDecoder {
protected:
    void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) override;
};
