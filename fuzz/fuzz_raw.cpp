// Arbitrary bytes to the RAW detector and to LibRaw through the RAW decoder,
// developed in full and as a preview.
#include "engine/picture/RawDecoder.h"
#include "engine/picture/WinBmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CRawDecoder& decoder = *new CRawDecoder;
    DetectRawKind(data, size);
    for (bool preview : {false, true}) {
        decoder.SetChoice({.page = 0, .preview = preview});
        CMemSource source(data, size);
        CWinBmp bmp;
        try {
            decoder.Decode(source, bmp, 32);
        } catch (const CTextException&) {
        }
    }
    return 0;
}
