// Arbitrary bytes straight to the HEIF/AVIF decoder.
#include "FuzzDecoder.h"
#include "picture/HEIFDecoder.h"

VELKOR_FUZZ_DECODER(CHEIFDecoder)
