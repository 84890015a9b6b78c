// Arbitrary bytes straight to the WebP decoder.
#include "FuzzDecoder.h"
#include "engine/picture/WebPDecoder.h"

VELKOR_FUZZ_DECODER(CWebPDecoder)
