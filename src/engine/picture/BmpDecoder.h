// CBmpDecoder: Windows bitmap decoder (1, 4, 8, 16, 24 and 32 bits, RLE4,
// RLE8, bit fields; Windows 3 to V5 and OS/2 1.x headers).
#pragma once

#include "engine/picture/PicDecoder.h"

class CBmpDecoder : public CPicDecoder {
  protected:
    void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) override;

  private:
    void DecodeUncompressed(CBmp& bmp, int bitCount, const uint32_t* table, CDataSource& source,
                            bool topDown);
    void DecodeRLE(CBmp& bmp, int bitCount, const uint32_t* table, CDataSource& source, bool topDown);
};
