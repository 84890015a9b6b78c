#include "GIFDecoder.h"

// Not built yet: the format is recognised but not decoded.
void CGIFDecoder::DecodeInto(CBmp&, PaletteHolder&, int&, CDataSource&)
{
    RaiseError(ErrUnsupported, "GIF files cannot be decoded yet.");
}
