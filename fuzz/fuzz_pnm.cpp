// Feeds arbitrary bytes straight to the PNM decoder, at 32 bits and at
// the source depth, so no detector check shields it.
#include "picture/PPMDecoder.h"
#include "picture/winbmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CPPMDecoder decoder;
    for (int depth : {32, 0}) {
        CMemSource source(data, size);
        CWinBmp bmp;
        try {
            decoder.Decode(source, bmp, depth);
        } catch (const CTextException&) {
        }
    }
    return 0;
}
