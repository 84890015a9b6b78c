// GIF LZW compression: variable-width codes up to 12 bits, packed least
// significant bit first and cut into data sub-blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

class CGifLzwEncoder {
  public:
    // Receives each finished data sub-block, its length byte included.
    using BlockSink = std::function<void(const uint8_t* data, size_t size)>;

    // minCodeSize is the byte written before the data (2..8); every pixel
    // must be below 2^minCodeSize. Starts the stream with a clear code.
    CGifLzwEncoder(int minCodeSize, BlockSink sink);

    // Compresses the next pixels in output order.
    void Write(const uint8_t* pixels, size_t count);
    // Emits the pending string, the end code and the last bits. The
    // zero-length terminator block is the caller's.
    void Finish();

    // Largest data sub-block payload: 254 bytes.
    static constexpr size_t kBlockPayload = 254;

  private:
    static constexpr int kMaxBits = 12;
    static constexpr int kMaxCodes = 1 << kMaxBits;
    // compress(1)-style open hash of (prefix, pixel) -> code.
    static constexpr int kHashSize = 5003;
    static constexpr int kHashShift = 4; // 8 - doublings of 5003 to reach 65536

    void Output(int code);
    void ClearTable();
    void PutByte(uint8_t b);
    void FlushBlock();

    BlockSink m_sink;
    int m_initBits;
    int m_clearCode;
    int m_endCode;
    int m_bits;
    int m_maxCode;
    int m_freeCode;
    bool m_clearPending = false;
    int m_prefix = -1; // current string's code, -1 before the first pixel
    bool m_finished = false;
    uint32_t m_accum = 0;
    int m_accumBits = 0;
    int32_t m_hashKeys[kHashSize];
    uint16_t m_hashCodes[kHashSize];
    uint8_t m_block[kBlockPayload + 1];
    size_t m_blockFill = 0;
};
