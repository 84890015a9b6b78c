#include "pictdec.h"

#include "jpegdec.h"

// Not built yet: the format is recognised but not decoded.
void CPictDecoder::DecodeInto(CBmp&, PaletteHolder&, int&, CDataSource&)
{
    RaiseError(ErrUnsupported, "Macintosh PICT files cannot be decoded yet.");
}
