#include "tgadec.h"

// Not built yet: the format is recognised but not decoded.
void CTGADecoder::DecodeInto(CBmp&, PaletteHolder&, int&, CDataSource&)
{
    RaiseError(ErrUnsupported, "Targa files cannot be decoded yet.");
}
