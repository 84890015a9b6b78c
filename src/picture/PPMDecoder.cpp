#include "PPMDecoder.h"

// Not built yet: the format is recognised but not decoded.
void CPPMDecoder::DecodeInto(CBmp&, PaletteHolder&, int&, CDataSource&)
{
    RaiseError(ErrUnsupported, "PPM/PGM/PBM files cannot be decoded yet.");
}
