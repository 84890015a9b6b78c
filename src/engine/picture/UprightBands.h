// Decoded lines placed upright band by band. A large picture's bands are
// placed on a second thread while the decoder fills the next ones, so the
// turn's stores, which wait on memory, overlap the decoding instead of
// following it.
#pragma once

#include "engine/picture/Bmp.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

class CUprightBands {
  public:
    static constexpr int kBandLines = 64;

    // `dest` has the upright size of a stored width x height picture of
    // `dest`'s depth (8 or 32 bits) and outlives this object. The bands
    // live in `storage`, which a decoder keeps from picture to picture:
    // fresh memory for each would be faulted in and handed back each time.
    CUprightBands(int width, int height, int orientation, CBmp& dest, std::vector<uint8_t>& storage);
    // Places what was handed over, so a decode that fails half-way keeps
    // the lines it decoded.
    ~CUprightBands();
    CUprightBands(const CUprightBands&) = delete;
    CUprightBands& operator=(const CUprightBands&) = delete;

    // kBandLines line pointers of a band free to be filled; waits while
    // every band is being placed.
    uint8_t** NextBand();
    // The band from NextBand holds `count` stored lines from `first` on.
    void Place(int first, int count);
    // Returns once every band handed over is in the picture.
    void Finish();

  private:
    struct Band {
        uint8_t* lines[kBandLines] = {};
        int first = 0;
        int count = 0;
        bool filled = false; // handed over and not yet placed
    };

    void PlaceBands();
    template <class Ready> void WaitUntil(Ready ready);
    // Sets a flag under the lock and wakes the other thread.
    void Set(bool& flag, bool value);

    int m_width, m_height, m_orientation;
    CBmp& m_dest;
    std::vector<uint8_t>& m_storage;
    // Enough bands for the decoder to go on while the placer clears the
    // picture's fresh pages.
    static constexpr int kMaxBands = 4;
    Band m_bands[kMaxBands];
    int m_bandCount = 1;
    int m_fill = 0; // the band the decoder fills next
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_stop = false;
    std::thread m_placer; // not started for small pictures or one core
};
