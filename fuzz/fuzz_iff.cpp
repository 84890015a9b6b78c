// Arbitrary bytes straight to the IFF decoder.
#include "FuzzDecoder.h"
#include "engine/picture/IFFDecoder.h"

VELKOR_FUZZ_DECODER(CIFFDecoder)
