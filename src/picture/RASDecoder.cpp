#include "RASDecoder.h"

// Not built yet: the format is recognised but not decoded.
void CRASDecoder::DecodeInto(CBmp&, PaletteHolder&, int&, CDataSource&)
{
    RaiseError(ErrUnsupported, "Sun raster files cannot be decoded yet.");
}
