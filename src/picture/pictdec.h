// CPictDecoder: Macintosh PICT decoder. JPEG data embedded in a PICT goes
// through the detector's JPEG decoder.
#pragma once

#include "picdec.h"

class CJPEGDecoder;

class CPictDecoder : public CPicDecoder {
public:
    explicit CPictDecoder(CJPEGDecoder& jpegDecoder) : m_jpegDecoder(jpegDecoder) {}

protected:
    void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) override;

private:
    CJPEGDecoder& m_jpegDecoder;
};
