// CPNGEncoder: writes a picture as an 8-bit RGB PNG through libpng, with
// zlib compression level 9 unless told otherwise (0..9) and optional Adam7
// interlacing.
#pragma once

#include "engine/picture/Bmp.h"

#include <string>

class CPNGEncoder {
  public:
    // Throws CTextException on failure; an existing file at `path` is then
    // left as it was.
    void Save(const std::string& path, CBmp& bmp, bool interlaced, int level = kDefaultLevel);

    static constexpr int kDefaultLevel = 9;

    // How the rows are filtered and packed.
    enum class Packing {
        // libpng's own way: each row's filter picked from all five, zlib's
        // filtered strategy. The smallest for few kinds of picture and by
        // far the slowest on photographs. Levels 7 to 9 and small pictures.
        Exhaustive,
        // Each row's filter picked from all five, then only runs of equal
        // bytes sought: as small as Exhaustive on photographs, several
        // times faster.
        FilteredRuns,
        // Rows as they are, zlib's full search: drawings and screenshots,
        // whose rows repeat what came before.
        Unfiltered,
        // Level 0: rows as they are, not compressed.
        Stored,
    };
    // The packing Save uses for `bmp` at `level`. Between 1 and 6 a few
    // bands of rows are packed each way and the smaller way wins.
    static Packing ChoosePacking(const CBmp& bmp, int level);
};
