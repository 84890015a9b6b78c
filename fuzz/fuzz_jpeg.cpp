// Feeds arbitrary bytes to CJPEGDecoder, at 32 bits and at the source depth.
#include "picture/jpegdec.h"
#include "picture/winbmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CJPEGDecoder decoder;
    CMemSource source(data, size);
    CWinBmp bmp;
    try {
        decoder.Decode(source, bmp, size % 2 ? 0 : 32);
    } catch (const CTextException&) {
    }
    return 0;
}
