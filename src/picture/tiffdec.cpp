#include "tiffdec.h"

// Not built yet: the format is recognised but not decoded.
void CTIFFDecoder::DecodeInto(CBmp&, PaletteHolder&, int&, CDataSource&)
{
    RaiseError(ErrUnsupported, "TIFF files cannot be decoded yet.");
}
