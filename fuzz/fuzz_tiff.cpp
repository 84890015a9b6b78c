// Feeds arbitrary bytes to CTIFFDecoder, at 32 bits and at the source depth.
#include "picture/tiffdec.h"
#include "picture/winbmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CTIFFDecoder decoder;
    CMemSource source(data, size);
    CWinBmp bmp;
    try {
        decoder.Decode(source, bmp, size % 2 ? 0 : 32);
    } catch (const CTextException&) {
    }
    return 0;
}
