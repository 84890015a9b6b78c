// Arbitrary bytes straight to the TIFF decoder.
#include "FuzzDecoder.h"
#include "engine/picture/TIFFDecoder.h"

VELKOR_FUZZ_DECODER(CTIFFDecoder)
