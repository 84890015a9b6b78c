#include "ICODecoder.h"

// Not built yet: the format is recognised but not decoded.
void CICODecoder::DecodeInto(CBmp&, PaletteHolder&, int&, CDataSource&)
{
    RaiseError(ErrUnsupported, "Windows icon files cannot be decoded yet.");
}
