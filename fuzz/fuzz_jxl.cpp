// Arbitrary bytes straight to the JPEG XL decoder.
#include "FuzzDecoder.h"
#include "engine/picture/JXLDecoder.h"

VELKOR_FUZZ_DECODER(CJXLDecoder)
