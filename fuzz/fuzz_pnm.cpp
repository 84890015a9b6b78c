// Arbitrary bytes straight to the PNM decoder, so no detector check shields it.
#include "FuzzDecoder.h"
#include "engine/picture/PPMDecoder.h"

VELKOR_FUZZ_DECODER(CPPMDecoder)
