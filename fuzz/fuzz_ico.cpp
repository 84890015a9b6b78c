// Feeds arbitrary bytes to CICODecoder, at 32 bits and at the source depth.
#include "picture/ICODecoder.h"
#include "picture/winbmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CICODecoder decoder;
    CMemSource source(data, size);
    CWinBmp bmp;
    try {
        decoder.Decode(source, bmp, size % 2 ? 0 : 32);
    } catch (const CTextException&) {
    }
    return 0;
}
