// Arbitrary bytes straight to the Sun raster decoder, so no detector check shields it.
#include "FuzzDecoder.h"
#include "engine/picture/RASDecoder.h"

VELKOR_FUZZ_DECODER(CRASDecoder)
