// Arbitrary bytes straight to the PNG decoder.
#include "FuzzDecoder.h"
#include "picture/pngdec.h"

VELKOR_FUZZ_DECODER(CPNGDecoder)
