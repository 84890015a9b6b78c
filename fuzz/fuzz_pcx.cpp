// Arbitrary bytes straight to the PCX decoder.
#include "FuzzDecoder.h"
#include "engine/picture/PCXDecoder.h"

VELKOR_FUZZ_DECODER(CPCXDecoder)
