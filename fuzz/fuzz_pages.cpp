// Arbitrary bytes to the detector with a page chosen by the first byte, so
// the page walks of TIFF and icon files see every page number up to 7.
#include "engine/picture/AnyPicDecoder.h"
#include "engine/picture/WinBmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CAnyPicDecoder& decoder = *new CAnyPicDecoder;
    if (size < 1)
        return 0;
    decoder.SetChoice({.page = data[0] & 7, .preview = true});
    CMemSource source(data + 1, size - 1);
    CWinBmp bmp;
    try {
        decoder.Decode(source, bmp, 32);
    } catch (const CTextException&) {
    }
    return 0;
}
