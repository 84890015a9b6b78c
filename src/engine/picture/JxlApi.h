// libjxl and libjxl_threads, opened on first use (see LazyLibrary.h).
#pragma once

#include "engine/picture/LazyLibrary.h"

#include <jxl/decode.h>
#include <jxl/encode.h>
#include <jxl/thread_parallel_runner.h>

#define VELKOR_JXL_FUNCTIONS(X)                                                                              \
    X(JxlDecoderCreate)                                                                                      \
    X(JxlDecoderDestroy)                                                                                     \
    X(JxlDecoderSubscribeEvents)                                                                             \
    X(JxlDecoderSetInput)                                                                                    \
    X(JxlDecoderReleaseInput)                                                                                \
    X(JxlDecoderCloseInput)                                                                                  \
    X(JxlDecoderProcessInput)                                                                                \
    X(JxlDecoderGetBasicInfo)                                                                                \
    X(JxlDecoderGetFrameHeader)                                                                              \
    X(JxlDecoderGetColorAsEncodedProfile)                                                                    \
    X(JxlDecoderGetICCProfileSize)                                                                           \
    X(JxlDecoderGetColorAsICCProfile)                                                                        \
    X(JxlDecoderImageOutBufferSize)                                                                          \
    X(JxlDecoderSetImageOutBuffer)                                                                           \
    X(JxlDecoderSetImageOutCallback)                                                                         \
    X(JxlEncoderCreate)                                                                                      \
    X(JxlEncoderDestroy)                                                                                     \
    X(JxlEncoderGetError)                                                                                    \
    X(JxlEncoderSetParallelRunner)                                                                           \
    X(JxlEncoderInitBasicInfo)                                                                               \
    X(JxlEncoderSetBasicInfo)                                                                                \
    X(JxlColorEncodingSetToSRGB)                                                                             \
    X(JxlEncoderSetColorEncoding)                                                                            \
    X(JxlEncoderSetICCProfile)                                                                               \
    X(JxlEncoderUseBoxes)                                                                                    \
    X(JxlEncoderAddBox)                                                                                      \
    X(JxlEncoderCloseBoxes)                                                                                  \
    X(JxlEncoderFrameSettingsCreate)                                                                         \
    X(JxlEncoderFrameSettingsSetOption)                                                                      \
    X(JxlEncoderSetFrameLossless)                                                                            \
    X(JxlEncoderSetFrameDistance)                                                                            \
    X(JxlEncoderAddImageFrame)                                                                               \
    X(JxlEncoderCloseInput)                                                                                  \
    X(JxlEncoderProcessOutput)

#define VELKOR_JXL_THREADS_FUNCTIONS(X)                                                                      \
    X(JxlThreadParallelRunner)                                                                               \
    X(JxlThreadParallelRunnerCreate)                                                                         \
    X(JxlThreadParallelRunnerDestroy)                                                                        \
    X(JxlThreadParallelRunnerDefaultNumWorkerThreads)

VELKOR_LAZY_API(JxlApi, Jxl, VELKOR_JXL_FUNCTIONS)
VELKOR_LAZY_API(JxlThreadsApi, JxlThreads, VELKOR_JXL_THREADS_FUNCTIONS)

template <auto Member> using JxlFree = LibraryFree<&Jxl, Member>;
template <auto Member> using JxlThreadsFree = LibraryFree<&JxlThreads, Member>;
