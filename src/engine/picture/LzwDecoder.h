// GIF image data: the data-block reader, the least-significant-bit-first
// code reader over those blocks, and the variable-width LZW expander.
#pragma once

#include "engine/picture/DataSource.h"

#include <cstddef>
#include <cstdint>

// GIF data blocks: a length byte (0 to 255) and that many bytes; a block of
// length 0 ends a sequence.
class CGifBlockReader {
  public:
    explicit CGifBlockReader(CDataSource& source) : m_source(source) {}

    // Reads one block and returns its length; *data points at its bytes.
    // A block cut short by the end of the file throws ErrEndOfFile.
    int ReadBlock(const uint8_t** data);
    // Reads blocks up to and including the next one of length 0.
    void SkipBlocks();
    // The last block read had length 0.
    bool ZeroBlockSeen() const { return m_zeroBlockSeen; }
    void ResetZeroBlockSeen() { m_zeroBlockSeen = false; }

  private:
    CDataSource& m_source;
    bool m_zeroBlockSeen = false;
};

// Codes of 1 to 12 bits from a run of data blocks read as one bit stream,
// least significant bit first. Blocks are read only when bits are needed.
class CLzwBitReader {
  public:
    explicit CLzwBitReader(CGifBlockReader& blocks) : m_blocks(blocks) {}

    void Init();
    // The next code of `width` bits, or -1 when the blocks have ended
    // (a block of length 0 was read) before `width` more bits came.
    int GetCode(int width)
    {
        if (m_count < unsigned(width) && !Refill(unsigned(width)))
            return -1;
        int code = int(m_bits & ((uint64_t(1) << width) - 1));
        m_bits >>= width;
        m_count -= unsigned(width);
        return code;
    }

  private:
    bool Refill(unsigned width);

    CGifBlockReader& m_blocks;
    uint64_t m_bits = 0;
    unsigned m_count = 0;
    const uint8_t* m_next = nullptr;
    const uint8_t* m_end = nullptr;
    bool m_done = false;
};

// LZW expansion of one GIF image. Pixel indices come out in stream order;
// a code's string is written straight into the caller's buffer when it
// fits and parked on a stack otherwise.
class CLzwExpander {
  public:
    static constexpr int kMaxCodeSize = 11; // initial code sizes above this are refused
    static constexpr int kTableSize = 4096;

    // Results below zero.
    static constexpr int kOutOfBits = -1; // the data blocks ended without an end code
    static constexpr int kEndCode = -2;   // the end code (or an empty stream after a clear)
    static constexpr int kBadCode = -3;   // a code not yet defined: the stream is damaged

    explicit CLzwExpander(CGifBlockReader& blocks) : m_blocks(blocks), m_bits(blocks) {}

    // Starts a new image with the initial code size 0..kMaxCodeSize.
    void Init(int initialCodeSize);
    // Writes up to `count` indices to out and returns how many (at least 1),
    // or one of the negative results when none could be written. Indices
    // are below 2^initialCodeSize.
    int Read(uint16_t* out, int count);
    // One index, or a negative result.
    int ReadOne()
    {
        uint16_t value;
        int n = Read(&value, 1);
        return n < 0 ? n : value;
    }

  private:
    void ResetTable();
    // Reads codes until one is not the clear code; returns it, or a
    // negative result when it is not a single-pixel code.
    int ReadFirstCode();

    CGifBlockReader& m_blocks;
    CLzwBitReader m_bits;

    int m_initialSize = 0;
    int m_clear = 0;
    int m_end = 0;
    int m_nextFree = 0;
    int m_codeWidth = 0;
    int m_widthLimit = 0;
    int m_previous = -1;
    bool m_fresh = true;
    bool m_ended = false;
    int m_endResult = 0;

    uint16_t m_prefix[kTableSize];
    uint16_t m_suffix[kTableSize];
    uint16_t m_first[kTableSize];  // first index of each code's string
    uint16_t m_length[kTableSize]; // length of each code's string

    // Rest of a string that did not fit the caller's buffer.
    uint16_t m_stack[kTableSize];
    int m_stackPos = 0;
    int m_stackEnd = 0;
};
