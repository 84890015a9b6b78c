// CGIFDecoder: GIF decoder.
#pragma once

#include "picdec.h"

class CGIFDecoder : public CPicDecoder {
protected:
    void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) override;
};
