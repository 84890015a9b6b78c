// Sun raster writer: 8 bits with an equal-RGB colour map, or 24 bits
// (blue, green, red), plain (type 1) or byte-encoded (type 2).
#pragma once

#include "engine/picture/Bmp.h"
#include "engine/picture/RasHeader.h"

#include <cstdint>
#include <string>

inline constexpr const char* kTextRasWriteError = "Error writing rasterfile.";

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
    // `out` must hold MaxEncodedSize(all input) bytes.
    explicit CRasRunEncoder(uint8_t* out) : m_out(out), m_next(out) {}
    // A lone 128 takes two bytes and needs a different byte after it, so
    // the output is at most one and a half times the input.
    static size_t MaxEncodedSize(size_t inputSize) { return inputSize + inputSize / 2 + 2; }

    void Put(const uint8_t* data, size_t size);
    // Flushes the last run.
    void Finish() { Flush(); }
    size_t Size() const { return size_t(m_next - m_out); }

  private:
    void Flush();

    uint8_t* m_out;
    uint8_t* m_next;
    uint8_t m_value = 0;
    unsigned m_count = 0;
};
