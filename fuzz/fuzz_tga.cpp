// Arbitrary bytes straight to the Targa decoder, so no detector check shields it.
#include "FuzzDecoder.h"
#include "engine/picture/TGADecoder.h"

VELKOR_FUZZ_DECODER(CTGADecoder)
