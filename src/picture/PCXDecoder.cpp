#include "PCXDecoder.h"

// Not built yet: the format is recognised but not decoded.
void CPCXDecoder::DecodeInto(CBmp&, PaletteHolder&, int&, CDataSource&)
{
    RaiseError(ErrUnsupported, "PCX files cannot be decoded yet.");
}
