// CTIFFDecoder: TIFF decoder on libtiff, reading the TIFF data from the data
// source's current position (the TIFF section of an EPS file included).
#pragma once

#include "PicDecoder.h"

class CTIFFDecoder : public CPicDecoder {
protected:
    void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) override;
};
