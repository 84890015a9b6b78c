#include "engine/save/PackBitsEncoder.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kMaxPacket = 128;

// Length of the stretch of bytes equal to in[end - 1] that ends at `end`.
size_t RunEndingAt(const uint8_t* in, size_t end)
{
    size_t start = end - 1;
    while (start > 0 && in[start - 1] == in[end - 1])
        --start;
    return end - start;
}

} // namespace

size_t PackBitsRow(const uint8_t* in, size_t count, uint8_t* out)
{
    // Packets are produced last first, so they are laid down from the end of
    // the output buffer backwards and moved to its start at the end.
    size_t bound = PackBitsBound(count);
    size_t put = bound;
    size_t end = count;
    while (end > 0) {
        size_t run = RunEndingAt(in, end);
        if (run >= 3) {
            size_t left = run;
            while (left > 0) {
                size_t k = std::min(left, kMaxPacket);
                out[--put] = in[end - 1];
                out[--put] = uint8_t(1 - int(k));
                left -= k;
            }
            end -= run;
            continue;
        }
        // A literal stretch reaches back to the next run of 3 or more.
        size_t start = end - run;
        while (start > 0) {
            size_t before = RunEndingAt(in, start);
            if (before >= 3)
                break;
            start -= before;
        }
        while (end > start) {
            size_t k = std::min(end - start, kMaxPacket);
            put -= k;
            std::memcpy(out + put, in + end - k, k);
            out[--put] = uint8_t(k - 1);
            end -= k;
        }
    }
    size_t length = bound - put;
    std::memmove(out, out + put, length);
    return length;
}

size_t PackBitsLiteralRow(const uint8_t* in, size_t count, uint8_t* out)
{
    size_t length = 0;
    for (size_t pos = 0; pos < count; pos += kMaxPacket) {
        size_t k = std::min(count - pos, kMaxPacket);
        out[length++] = uint8_t(k - 1);
        std::memcpy(out + length, in + pos, k);
        length += k;
    }
    return length;
}
