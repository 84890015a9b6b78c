// Arbitrary bytes straight to the GIF decoder.
#include "FuzzDecoder.h"
#include "engine/picture/GIFDecoder.h"

VELKOR_FUZZ_DECODER(CGIFDecoder)
