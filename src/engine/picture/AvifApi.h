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
    X(avifRWDataFree)                                                                                        \
    X(avifImageYUVToRGB)                                                                                     \
    X(avifDecoderCreate)                                                                                     \
    X(avifDecoderDestroy)                                                                                    \
    X(avifDecoderReset)                                                                                      \
    X(avifDecoderSetIOMemory)                                                                                \
    X(avifDecoderSetSource)                                                                                  \
    X(avifDecoderParse)                                                                                      \
    X(avifDecoderNthImageTiming)                                                                             \
    X(avifDecoderNextImage)

VELKOR_LAZY_API(AvifApi, Avif, VELKOR_AVIF_FUNCTIONS)

template <auto Member> using AvifFree = LibraryFree<&Avif, Member>;
