// Feeds arbitrary bytes to the format detector and whichever decoder it picks.
#include "picture/anydec.h"
#include "picture/winbmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CAnyPicDecoder decoder;
    CMemSource source(data, size);
    CWinBmp bmp;
    try {
        decoder.Decode(source, bmp, 32);
    } catch (const CTextException&) {
    }
    return 0;
}
