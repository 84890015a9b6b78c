// CRowSink: a writer that takes a picture's rows as they are decoded, so a
// conversion never holds the whole picture (see CPicDecoder::SetRowSink).
#pragma once

#include <cstdint>

class CRowSink {
  public:
    virtual ~CRowSink() = default;

    // The picture's size, before any row. What it throws fails the decode.
    virtual void Begin(int width, int height) = 0;
    // The next `count` rows, top-down, each `width` pixels of red, green
    // and blue bytes.
    virtual void Rows(const uint8_t* const* rows, int count) = 0;
    // Every row has been handed over; the picture is whole.
    virtual void End() = 0;
};
