// CAnimationPlayer: plays the frames of a picture that moves at the file's
// timing. A worker thread composes the next frame while the current one is
// shown; a single-shot timer started when a frame is shown says when the
// next is due, and it is handed out (FrameReady) as soon as it is both due
// and composed. The loop count is honoured: after the last play the last
// frame stays and the player counts as paused.
//
// Paused, Step shows the frames one by one (composed on the worker too; a
// step back composes from the first frame). The view shows what TakeFrame
// gives; nothing here touches a window.
//
// The frames of a small animation (kFrameCacheBytes in all) are kept as
// they are first composed, so its later plays compose nothing; a larger one
// is composed frame by frame on every play.
#pragma once

#include "engine/picture/Animation.h"
#include "engine/picture/WinBmp.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CAnimationPlayer : public QObject {
    Q_OBJECT
  public:
    static constexpr size_t kFrameCacheBytes = size_t(64) << 20;

    explicit CAnimationPlayer(QObject* parent = nullptr);
    ~CAnimationPlayer() override;
    CAnimationPlayer(const CAnimationPlayer&) = delete;
    CAnimationPlayer& operator=(const CAnimationPlayer&) = delete;

    // Plays `frames` from frame 0, which the caller shows already.
    void Start(std::unique_ptr<CFrameSource> frames);
    // No animation any more; a frame being composed is abandoned.
    void Stop();
    bool IsActive() const { return m_count > 0; }
    bool IsPaused() const { return m_paused; }
    void SetPaused(bool paused);
    void TogglePause() { SetPaused(!m_paused); }
    // Pauses and moves `delta` frames on (negative: back), round the ends.
    void Step(int delta);
    // The frame shown (0-based) and the number of frames.
    int CurrentFrame() const { return m_shown; }
    int FrameCount() const { return m_count; }
    // "frame 3 of 12", with " (paused)" when paused; "" without an animation.
    QString FrameText() const;
    // "frame 3 of 12" for the notes of edits and saves; "" without one.
    QString FrameName() const;

    // The frame announced by FrameReady, exchanged into `shown` (which keeps
    // its colour profile and source depth); false when there is none.
    bool TakeFrame(CWinBmp& shown);
    // Warnings of damaged frames met so far.
    std::vector<std::string> Warnings() const;

  signals:
    // A frame is ready for TakeFrame.
    void FrameReady();
    // The frame number or the state changed (FrameText changed).
    void StateChanged();
    // Started, stopped, paused or played on (IsActive, IsPaused changed).
    void PlayingChanged();

  private:
    void WorkerLoop();
    // Asks the worker for frame `index` (or takes it from the kept frames).
    void Compose(int index);
    // Starts the timer for the frame after the shown one: a delay from now,
    // or from when the shown frame was due.
    void ScheduleNext(bool fromNow);
    // On the GUI thread: a frame the worker finished.
    void OnComposed(uint64_t generation);
    // Hands out the composed frame when it is due.
    void PresentIfDue();
    int NextIndex() const { return m_shown + 1 < m_count ? m_shown + 1 : 0; }

    QTimer m_timer;
    QElapsedTimer m_clock; // since Start, for the trace
    int m_count = 0;
    int m_shown = 0;
    int m_playsDone = 0; // whole plays finished
    int m_loops = 0;
    bool m_paused = false;
    bool m_due = false;               // the shown frame's delay has passed
    int m_stepTarget = -1;            // paused: the frame a step asked for
    std::unique_ptr<CWinBmp> m_ready; // composed, not yet due
    int m_readyIndex = -1;
    std::unique_ptr<CWinBmp> m_presented; // due, for TakeFrame
    std::vector<int> m_delays;
    qint64 m_nextAt = 0;                           // when the next frame is due, on m_clock
    std::vector<std::unique_ptr<CWinBmp>> m_cache; // frames kept, by index
    size_t m_cacheBytes = 0;

    // Shared with the worker, under m_lock.
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::unique_ptr<CFrameSource> m_frames;
    // Sources let go of; the worker frees them once it is not composing.
    std::vector<std::unique_ptr<CFrameSource>> m_retired;
    std::unique_ptr<CWinBmp> m_result; // composed by the worker
    int m_resultIndex = -1;
    int m_resultCount = 0; // the frames left after composing it
    std::vector<std::string> m_warnings;
    uint64_t m_generation = 0; // raised by Start and Stop: older results are dropped
    int m_wanted = -1;         // the frame the worker is to compose
    bool m_quit = false;
    std::atomic<bool> m_abort{false};
    std::thread m_worker;
};
