// Feeds arbitrary bytes straight to the GIF decoder.
#include "picture/GIFDecoder.h"
#include "picture/winbmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CPicDecoder* decoder = new CGIFDecoder;
    CMemSource source(data, size);
    CWinBmp bmp;
    try {
        decoder->Decode(source, bmp, size % 2 ? 0 : 32);
    } catch (const CTextException&) {
    }
    return 0;
}
