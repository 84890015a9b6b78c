#include "SlideShow.h"

#include "platform/Path.h"

#include <algorithm>
#include <chrono>

CSlideShow::CSlideShow()
{
    commandsEnabled = true;
    classLockEnabled = true;
    lockName = "CSlideShow";
}

CSlideShow::~CSlideShow()
{
    SignalStop();
    Kill(0, true);
}

void CSlideShow::Configure(int sequence, int delaySeconds, bool delayAfterLoad, std::vector<std::string> entries,
                           int current, const std::string& directory, uint64_t seed)
{
    m_sequence = std::clamp(sequence, 0, 2);
    m_delaySeconds = std::clamp(delaySeconds, 0, 10);
    m_delayAfterLoad = delayAfterLoad;
    m_entries = std::move(entries);
    m_current = current;
    m_directory = directory.size() > 1 && directory.back() == vkpath::kSeparator
                      ? directory.substr(0, directory.size() - 1)
                      : directory;
    m_seed = seed;
}

void CSlideShow::SignalStop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
}

void CSlideShow::ResetStop()
{
    std::lock_guard lock(m_mutex);
    m_stop = false;
    m_shown = 0;
}

bool CSlideShow::IsStopSignalled() const
{
    std::lock_guard lock(m_mutex);
    return m_stop;
}

void CSlideShow::StepShown(uint64_t serial)
{
    {
        std::lock_guard lock(m_mutex);
        m_shown = std::max(m_shown, serial);
    }
    m_wake.notify_all();
}

bool CSlideShow::WaitUntil(std::chrono::steady_clock::time_point deadline)
{
    std::unique_lock lock(m_mutex);
    m_wake.wait_until(lock, deadline, [this] { return m_stop; });
    return !m_stop;
}

bool CSlideShow::WaitShown(uint64_t serial)
{
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this, serial] { return m_stop || m_shown >= serial; });
    return !m_stop;
}

void CSlideShow::DoJob()
{
    using Clock = std::chrono::steady_clock;
    const int count = int(m_entries.size());
    if (count == 0 || m_directory.empty())
        return;
    CSlideOrder order(m_sequence, m_seed);
    // A copy: a queued step must not reach back into this object.
    const StepHandler handler = m_handler;
    const auto delay = std::chrono::seconds(m_delaySeconds);
    Clock::time_point t0 = Clock::now();
    bool first = true;
    uint64_t serial = 0;
    int current = m_current;
    while (!IsStopSignalled()) {
        // The first slide comes at once; the delay applies from the second.
        if (!first && !WaitUntil(t0 + delay))
            break;
        first = false;
        current = order.Next(current, count);
        const std::string path = vkpath::Join(m_directory, m_entries[size_t(current)]);
        if (!m_delayAfterLoad)
            t0 = Clock::now(); // the delay includes the decoding time
        auto step = std::make_shared<SlideStep>();
        step->index = current;
        try {
            step->picture = std::make_unique<CPicture>();
            m_decoder.DecodeFile(path, *step->picture, 32);
            step->ok = step->picture->GetWidth() > 0 && step->picture->GetHeight() > 0;
        } catch (...) {
            step->ok = false; // shown as an unknown format; the show goes on
        }
        if (!step->ok)
            step->picture.reset();
        if (m_delayAfterLoad)
            t0 = Clock::now(); // the delay starts when the picture is ready
        // One step in flight: the next waits until the owner took this one.
        if (serial > 0 && !WaitShown(serial))
            break;
        if (IsStopSignalled())
            break; // stopped while decoding: the picture is dropped
        step->serial = ++serial;
        if (!PostToOwner([handler, step] {
                if (handler)
                    handler(*step);
            }))
            break;
    }
}
