// CSlideOrder: which entry of the file list the slide show shows next.
#pragma once

#include <cstdint>
#include <random>

class CSlideOrder {
  public:
    enum Sequence : int { Forward = 0, Backward = 1, Random = 2 };

    // One generator per show, seeded once: seeding before every pick (with
    // the time in seconds) would repeat the same picks within a second.
    CSlideOrder(int sequence, uint64_t seed);

    // The entry after `current` (-1 when no entry is current) among `count`.
    // Forward and backward wrap around; random never returns `current`
    // when there is another entry to show. -1 when `count` is 0.
    int Next(int current, int count);

    int GetSequence() const { return m_sequence; }

  private:
    int m_sequence;
    std::mt19937_64 m_generator;
};
