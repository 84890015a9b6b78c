#include "IFFDecoder.h"

// Not built yet: the format is recognised but not decoded.
void CIFFDecoder::DecodeInto(CBmp&, PaletteHolder&, int&, CDataSource&)
{
    RaiseError(ErrUnsupported, "IFF/ILBM files cannot be decoded yet.");
}
