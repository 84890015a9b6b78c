// Arbitrary bytes to the format detector and whichever decoder it picks.
#include "FuzzDecoder.h"
#include "engine/picture/AnyPicDecoder.h"

VELKOR_FUZZ_DECODER(CAnyPicDecoder)
