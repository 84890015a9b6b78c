#include "PictureJob.h"

#include "browser/Preview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <exception>
#include <thread>

namespace {

bool g_running = false;
double g_longestStretch = 0;

// Refuses to let the window close while a job runs.
class CloseGuard : public QObject {
  public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        return false;
    }
};

// Records the longest gap between ticks of a short timer: how long the GUI
// thread went without handling events.
class StretchMeter {
  public:
    explicit StretchMeter(QEventLoop& loop)
    {
        m_clock.start();
        m_timer.setInterval(kTickMs);
        QObject::connect(&m_timer, &QTimer::timeout, &loop, [this] { Tick(); });
        m_timer.start();
    }
    void Tick()
    {
        const double now = double(m_clock.nsecsElapsed()) / 1e6;
        g_longestStretch = std::max(g_longestStretch, now - m_last - kTickMs);
        m_last = now;
    }

  private:
    static constexpr int kTickMs = 5;
    QElapsedTimer m_clock;
    QTimer m_timer;
    double m_last = 0;
};

// Runs a nested event loop without user input until `done` says so.
void Spin(const std::function<bool()>& done, QEventLoop& loop)
{
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(2);
    if (!done())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

namespace vkjob {

bool Run(QWidget* window, const std::function<void()>& work)
{
    if (g_running)
        return false;
    g_running = true;
    g_longestStretch = 0;
    QElapsedTimer stretch;
    stretch.start();

    QApplication::setOverrideCursor(Qt::WaitCursor);
    CloseGuard guard;
    QPointer<QWidget> guarded = window;
    if (window)
        window->installEventFilter(&guard);

    std::atomic<bool> done{false};
    std::exception_ptr failure;
    QEventLoop loop;
    StretchMeter meter(loop);
    g_longestStretch = std::max(g_longestStretch, double(stretch.nsecsElapsed()) / 1e6);
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        done = true;
        QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
    });
    Spin([&] { return done.load(); }, loop);
    worker.join();
    meter.Tick();

    if (guarded)
        guarded->removeEventFilter(&guard);
    QApplication::restoreOverrideCursor();
    g_running = false;
    if (failure)
        std::rethrow_exception(failure);
    return true;
}

bool IsRunning() { return g_running; }

void WaitForView(CPreview& view)
{
    if (!view.IsLoading())
        return;
    QEventLoop loop;
    QPointer<CPreview> alive = &view;
    Spin([&] { return !alive || !alive->IsLoading(); }, loop);
}

double LongestGuiStretch() { return g_longestStretch; }

} // namespace vkjob
