// Arbitrary bytes straight to the IFF decoder.
#include "FuzzDecoder.h"
#include "picture/IFFDecoder.h"

VELKOR_FUZZ_DECODER(CIFFDecoder)
