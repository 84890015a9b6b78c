// CThread: the base of every background worker (delete, paste, find,
// compare, slide show). One object owns at most one thread at a time; the
// owner hands it small integer commands through a queue and asks it to stop.
// The worker reports to its owner only through queued calls into the
// owner's thread (PostToOwner), and asks it questions with AskOwner.
//
// A thread cannot be ended safely from outside here, so cancelling is
// cooperative: RequestAbort() sets a flag every job tests at least once per
// file or chunk, and Kill() aborts, queues CmdStop and joins.
//
// Every class that derives from CThread must call Kill(0, true) at the top
// of its own destructor: the thread runs the derived class's Work(), which
// must not outlive the members it uses.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class CThread;

class CThreadException : public std::exception {
  public:
    enum Type : int {
        CreateFailed = 1,   // the thread could not be created
        AlreadyStarted = 2, // Start on a thread that is alive
        KillFailed = 3,     // the thread could not be ended
        EventFailed = 4,    // the notify event could not be made
        PostFailed = 5      // a command could not be queued
    };

    CThreadException(CThread* thread, int errorType, std::string message)
        : thread(thread), message(std::move(message)), errorType(errorType)
    {
    }
    const char* what() const noexcept override { return message.c_str(); }

    CThread* thread;
    std::string message;
    int errorType;
};

class CThread {
  public:
    // Command codes; 0 is none.
    enum Command : uint32_t {
        CmdNone = 0,
        CmdTimeout = 1, // WaitForCommand timed out
        CmdInit = 2,    // queued by Start
        CmdRun = 3,     // queued by the thread itself on CmdInit
        CmdStop = 7,    // ends the command loop
        CmdJob = 8      // do the worker's job once
    };
    // Status values.
    enum Status : int { StatusStarted = 0, StatusIdle = 1, StatusRunning = 2 };
    // Exit code while the thread has not ended.
    static constexpr int32_t kStillActive = 259;
    // Exit code after construction, before any run.
    static constexpr int32_t kNeverRun = -2;
    static constexpr uint32_t kInfinite = 0xFFFFFFFFu;

    explicit CThread(QObject* ownerWindow = nullptr, uint32_t ownerValue = 0);
    // A worker that takes commands and holds the class lock `lockName`.
    CThread(const char* lockName, QObject* ownerWindow);
    virtual ~CThread();
    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;

    void SetOwner(QObject* window, uint32_t value);
    void GetOwner(QObject*& window, uint32_t& value) const;

    // Starts the thread and queues CmdInit. Throws CThreadException
    // (AlreadyStarted while the thread is alive, CreateFailed, PostFailed).
    void Start();
    // Records the wanted priority; true while a thread exists. Raising a
    // thread's priority needs privileges on Linux, so the value is advisory.
    bool SetPriority(int priority);
    int GetPriority() const;
    // Queues `code` unless it equals the last queued code; nothing without
    // a thread. Throws PostFailed when the command cannot be queued.
    void PostCommand(uint32_t code);
    // Puts `code` at the front; only with a thread, commands on and code != 0.
    bool PostCommandFirst(uint32_t code);
    // On the worker's own thread: the next command, waiting at most
    // `timeoutMs` (kInfinite for no limit); CmdTimeout when the wait ran out,
    // CmdNone when commands are off.
    void WaitForCommand(uint32_t& code, uint32_t timeoutMs);
    // A thread exists and has not ended; exitCode reads kStillActive then.
    bool IsRunning();
    // Queues CmdStop and waits up to pollCount * 100 ms (-1: until the thread
    // ends, 0: not at all). True with the body's exit code once it ended,
    // false with kStillActive while it still runs.
    bool Stop(int32_t& exitCode, int pollCount);
    // Ends the thread cooperatively: abort flag, CmdStop, join. The exit
    // code becomes `exitCode` when `silent`. Safe to call when idle.
    void Kill(int32_t exitCode, bool silent);

    int GetStatus() const;
    void SetStatus(int value);
    int32_t GetExitCode() const;

    // Cooperative cancel: the owner's abort request, tested by jobs.
    void RequestAbort();
    void ResetAbort();
    bool IsAbortRequested() const { return abortFlag->load(std::memory_order_acquire); }
    // A job's test for ending early: an abort request or CmdStop.
    bool IsCancelled() const { return IsAbortRequested() || StopFlag(); }

    // Commands currently queued (for diagnostics and tests).
    size_t QueuedCount() const;
    // How many live threads hold the class lock `name`.
    static int ClassLockCount(const std::string& name);

    // Runs `call` on the owner's thread, queued; false without an owner.
    bool PostToOwner(std::function<void()> call);
    // Runs `question` on the owner's thread and waits for its answer; gives
    // `onAbort` when an abort is requested first. Without an owner the
    // question runs on the calling thread.
    template <class T> T AskOwner(std::function<T()> question, T onAbort);

  protected:
    // The thread body; its return value is the exit code.
    virtual int Work() = 0;
    // Called after Kill ended a running thread.
    virtual void OnKilled() {}
    // The body every worker shares: waits for commands, answers CmdInit with
    // CmdRun first, CmdRun with the running status, CmdJob with DoJob()
    // (stop flag cleared first), and returns 0 on CmdStop.
    int CommandLoop();
    virtual void DoJob() {}
    bool StopFlag() const { return stopFlag.load(std::memory_order_acquire); }
    void SetStopFlag() { stopFlag.store(true, std::memory_order_release); }

    bool commandsEnabled = false;
    bool classLockEnabled = false;
    std::string lockName;

  private:
    void Reset();
    void ThreadEntry();
    void ReleaseLockEntry();
    bool PostLocked(uint32_t code, std::string& error);
    bool TakeCommand(uint32_t& code);
    void JoinIfEnded();
    // Wakes a worker blocked in AskOwner.
    void WakeAsks();
    QObject* OwnerObject() const;

    QPointer<QObject> ownerWindow;
    uint32_t ownerValue = 0;
    std::thread thread;
    std::thread::id threadId;
    bool threadAlive = false; // the body has not returned yet
    bool lockEntry = false;
    bool killRequested = false; // Kill asked the body to end
    bool eventCreated = false;
    bool eventSignalled = false;
    std::condition_variable notifyEvent;
    std::condition_variable endedEvent;
    int32_t exitCode = kNeverRun;
    int status = StatusIdle;
    int priority = 0;
    std::deque<uint32_t> commands;
    // Shared so a question queued to the owner can still read it.
    std::shared_ptr<std::atomic<bool>> abortFlag = std::make_shared<std::atomic<bool>>(false);
    std::atomic<bool> stopFlag{false};

    struct AskState {
        std::mutex mutex;
        std::condition_variable answered;
        bool done = false;
    };
    std::mutex askMutex;
    std::shared_ptr<AskState> pendingAsk;
};

template <class T> T CThread::AskOwner(std::function<T()> question, T onAbort)
{
    QObject* owner = OwnerObject();
    if (!owner)
        return question();
    auto state = std::make_shared<AskState>();
    auto answer = std::make_shared<T>(onAbort);
    {
        std::lock_guard<std::mutex> lock(askMutex);
        pendingAsk = state;
    }
    QMetaObject::invokeMethod(
        owner,
        [state, answer, question, abort = abortFlag]() {
            // The worker may have given up (abort); then nobody waits and
            // the question is not shown.
            {
                std::lock_guard<std::mutex> lock(state->mutex);
                if (state->done || abort->load(std::memory_order_acquire))
                    return;
            }
            T value = question();
            std::lock_guard<std::mutex> lock(state->mutex);
            if (!state->done) {
                *answer = std::move(value);
                state->done = true;
            }
            state->answered.notify_all();
        },
        Qt::QueuedConnection);
    T result = onAbort;
    {
        std::unique_lock<std::mutex> lock(state->mutex);
        state->answered.wait(lock, [&] { return state->done || IsAbortRequested(); });
        if (state->done && !IsAbortRequested())
            result = *answer;
        state->done = true;
    }
    std::lock_guard<std::mutex> lock(askMutex);
    pendingAsk.reset();
    return result;
}
