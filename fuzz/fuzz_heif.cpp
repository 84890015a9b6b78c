// Arbitrary bytes straight to the HEIF/AVIF decoder.
#include "FuzzDecoder.h"
#include "engine/picture/HEIFDecoder.h"

VELKOR_FUZZ_DECODER(CHEIFDecoder)
