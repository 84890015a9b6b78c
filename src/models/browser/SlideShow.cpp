#include "models/browser/SlideShow.h"

#include "engine/picture/TextException.h"
#include "models/platform/Path.h"

#include <algorithm>
#include <chrono>

namespace {

// The frames of a slide that moves, its first frame put in `picture`;
// nullptr for a still one. Frames that cannot be read leave it still.
std::unique_ptr<CFrameSource> FramesOf(const std::string& path, CPicture& picture)
{
    try {
        if (auto frames = OpenFramesOfFile(path))
            return ShowFirstFrame(std::move(frames), picture, nullptr);
    } catch (const CTextException&) {
    }
    return nullptr;
}

} // namespace

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

void CSlideShow::Configure(int sequence, int delaySeconds, bool delayAfterLoad,
                           std::vector<std::string> entries, int current, const std::string& directory,
                           uint64_t seed)
{
    m_sequence = std::clamp(sequence, 0, 2);
    m_delaySeconds = std::clamp(delaySeconds, 0, 10);
    m_delayAfterLoad = delayAfterLoad;
    {
        std::lock_guard lock(m_mutex);
        m_entries = std::move(entries);
        m_entriesChanged = false;
    }
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

void CSlideShow::SetEntries(std::vector<std::string> entries)
{
    {
        std::lock_guard lock(m_mutex);
        m_entries = std::move(entries);
        m_entriesChanged = true;
    }
    m_wake.notify_all();
}

namespace {

// Where a show stands in a changed list: at the file it picked last, or,
// when that file left the list, just before the entry now in its place, so
// that the order goes on from there.
int FollowEntry(const std::vector<std::string>& entries, const std::string& last, int current, int sequence)
{
    const auto it = std::find(entries.begin(), entries.end(), last);
    if (it != entries.end())
        return int(it - entries.begin());
    const int at = std::clamp(current, 0, int(entries.size()));
    return sequence == CSlideOrder::Backward ? at : at - 1;
}

} // namespace

bool CSlideShow::PickNext(CSlideOrder& order, int& current, std::string& name)
{
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return m_stop || !m_entries.empty(); });
    if (m_stop)
        return false;
    if (m_entriesChanged) {
        current = FollowEntry(m_entries, name, current, order.GetSequence());
        m_entriesChanged = false;
    }
    current = order.Next(current, int(m_entries.size()));
    name = m_entries[size_t(current)];
    return true;
}

bool CSlideShow::IsListed(const std::string& name) const
{
    std::lock_guard lock(m_mutex);
    return std::find(m_entries.begin(), m_entries.end(), name) != m_entries.end();
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
    if (m_directory.empty())
        return;
    CSlideOrder order(m_sequence, m_seed);
    // A copy: a queued step must not reach back into this object.
    const StepHandler handler = m_handler;
    const auto delay = std::chrono::seconds(m_delaySeconds);
    Clock::time_point t0 = Clock::now();
    bool first = true;
    uint64_t serial = 0;
    int current = m_current;
    std::string name;
    {
        std::lock_guard lock(m_mutex);
        if (current >= 0 && size_t(current) < m_entries.size())
            name = m_entries[size_t(current)];
    }
    while (!IsStopSignalled()) {
        // The first slide comes at once; the delay applies from the second.
        if (!first && !WaitUntil(t0 + delay))
            break;
        first = false;
        if (!PickNext(order, current, name))
            break;
        const std::string path = vkpath::Join(m_directory, name);
        if (!m_delayAfterLoad)
            t0 = Clock::now(); // the delay includes the decoding time
        auto step = std::make_shared<SlideStep>();
        step->index = current;
        step->name = name;
        try {
            CWarningScope warnings([&step](const std::string& text) { step->warnings.push_back(text); });
            step->picture = std::make_unique<CPicture>();
            // A slide fills the screen at most: a RAW file's preview serves.
            m_decoder.SetChoice({.page = 0, .preview = true});
            m_decoder.DecodeFile(path, *step->picture, 32);
            step->ok = step->picture->GetWidth() > 0 && step->picture->GetHeight() > 0;
            if (step->ok && FormatMayMove(m_decoder.GetDetectedFormat()))
                step->frames = FramesOf(path, *step->picture);
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
        if (!IsListed(name)) {
            first = true; // its file left the list meanwhile: the next one at once
            continue;
        }
        step->serial = ++serial;
        if (!PostToOwner([handler, step] {
                if (handler)
                    handler(*step);
            }))
            break;
    }
}
