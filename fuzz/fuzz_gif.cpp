// Arbitrary bytes straight to the GIF decoder.
#include "FuzzDecoder.h"
#include "picture/GIFDecoder.h"

VELKOR_FUZZ_DECODER(CGIFDecoder)
