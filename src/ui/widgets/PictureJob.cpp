#include "ui/widgets/PictureJob.h"

#include "ui/browser/Preview.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <ctime>
#include <exception>
#include <thread>
#include <vector>

namespace {

bool g_running = false;
double g_longestStretch = 0;

int g_holds = 0;
struct FreeWaiter {
    QPointer<QObject> context;
    std::function<void()> then;
};
std::vector<FreeWaiter> g_freeWaiters;

void QueueWaiter(FreeWaiter waiter)
{
    if (waiter.context)
        QMetaObject::invokeMethod(waiter.context.data(), std::move(waiter.then), Qt::QueuedConnection);
}

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

// GUI-thread CPU time in milliseconds: what the thread itself spent, apart
// from waiting for a core on a busy machine.
double ThreadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// Records the most GUI-thread time spent between ticks of a short timer:
// how long the thread went without handling events.
class StretchMeter {
  public:
    explicit StretchMeter(QEventLoop& loop)
    {
        m_timer.setInterval(kTickMs);
        QObject::connect(&m_timer, &QTimer::timeout, &loop, [this] { Tick(); });
        m_timer.start();
    }
    void Tick()
    {
        const double now = ThreadCpuMs();
        g_longestStretch = std::max(g_longestStretch, now - m_last);
        m_last = now;
    }

  private:
    static constexpr int kTickMs = 5;
    QTimer m_timer;
    double m_last = ThreadCpuMs();
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

PictureHold::PictureHold()
{
    ++g_holds;
}

PictureHold::~PictureHold()
{
    if (--g_holds > 0)
        return;
    std::vector<FreeWaiter> waiters;
    waiters.swap(g_freeWaiters);
    for (FreeWaiter& waiter : waiters)
        QueueWaiter(std::move(waiter));
}

bool IsPictureHeld()
{
    return g_holds > 0;
}

void WhenPictureFree(QObject* context, std::function<void()> then)
{
    FreeWaiter waiter{context, std::move(then)};
    if (g_holds > 0)
        g_freeWaiters.push_back(std::move(waiter));
    else
        QueueWaiter(std::move(waiter));
}

bool Run(QWidget* window, const std::function<void()>& work)
{
    if (g_running)
        return false;
    const PictureHold hold;
    g_running = true;
    g_longestStretch = 0;
    const double start = ThreadCpuMs();

    QApplication::setOverrideCursor(Qt::WaitCursor);
    CloseGuard guard;
    QPointer<QWidget> guarded = window;
    if (window)
        window->installEventFilter(&guard);

    std::atomic<bool> done{false};
    std::exception_ptr failure;
    QEventLoop loop;
    StretchMeter meter(loop);
    g_longestStretch = std::max(g_longestStretch, ThreadCpuMs() - start);
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

bool IsRunning()
{
    return g_running;
}

void WaitForView(CPreview& view)
{
    if (!view.IsLoading())
        return;
    QEventLoop loop;
    QPointer<CPreview> alive = &view;
    Spin([&] { return !alive || !alive->IsLoading(); }, loop);
}

double LongestGuiStretch()
{
    return g_longestStretch;
}

} // namespace vkjob
