// Feeds arbitrary bytes to CPNGDecoder, at 32 bits and at the source depth.
#include "picture/pngdec.h"
#include "picture/winbmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CPNGDecoder decoder;
    CMemSource source(data, size);
    CWinBmp bmp;
    try {
        decoder.Decode(source, bmp, size % 2 ? 0 : 32);
    } catch (const CTextException&) {
    }
    return 0;
}
