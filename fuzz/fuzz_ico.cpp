// Arbitrary bytes straight to the icon decoder.
#include "FuzzDecoder.h"
#include "engine/picture/ICODecoder.h"

VELKOR_FUZZ_DECODER(CICODecoder)
