// The body every decoder's fuzz target shares: arbitrary bytes go to the
// decoder at 32 bits and at the source depth. Only CTextException may come
// out; anything else, and every crash, is a finding.
#pragma once

#include "engine/picture/PicDecoder.h"
#include "engine/picture/WinBmp.h"

template <class Decoder> void FuzzDecode(Decoder& decoder, const uint8_t* data, size_t size)
{
    for (int depth : {32, 0}) {
        CMemSource source(data, size);
        CWinBmp bmp;
        try {
            decoder.Decode(source, bmp, depth);
        } catch (const CTextException&) {
        }
    }
}

// A target whose decoder needs nothing but construction.
#define VELKOR_FUZZ_DECODER(Decoder)                                                                         \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)                                  \
    {                                                                                                        \
        static Decoder& decoder = *new Decoder;                                                              \
        FuzzDecode(decoder, data, size);                                                                     \
        return 0;                                                                                            \
    }
