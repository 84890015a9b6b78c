#include "engine/picture/UprightBands.h"

#include "engine/picture/Orientation.h"

#include <system_error>

namespace {

// Below this the turn is too short to be worth a thread's start.
constexpr int64_t kThreadedPixels = 4'000'000;
// Band memory kept for the next picture, up to four bands of 8192 pixels.
constexpr size_t kKeptStorage = size_t(8) << 20;

} // namespace

template <class Ready> void CUprightBands::WaitUntil(Ready ready)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, ready);
}

void CUprightBands::Set(bool& flag, bool value)
{
    {
        std::lock_guard lock(m_mutex);
        flag = value;
    }
    m_changed.notify_all();
}

CUprightBands::CUprightBands(int width, int height, int orientation, CBmp& dest,
                             std::vector<uint8_t>& storage)
    : m_width(width), m_height(height), m_orientation(orientation), m_dest(dest), m_storage(storage)
{
    const size_t lineBytes = size_t(width) * size_t(dest.GetBitsPerPixel() / 8);
    const bool threaded =
        int64_t(width) * height >= kThreadedPixels && std::thread::hardware_concurrency() > 1;
    m_bandCount = threaded ? kMaxBands : 1;
    if (storage.size() < lineBytes * kBandLines * size_t(m_bandCount))
        storage.resize(lineBytes * kBandLines * size_t(m_bandCount));
    for (int b = 0; b < m_bandCount; ++b)
        for (int i = 0; i < kBandLines; ++i)
            m_bands[b].lines[i] = storage.data() + (size_t(b) * kBandLines + size_t(i)) * lineBytes;
    if (!threaded)
        return;
    try {
        m_placer = std::thread([this] { PlaceBands(); });
    } catch (const std::system_error&) {
        // No thread to be had: bands are placed as they come.
    }
}

CUprightBands::~CUprightBands()
{
    if (m_placer.joinable()) {
        Set(m_stop, true);
        m_placer.join();
    }
    if (m_storage.size() > kKeptStorage)
        std::vector<uint8_t>().swap(m_storage);
}

uint8_t** CUprightBands::NextBand()
{
    Band& band = m_bands[m_fill];
    if (m_placer.joinable())
        WaitUntil([&band] { return !band.filled; });
    return band.lines;
}

void CUprightBands::Place(int first, int count)
{
    Band& band = m_bands[m_fill];
    if (!m_placer.joinable()) {
        PlaceLinesUpright(band.lines, first, count, m_width, m_height, m_orientation, m_dest);
        return;
    }
    band.first = first;
    band.count = count;
    Set(band.filled, true);
    m_fill = (m_fill + 1) % m_bandCount;
}

void CUprightBands::Finish()
{
    if (!m_placer.joinable())
        return;
    WaitUntil([this] {
        for (const Band& band : m_bands)
            if (band.filled)
                return false;
        return true;
    });
}

void CUprightBands::PlaceBands()
{
    // A quarter turn's first band runs across every page of the picture.
    // Fresh pages are faulted in (and cleared by the system) here while
    // the decoder fills the first bands, which then need not wait for it.
    if (OrientationSwapsSides(m_orientation)) {
        const size_t lineBytes = size_t(m_dest.GetWidth()) * size_t(m_dest.GetBitsPerPixel() / 8);
        for (int y = 0; y < m_dest.GetHeight(); ++y)
            for (size_t at = 0; at < lineBytes; at += 4096)
                m_dest.GetLine(y)[at] = 0;
    }
    // Bands are filled in turn, so they are placed in the same turn.
    for (int next = 0;; next = (next + 1) % m_bandCount) {
        Band& band = m_bands[next];
        bool filled = false;
        WaitUntil([&] {
            filled = band.filled;
            return filled || m_stop;
        });
        if (!filled)
            return; // stopped with every band placed
        PlaceLinesUpright(band.lines, band.first, band.count, m_width, m_height, m_orientation, m_dest);
        Set(band.filled, false);
    }
}
