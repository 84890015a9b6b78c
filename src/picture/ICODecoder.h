// CICODecoder: Windows icon decoder.
#pragma once

#include "picdec.h"

class CICODecoder : public CPicDecoder {
protected:
    void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) override;
};
