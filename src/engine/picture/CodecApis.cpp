// The tables of the libraries opened on first use. The sonames are those of
// the libraries found when the build was configured.
#include "engine/picture/AvifApi.h"
#include "engine/picture/HeifApi.h"
#include "engine/picture/JxlApi.h"

#define RESOLVE(name) api.name = reinterpret_cast<decltype(api.name)>(library.Symbol(#name));

// A throw leaves the table unmade; the next call tries again and throws the
// same error.
#define DEFINE_GETTER(Api, getter, soname, LIST)                                                             \
    const Api& getter()                                                                                      \
    {                                                                                                        \
        static CLazyLibrary library(soname);                                                                 \
        static const Api table = [] {                                                                        \
            Api api;                                                                                         \
            LIST(RESOLVE)                                                                                    \
            return api;                                                                                      \
        }();                                                                                                 \
        return table;                                                                                        \
    }

DEFINE_GETTER(JxlApi, Jxl, VELKOR_LIBJXL_SONAME, VELKOR_JXL_FUNCTIONS)
DEFINE_GETTER(JxlThreadsApi, JxlThreads, VELKOR_LIBJXL_THREADS_SONAME, VELKOR_JXL_THREADS_FUNCTIONS)
DEFINE_GETTER(HeifApi, Heif, VELKOR_LIBHEIF_SONAME, VELKOR_HEIF_FUNCTIONS)
DEFINE_GETTER(AvifApi, Avif, VELKOR_LIBAVIF_SONAME, VELKOR_AVIF_FUNCTIONS)
