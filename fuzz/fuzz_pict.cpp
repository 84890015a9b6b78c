// Arbitrary bytes straight to the PICT decoder, so no detector check
// shields it.
#include "FuzzDecoder.h"
#include "engine/picture/JPEGDecoder.h"
#include "engine/picture/PictDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CJPEGDecoder jpeg;
    static CPictDecoder decoder(jpeg);
    FuzzDecode(decoder, data, size);
    return 0;
}
