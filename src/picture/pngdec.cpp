#include "pngdec.h"

// Not built yet: the format is recognised but not decoded.
void CPNGDecoder::DecodeInto(CBmp&, PaletteHolder&, int&, CDataSource&)
{
    RaiseError(ErrUnsupported, "PNG files cannot be decoded yet.");
}
