#include "models/browser/AnimationPlayer.h"

#include "engine/picture/TextException.h"

#include <QMetaObject>

#include <algorithm>

CAnimationPlayer::CAnimationPlayer(QObject* parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_due = true;
        PresentIfDue();
    });
    m_worker = std::thread([this] { WorkerLoop(); });
}

CAnimationPlayer::~CAnimationPlayer()
{
    {
        const std::lock_guard lock(m_lock);
        m_quit = true;
        m_abort = true;
    }
    m_wake.notify_all();
    m_worker.join();
}

void CAnimationPlayer::Start(std::unique_ptr<CFrameSource> frames)
{
    Stop();
    if (!frames || frames->FrameCount() < 2)
        return;
    m_count = frames->FrameCount();
    m_loops = frames->LoopCount();
    m_delays.clear();
    for (int i = 0; i < m_count; ++i)
        m_delays.push_back(frames->DelayOf(i));
    {
        const std::lock_guard lock(m_lock);
        m_frames = std::move(frames);
        m_frames->SetAbortFlag(&m_abort);
        m_abort = false;
    }
    m_shown = 0;
    m_playsDone = 0;
    m_paused = false;
    m_due = false;
    m_clock.start();
    m_cache.clear();
    m_cache.resize(size_t(m_count));
    m_cacheBytes = 0;
    Compose(1);
    ScheduleNext(true);
    emit StateChanged();
    emit PlayingChanged();
}

void CAnimationPlayer::Stop()
{
    m_timer.stop();
    std::unique_ptr<CFrameSource> gone;
    {
        const std::lock_guard lock(m_lock);
        ++m_generation;
        m_wanted = -1;
        m_abort = true; // a frame being composed is abandoned
        gone = std::move(m_frames);
    }
    const bool wasActive = m_count > 0;
    m_count = 0;
    m_shown = 0;
    m_ready.reset();
    m_readyIndex = -1;
    m_stepTarget = -1;
    m_cache.clear();
    m_cacheBytes = 0;
    m_due = false;
    m_paused = false;
    if (gone) {
        // Freed once the worker has let go of it.
        const std::lock_guard lock(m_lock);
        m_retired.push_back(std::move(gone));
    }
    m_wake.notify_all();
    if (wasActive) {
        emit StateChanged();
        emit PlayingChanged();
    }
}

void CAnimationPlayer::SetPaused(bool paused)
{
    if (!IsActive() || paused == m_paused)
        return;
    m_paused = paused;
    m_stepTarget = -1;
    if (paused) {
        m_timer.stop();
        m_due = false;
    } else {
        // Played out: starts over.
        if (m_loops > 0 && m_playsDone >= m_loops)
            m_playsDone = 0;
        m_due = false;
        if (m_readyIndex != NextIndex())
            Compose(NextIndex());
        ScheduleNext(true);
    }
    emit StateChanged();
    emit PlayingChanged();
}

void CAnimationPlayer::Step(int delta)
{
    if (!IsActive())
        return;
    const bool wasPaused = m_paused;
    m_paused = true;
    m_timer.stop();
    m_due = false;
    const int from = m_stepTarget >= 0 ? m_stepTarget : m_shown;
    m_stepTarget = ((from + delta) % m_count + m_count) % m_count;
    if (m_readyIndex == m_stepTarget)
        PresentIfDue();
    else
        Compose(m_stepTarget);
    if (!wasPaused) {
        emit StateChanged();
        emit PlayingChanged();
    }
}

QString CAnimationPlayer::FrameName() const
{
    if (!IsActive())
        return {};
    return QString("frame %1 of %2").arg(m_shown + 1).arg(m_count);
}

QString CAnimationPlayer::FrameText() const
{
    if (!IsActive())
        return {};
    return FrameName() + (m_paused ? " (paused)" : "");
}

bool CAnimationPlayer::TakeFrame(CWinBmp& shown)
{
    if (!m_presented)
        return false;
    ColourProfilePtr profile = shown.GetColourProfile();
    const int sourceBits = shown.GetSourceBitsPerPixel();
    shown.Swap(*m_presented);
    shown.SetColourProfile(std::move(profile));
    shown.SetSourceBitsPerPixel(sourceBits);
    m_presented.reset();
    return true;
}

std::vector<std::string> CAnimationPlayer::Warnings() const
{
    const std::lock_guard lock(m_lock);
    return m_warnings;
}

void CAnimationPlayer::ScheduleNext(bool fromNow)
{
    // Due a delay after the shown frame was due, so that the time spent
    // showing frames does not add up; a player far behind starts afresh.
    const qint64 now = m_clock.elapsed();
    const int delay = m_delays[size_t(m_shown)];
    m_nextAt = fromNow || m_nextAt + delay < now ? now + delay : m_nextAt + delay;
    m_timer.start(int(std::max<qint64>(0, m_nextAt - now)));
}

void CAnimationPlayer::Compose(int index)
{
    // A frame kept from an earlier play needs no composing.
    if (index >= 0 && size_t(index) < m_cache.size() && m_cache[size_t(index)]) {
        auto copy = std::make_unique<CWinBmp>();
        copy->CopyFrom(*m_cache[size_t(index)]);
        m_ready = std::move(copy);
        m_readyIndex = index;
        QMetaObject::invokeMethod(
            this, [this] { PresentIfDue(); }, Qt::QueuedConnection);
        return;
    }
    {
        const std::lock_guard lock(m_lock);
        m_wanted = index;
    }
    m_wake.notify_all();
}

void CAnimationPlayer::PresentIfDue()
{
    const int target = m_paused ? m_stepTarget : NextIndex();
    if (!m_ready || m_readyIndex != target || target < 0)
        return;
    if (!m_paused && !m_due)
        return;
    // Played out: the last frame stays.
    if (!m_paused && target == 0 && m_loops > 0 && ++m_playsDone >= m_loops) {
        m_paused = true;
        emit StateChanged();
        emit PlayingChanged();
        return;
    }
    m_presented = std::move(m_ready);
    m_readyIndex = -1;
    m_shown = target;
    m_due = false;
    if (m_paused) {
        m_stepTarget = -1;
    } else {
        ScheduleNext(false);
        Compose(NextIndex());
    }
    // VELKOR_TRACE=2 shows when each frame went up (bench/animation_playback.sh).
    Trace(2, "Animation frame %d of %d shown at %lld ms.\n", m_shown + 1, m_count,
          static_cast<long long>(m_clock.elapsed()));
    emit FrameReady();
    emit StateChanged();
}

void CAnimationPlayer::OnComposed(uint64_t generation)
{
    std::unique_ptr<CWinBmp> frame;
    int shownIndex = -1;
    int count = 0;
    {
        const std::lock_guard lock(m_lock);
        if (generation != m_generation)
            return;
        frame = std::move(m_result);
        shownIndex = m_resultIndex;
        count = m_resultCount;
    }
    if (!frame)
        return;
    // Kept for the next plays while the frames fit the bound.
    const size_t bytes = size_t(frame->GetLineBytes()) * size_t(frame->GetHeight());
    if (size_t(shownIndex) < m_cache.size() && !m_cache[size_t(shownIndex)] &&
        m_cacheBytes + bytes <= kFrameCacheBytes) {
        auto kept = std::make_unique<CWinBmp>();
        kept->CopyFrom(*frame);
        m_cache[size_t(shownIndex)] = std::move(kept);
        m_cacheBytes += bytes;
    }
    m_ready = std::move(frame);
    m_readyIndex = shownIndex;
    // A damaged frame ended the animation early: the frames before it play.
    if (count < m_count) {
        m_count = count;
        m_delays.resize(size_t(count));
        if (m_stepTarget >= count)
            m_stepTarget = shownIndex;
        const int target = m_paused ? m_stepTarget : NextIndex();
        if (target >= 0 && target != m_readyIndex)
            Compose(target);
        emit StateChanged();
    }
    PresentIfDue();
}

void CAnimationPlayer::WorkerLoop()
{
    std::unique_lock lock(m_lock);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || (m_wanted >= 0 && m_frames) || !m_retired.empty(); });
        if (m_quit)
            return;
        if (!m_retired.empty()) {
            auto retired = std::move(m_retired);
            m_retired.clear();
            lock.unlock();
            retired.clear(); // freed off the GUI thread
            lock.lock();
            continue;
        }
        const int index = m_wanted;
        m_wanted = -1;
        const uint64_t generation = m_generation;
        CFrameSource* frames = m_frames.get();
        lock.unlock();
        auto bmp = std::make_unique<CWinBmp>();
        int composed = -1;
        std::vector<std::string> warnings;
        try {
            composed = frames->ComposeFrame(index, *bmp);
        } catch (const CTextException& e) {
            if (e.GetCode() != ErrAborted)
                warnings.push_back(e.GetText());
        }
        warnings.insert(warnings.begin(), frames->Warnings().begin(), frames->Warnings().end());
        const int count = frames->FrameCount();
        lock.lock();
        if (generation != m_generation)
            continue;
        m_warnings = std::move(warnings);
        m_resultCount = count;
        if (composed < 0)
            continue;
        m_result = std::move(bmp);
        m_resultIndex = composed;
        QMetaObject::invokeMethod(
            this, [this, generation] { OnComposed(generation); }, Qt::QueuedConnection);
    }
}
