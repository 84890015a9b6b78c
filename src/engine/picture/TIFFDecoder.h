// CTIFFDecoder: TIFF decoder on libtiff, reading the TIFF data from the data
// source's current position (the TIFF section of an EPS file included).
#pragma once

#include "engine/picture/PicDecoder.h"

// The part of a TIFF file's stored orientation still to be applied to what
// the decoder delivered: libtiff's RGBA reader (32-bit results) already
// undoes the flips in the tag, and reads the four turned orientations as
// their unturned neighbours, so only a mirror about a diagonal is left.
int TiffOrientationLeft(int stored, const CBmp& decoded);

class CTIFFDecoder : public CPicDecoder {
  protected:
    void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) override;
};
