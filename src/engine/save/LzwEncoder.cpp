#include "engine/save/LzwEncoder.h"

#include <algorithm>
#include <utility>

CGifLzwEncoder::CGifLzwEncoder(int minCodeSize, BlockSink sink)
    : m_sink(std::move(sink)), m_initBits(std::clamp(minCodeSize, 2, 8) + 1),
      m_clearCode(1 << (m_initBits - 1)), m_endCode(m_clearCode + 1), m_bits(m_initBits),
      m_maxCode((1 << m_initBits) - 1), m_freeCode(m_clearCode + 2)
{
    std::fill(std::begin(m_hashKeys), std::end(m_hashKeys), -1);
    Output(m_clearCode);
}

void CGifLzwEncoder::Write(const uint8_t* pixels, size_t count)
{
    const int pixelMask = m_clearCode - 1;
    size_t i = 0;
    if (m_prefix < 0 && count > 0)
        m_prefix = pixels[i++] & pixelMask;
    int prefix = m_prefix;
    for (; i < count; ++i) {
        const int c = pixels[i] & pixelMask;
        const int32_t key = (int32_t(c) << kMaxBits) + prefix;
        int h = (c << kHashShift) ^ prefix;
        if (m_hashKeys[h] == key) {
            prefix = m_hashCodes[h];
            continue;
        }
        bool found = false;
        if (m_hashKeys[h] >= 0) {
            // Probe backwards by a fixed displacement, wrapping around.
            const int displacement = h == 0 ? 1 : kHashSize - h;
            do {
                h -= displacement;
                if (h < 0)
                    h += kHashSize;
                if (m_hashKeys[h] == key) {
                    found = true;
                    break;
                }
            } while (m_hashKeys[h] >= 0);
        }
        if (found) {
            prefix = m_hashCodes[h];
            continue;
        }
        Output(prefix);
        prefix = c;
        if (m_freeCode < kMaxCodes) {
            m_hashCodes[h] = uint16_t(m_freeCode++);
            m_hashKeys[h] = key;
        } else {
            ClearTable();
        }
    }
    m_prefix = prefix;
}

void CGifLzwEncoder::ClearTable()
{
    std::fill(std::begin(m_hashKeys), std::end(m_hashKeys), -1);
    m_freeCode = m_clearCode + 2;
    m_clearPending = true;
    Output(m_clearCode);
}

void CGifLzwEncoder::Output(int code)
{
    m_accum |= uint32_t(code) << m_accumBits;
    m_accumBits += m_bits;
    while (m_accumBits >= 8) {
        PutByte(uint8_t(m_accum));
        m_accum >>= 8;
        m_accumBits -= 8;
    }
    // The width changes after the code that made it necessary, as readers
    // expect: one bit more once the next free code no longer fits, back to
    // the initial width after a clear code.
    if (m_clearPending) {
        m_bits = m_initBits;
        m_maxCode = (1 << m_bits) - 1;
        m_clearPending = false;
    } else if (m_freeCode > m_maxCode && m_bits < kMaxBits) {
        ++m_bits;
        m_maxCode = m_bits == kMaxBits ? kMaxCodes : (1 << m_bits) - 1;
    }
}

void CGifLzwEncoder::Finish()
{
    if (m_finished)
        return;
    m_finished = true;
    if (m_prefix >= 0)
        Output(m_prefix);
    Output(m_endCode);
    while (m_accumBits > 0) {
        PutByte(uint8_t(m_accum));
        m_accum >>= 8;
        m_accumBits -= 8;
    }
    m_accumBits = 0;
    FlushBlock();
}

void CGifLzwEncoder::PutByte(uint8_t b)
{
    m_block[1 + m_blockFill++] = b;
    if (m_blockFill == kBlockPayload)
        FlushBlock();
}

void CGifLzwEncoder::FlushBlock()
{
    if (m_blockFill == 0)
        return;
    m_block[0] = uint8_t(m_blockFill);
    m_sink(m_block, m_blockFill + 1);
    m_blockFill = 0;
}
