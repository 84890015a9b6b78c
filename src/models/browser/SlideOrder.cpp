#include "models/browser/SlideOrder.h"

#include <algorithm>

CSlideOrder::CSlideOrder(int sequence, uint64_t seed)
    : m_sequence(std::clamp(sequence, 0, 2)), m_generator(seed)
{
}

int CSlideOrder::Next(int current, int count)
{
    if (count <= 0)
        return -1;
    if (current >= count)
        current = -1;
    switch (m_sequence) {
    case Backward:
        return current - 1 < 0 ? count - 1 : current - 1;
    case Random: {
        if (count == 1)
            return 0;
        if (current < 0)
            return int(std::uniform_int_distribution<int>(0, count - 1)(m_generator));
        // One draw among the others: no rejection loop.
        const int n = std::uniform_int_distribution<int>(0, count - 2)(m_generator);
        return n >= current ? n + 1 : n;
    }
    default:
        return current + 1 >= count ? 0 : current + 1;
    }
}
