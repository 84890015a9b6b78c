// Arbitrary bytes straight to the icon decoder.
#include "FuzzDecoder.h"
#include "picture/ICODecoder.h"

VELKOR_FUZZ_DECODER(CICODecoder)
