#include "models/fileops/Thread.h"

#include <chrono>
#include <map>
#include <system_error>

namespace {

// One lock guards the state of every worker object and the class-lock
// registry. Made on first use and never destroyed, so workers that end
// during static destruction still find it.
std::mutex& GlobalLock()
{
    static std::mutex* lock = new std::mutex;
    return *lock;
}

// Class lock registry: name -> number of running threads that hold it.
std::map<std::string, int>& Registry()
{
    static auto* registry = new std::map<std::string, int>;
    return *registry;
}

} // namespace

CThread::CThread(QObject* window, uint32_t value) : ownerWindow(window), ownerValue(value)
{
    std::lock_guard<std::mutex> lock(GlobalLock());
    Reset();
}

CThread::CThread(const char* name, QObject* window) : CThread(window, 0)
{
    commandsEnabled = true;
    classLockEnabled = true;
    lockName = name;
}

CThread::~CThread()
{
    // Derived classes end the thread in their own destructors; this is the
    // last resort for a thread that is still alive.
    try {
        Kill(0, true);
    } catch (...) {
    }
    std::lock_guard<std::mutex> lock(GlobalLock());
    eventCreated = false;
    Reset();
}

void CThread::SetOwner(QObject* window, uint32_t value)
{
    std::lock_guard<std::mutex> lock(GlobalLock());
    ownerWindow = window;
    ownerValue = value;
}

void CThread::GetOwner(QObject*& window, uint32_t& value) const
{
    std::lock_guard<std::mutex> lock(GlobalLock());
    window = ownerWindow.data();
    value = ownerValue;
}

void CThread::Reset()
{
    threadId = std::thread::id();
    status = StatusIdle;
    lockEntry = false;
    killRequested = false;
    commands.clear();
    commands.shrink_to_fit();
}

void CThread::ReleaseLockEntry()
{
    if (!lockEntry)
        return;
    auto& registry = Registry();
    auto it = registry.find(lockName);
    if (it != registry.end()) {
        if (it->second < 2)
            registry.erase(it);
        else
            --it->second;
    }
    lockEntry = false;
}

int CThread::ClassLockCount(const std::string& name)
{
    std::lock_guard<std::mutex> lock(GlobalLock());
    auto it = Registry().find(name);
    return it == Registry().end() ? 0 : it->second;
}

void CThread::Start()
{
    std::unique_lock<std::mutex> lock(GlobalLock());
    if (threadAlive) {
        lock.unlock();
        throw CThreadException(this, CThreadException::AlreadyStarted, "Thread is already started!");
    }
    // A thread that ended earlier has finished its last locked step.
    if (thread.joinable())
        thread.join();
    Reset();
    abortFlag->store(false, std::memory_order_release);
    stopFlag.store(false, std::memory_order_release);
    if (commandsEnabled && !eventCreated) {
        eventCreated = true;
        eventSignalled = false;
    }
    if (classLockEnabled) {
        ++Registry()[lockName];
        lockEntry = true;
    }
    threadAlive = true;
    exitCode = kStillActive;
    try {
        thread = std::thread(&CThread::ThreadEntry, this);
    } catch (const std::system_error& e) {
        threadAlive = false;
        exitCode = kNeverRun;
        ReleaseLockEntry();
        Reset();
        lock.unlock();
        throw CThreadException(this, CThreadException::CreateFailed, e.code().message());
    }
    threadId = thread.get_id();
    std::string error;
    if (!PostLocked(CmdInit, error)) {
        // The new thread waits for its first command; tell it to end.
        killRequested = true;
        eventSignalled = true;
        notifyEvent.notify_all();
        lock.unlock();
        thread.join();
        lock.lock();
        ReleaseLockEntry();
        Reset();
        lock.unlock();
        throw CThreadException(this, CThreadException::PostFailed, error);
    }
    status = StatusStarted;
}

void CThread::ThreadEntry()
{
    int result = -1;
    try {
        result = Work();
    } catch (...) {
        // An exception must not end the process from a worker thread.
        result = -1;
    }
    std::lock_guard<std::mutex> lock(GlobalLock());
    ReleaseLockEntry();
    Reset();
    exitCode = result;
    threadAlive = false;
    endedEvent.notify_all();
}

bool CThread::SetPriority(int value)
{
    std::lock_guard<std::mutex> lock(GlobalLock());
    if (!threadAlive)
        return false;
    priority = value;
    return true;
}

int CThread::GetPriority() const
{
    std::lock_guard<std::mutex> lock(GlobalLock());
    return priority;
}

bool CThread::PostLocked(uint32_t code, std::string& error)
{
    if (!commandsEnabled || !eventCreated || code == CmdNone)
        return true;
    if (!commands.empty() && commands.back() == code)
        return true; // consecutive duplicates collapse into one
    try {
        commands.push_back(code);
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
    eventSignalled = true;
    notifyEvent.notify_all();
    return true;
}

void CThread::PostCommand(uint32_t code)
{
    std::unique_lock<std::mutex> lock(GlobalLock());
    if (!threadAlive)
        return;
    std::string error;
    if (!PostLocked(code, error)) {
        lock.unlock();
        throw CThreadException(this, CThreadException::PostFailed, error);
    }
}

bool CThread::PostCommandFirst(uint32_t code)
{
    std::lock_guard<std::mutex> lock(GlobalLock());
    if (!threadAlive || !commandsEnabled || !eventCreated || code == CmdNone)
        return false;
    try {
        commands.push_front(code);
    } catch (const std::exception&) {
        return false;
    }
    eventSignalled = true;
    notifyEvent.notify_all();
    return true;
}

bool CThread::TakeCommand(uint32_t& code)
{
    code = CmdNone;
    if (!commandsEnabled || !eventCreated || commands.empty())
        return false;
    code = commands.front();
    commands.pop_front();
    return true;
}

void CThread::WaitForCommand(uint32_t& code, uint32_t timeoutMs)
{
    std::unique_lock<std::mutex> lock(GlobalLock());
    code = CmdNone;
    if (!commandsEnabled || !eventCreated)
        return;
    for (;;) {
        if (TakeCommand(code))
            return;
        if (killRequested) {
            code = CmdStop;
            return;
        }
        auto signalled = [this] { return eventSignalled; };
        if (timeoutMs == kInfinite) {
            notifyEvent.wait(lock, signalled);
        } else if (!notifyEvent.wait_for(lock, std::chrono::milliseconds(timeoutMs), signalled)) {
            code = CmdTimeout;
            return;
        }
        eventSignalled = false; // auto-reset
    }
}

bool CThread::IsRunning()
{
    std::lock_guard<std::mutex> lock(GlobalLock());
    if (threadAlive)
        exitCode = kStillActive;
    return threadAlive;
}

bool CThread::Stop(int32_t& out, int pollCount)
{
    std::unique_lock<std::mutex> lock(GlobalLock());
    if (!threadAlive) {
        if (thread.joinable() && thread.get_id() != std::this_thread::get_id())
            thread.join();
        out = exitCode;
        Reset();
        return true;
    }
    std::string error;
    if (!PostLocked(CmdStop, error)) {
        out = exitCode;
        lock.unlock();
        throw CThreadException(this, CThreadException::PostFailed, error);
    }
    auto ended = [this] { return !threadAlive; };
    if (pollCount < 0)
        endedEvent.wait(lock, ended);
    else if (pollCount > 0)
        endedEvent.wait_for(lock, std::chrono::milliseconds(100) * pollCount, ended);
    if (threadAlive) {
        out = exitCode = kStillActive;
        return false;
    }
    if (thread.joinable() && thread.get_id() != std::this_thread::get_id())
        thread.join();
    out = exitCode;
    return true;
}

void CThread::Kill(int32_t code, bool silent)
{
    std::unique_lock<std::mutex> lock(GlobalLock());
    if (!threadAlive && !thread.joinable()) {
        exitCode = code;
        Reset();
        return;
    }
    const bool wasAlive = threadAlive;
    abortFlag->store(true, std::memory_order_release);
    killRequested = true;
    eventSignalled = true;
    notifyEvent.notify_all();
    lock.unlock();
    WakeAsks();
    if (thread.get_id() == std::this_thread::get_id())
        thread.detach(); // called from its own body: it ends when it returns
    else if (thread.joinable())
        thread.join();
    lock.lock();
    if (silent)
        exitCode = code;
    Reset();
    lock.unlock();
    if (wasAlive)
        OnKilled();
}

int CThread::GetStatus() const
{
    std::lock_guard<std::mutex> lock(GlobalLock());
    return status;
}

void CThread::SetStatus(int value)
{
    std::lock_guard<std::mutex> lock(GlobalLock());
    status = value;
}

int32_t CThread::GetExitCode() const
{
    std::lock_guard<std::mutex> lock(GlobalLock());
    return exitCode;
}

size_t CThread::QueuedCount() const
{
    std::lock_guard<std::mutex> lock(GlobalLock());
    return commands.size();
}

void CThread::RequestAbort()
{
    abortFlag->store(true, std::memory_order_release);
    WakeAsks();
}

void CThread::ResetAbort()
{
    abortFlag->store(false, std::memory_order_release);
}

void CThread::WakeAsks()
{
    std::lock_guard<std::mutex> lock(askMutex);
    if (pendingAsk) {
        std::lock_guard<std::mutex> stateLock(pendingAsk->mutex);
        pendingAsk->answered.notify_all();
    }
}

QObject* CThread::OwnerObject() const
{
    std::lock_guard<std::mutex> lock(GlobalLock());
    return ownerWindow.data();
}

bool CThread::PostToOwner(std::function<void()> call)
{
    QObject* owner = OwnerObject();
    if (!owner)
        return false;
    QMetaObject::invokeMethod(owner, std::move(call), Qt::QueuedConnection);
    return true;
}

int CThread::CommandLoop()
{
    for (;;) {
        uint32_t code = CmdNone;
        WaitForCommand(code, kInfinite);
        switch (code) {
        case CmdNone:
            if (!commandsEnabled)
                return 0; // nothing will ever arrive
            break;
        case CmdInit:
            PostCommandFirst(CmdRun);
            break;
        case CmdRun:
            SetStatus(StatusRunning);
            break;
        case CmdStop:
            SetStopFlag();
            return 0;
        case CmdJob:
            stopFlag.store(false, std::memory_order_release);
            DoJob();
            break;
        default:
            break;
        }
    }
}
