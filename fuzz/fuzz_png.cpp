// Arbitrary bytes straight to the PNG decoder.
#include "FuzzDecoder.h"
#include "engine/picture/PNGDecoder.h"

VELKOR_FUZZ_DECODER(CPNGDecoder)
