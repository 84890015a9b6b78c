// Sun raster writer: 8 bits with an equal-RGB colour map, or 24 bits
// (blue, green, red), plain (type 1) or byte-encoded (type 2).
#pragma once

#include "picture/bitmap.h"

#include <cstdint>
#include <string>
#include <vector>

inline constexpr const char* kTextRasWriteError = "Error writing rasterfile.";
inline constexpr uint32_t kRasMagic = 0x59A66A95;

class CRASEncoder {
public:
    // depth 8 or 24 (others: ErrInternal "Internal error."). Throws
    // CTextException; an existing file at path is then left as it was.
    void Save(const std::string& path, CBmp& bmp, int depth, bool rle);
};

// Byte-encoding of the image data; runs cross line ends, so one encoder
// takes all lines in turn.
class CRasRunEncoder {
public:
    explicit CRasRunEncoder(std::vector<uint8_t>& out) : m_out(out) {}
    void Put(const uint8_t* data, size_t size);
    // Flushes the last run.
    void Finish();

private:
    void Flush();

    std::vector<uint8_t>& m_out;
    uint8_t m_value = 0;
    unsigned m_count = 0;
};
