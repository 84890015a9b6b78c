#include "UprightBands.h"

#include "Orientation.h"

#include <system_error>

namespace {

// Below this the turn is too short to be worth a thread's start.
constexpr int64_t kThreadedPixels = 4'000'000;

} // namespace

CUprightBands::CUprightBands(int width, int height, int orientation, CBmp& dest)
    : m_width(width), m_height(height), m_orientation(orientation), m_dest(dest)
{
    const size_t lineBytes = size_t(width) * size_t(dest.GetBitsPerPixel() / 8);
    const bool threaded = int64_t(width) * height >= kThreadedPixels && std::thread::hardware_concurrency() > 1;
    for (int b = 0; b < (threaded ? 2 : 1); ++b) {
        Band& band = m_bands[b];
        band.bytes.resize(lineBytes * kBandLines);
        for (int i = 0; i < kBandLines; ++i)
            band.lines[i] = band.bytes.data() + size_t(i) * lineBytes;
    }
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
    if (!m_placer.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_placer.join();
}

uint8_t** CUprightBands::NextBand()
{
    Band& band = m_bands[m_fill];
    if (m_placer.joinable()) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&band] { return !band.filled; });
    }
    return band.lines;
}

void CUprightBands::Place(int first, int count)
{
    Band& band = m_bands[m_fill];
    if (!m_placer.joinable()) {
        PlaceLinesUpright(band.lines, first, count, m_width, m_height, m_orientation, m_dest);
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        band.first = first;
        band.count = count;
        band.filled = true;
    }
    m_changed.notify_all();
    m_fill = 1 - m_fill;
}

void CUprightBands::Finish()
{
    if (!m_placer.joinable())
        return;
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_bands[0].filled && !m_bands[1].filled; });
}

void CUprightBands::PlaceBands()
{
    // Bands are filled in turn, so they are placed in the same turn.
    for (int next = 0;; next = 1 - next) {
        Band& band = m_bands[next];
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return band.filled || m_stop; });
            if (!band.filled)
                return;
        }
        PlaceLinesUpright(band.lines, band.first, band.count, m_width, m_height, m_orientation, m_dest);
        {
            std::lock_guard lock(m_mutex);
            band.filled = false;
        }
        m_changed.notify_all();
    }
}
