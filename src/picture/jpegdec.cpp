#include "jpegdec.h"

// Not built yet: the format is recognised but not decoded.
void CJPEGDecoder::DecodeInto(CBmp&, PaletteHolder&, int&, CDataSource&)
{
    RaiseError(ErrUnsupported, "JPEG files cannot be decoded yet.");
}
