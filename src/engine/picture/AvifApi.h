// libavif, opened on first use (see LazyLibrary.h).
#pragma once

#include "engine/picture/LazyLibrary.h"

#include <avif/avif.h>

#define VELKOR_AVIF_FUNCTIONS(X)                                                                             \
    X(avifResultToString)                                                                                    \
    X(avifImageCreate)                                                                                       \
    X(avifImageDestroy)                                                                                      \
    X(avifImageRGBToYUV)                                                                                     \
    X(avifImageSetProfileICC)                                                                                \
    X(avifImageSetMetadataExif)                                                                              \
    X(avifImageSetMetadataXMP)                                                                               \
    X(avifRGBImageSetDefaults)                                                                               \
    X(avifEncoderCreate)                                                                                     \
    X(avifEncoderDestroy)                                                                                    \
    X(avifEncoderWrite)                                                                                      \
    X(avifRWDataFree)

VELKOR_LAZY_API(AvifApi, Avif, VELKOR_AVIF_FUNCTIONS)

template <auto Member> using AvifFree = LibraryFree<&Avif, Member>;
