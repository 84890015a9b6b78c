#include "engine/picture/LzwDecoder.h"

#include <algorithm>
#include <cstring>

int CGifBlockReader::ReadBlock(const uint8_t** data)
{
    int n = m_source.ReadByte();
    m_zeroBlockSeen = n == 0;
    *data = m_source.ReadBytes(size_t(n));
    return n;
}

void CGifBlockReader::SkipBlocks()
{
    const uint8_t* data;
    while (ReadBlock(&data) != 0) {
    }
}

void CLzwBitReader::Init()
{
    m_bits = 0;
    m_count = 0;
    m_next = m_end = nullptr;
    m_done = false;
}

bool CLzwBitReader::Refill(unsigned width)
{
    // The blocks form one bit stream, so a code may span any number of
    // short blocks. A new block is read only when bits are missing.
    while (m_count <= 56) {
        if (m_next < m_end) {
            m_bits |= uint64_t(*m_next++) << m_count;
            m_count += 8;
        } else if (m_count >= width || m_done) {
            break;
        } else {
            int n = m_blocks.ReadBlock(&m_next);
            m_end = m_next + n;
            m_done = n == 0;
        }
    }
    return m_count >= width;
}

void CLzwExpander::Init(int initialCodeSize)
{
    m_initialSize = std::clamp(initialCodeSize, 0, kMaxCodeSize);
    m_clear = 1 << m_initialSize;
    m_end = m_clear + 1;
    for (int i = 0; i < kTableSize; ++i) {
        bool literal = i < m_clear;
        m_prefix[i] = 0;
        m_suffix[i] = uint16_t(literal ? i : 0);
        m_first[i] = uint16_t(literal ? i : 0);
        m_length[i] = literal ? 1 : 0;
    }
    ResetTable();
    m_fresh = true;
    m_ended = false;
    m_endResult = 0;
    m_bits.Init();
}

void CLzwExpander::ResetTable()
{
    // Entries above the end code are redefined before use, so only the
    // counters need resetting.
    m_nextFree = m_clear + 2;
    m_codeWidth = m_initialSize + 1;
    m_widthLimit = 2 * m_clear;
    m_previous = -1;
    m_stackPos = m_stackEnd = 0;
}

int CLzwExpander::ReadFirstCode()
{
    int code;
    do {
        code = m_bits.GetCode(m_codeWidth);
    } while (code == m_clear);
    if (code < 0)
        return code;
    if (code == m_end) {
        if (!m_blocks.ZeroBlockSeen())
            m_blocks.SkipBlocks();
        return kEndCode;
    }
    // After a clear only single-pixel codes are defined.
    return code > m_end ? kBadCode : code;
}

int CLzwExpander::Read(uint16_t* out, int count)
{
    int written = 0;
    if (m_stackPos < m_stackEnd) {
        int n = std::min(count, m_stackEnd - m_stackPos);
        std::memcpy(out, m_stack + m_stackPos, size_t(n) * sizeof(uint16_t));
        m_stackPos += n;
        written = n;
    }
    if (m_ended)
        return written ? written : m_endResult;

    auto finish = [&](int result) {
        m_ended = true;
        m_endResult = result;
        return written ? written : result;
    };

    if (m_fresh && written < count) {
        m_fresh = false;
        int code = ReadFirstCode();
        if (code < 0)
            return finish(code);
        out[written++] = uint16_t(code);
        m_previous = code;
    }

    while (written < count) {
        int code = m_bits.GetCode(m_codeWidth);
        if (code < 0)
            return finish(code);
        if (code == m_clear) {
            ResetTable();
            code = ReadFirstCode();
            if (code < 0)
                return finish(code);
            out[written++] = uint16_t(code);
            m_previous = code;
            continue;
        }
        if (code == m_end) {
            if (!m_blocks.ZeroBlockSeen())
                m_blocks.SkipBlocks();
            return finish(kEndCode);
        }
        // Only defined codes and the one about to be defined may appear.
        if (code > m_nextFree || m_previous < 0)
            return finish(kBadCode);

        if (m_nextFree < kTableSize) {
            const int slot = m_nextFree;
            m_prefix[slot] = uint16_t(m_previous);
            m_suffix[slot] = code == slot ? m_first[m_previous] : m_first[code];
            m_first[slot] = m_first[m_previous];
            m_length[slot] = uint16_t(m_length[m_previous] + 1);
            ++m_nextFree;
            if (m_nextFree >= m_widthLimit && m_widthLimit < kTableSize) {
                m_widthLimit *= 2;
                ++m_codeWidth;
            }
        }
        m_previous = code;

        // Strings are written last index first, along the prefix chain.
        const int length = m_length[code];
        const int room = count - written;
        uint16_t* last = length <= room ? out + written + length - 1 : m_stack + length - 1;
        int k = code;
        while (k >= m_clear) {
            *last-- = m_suffix[k];
            k = m_prefix[k];
        }
        *last = uint16_t(k);
        if (length <= room) {
            written += length;
        } else {
            std::memcpy(out + written, m_stack, size_t(room) * sizeof(uint16_t));
            m_stackPos = room;
            m_stackEnd = length;
            written = count;
        }
    }
    return written;
}
