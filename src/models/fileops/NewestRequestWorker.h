// CNewestRequestWorker: one worker thread for a view that asks for one thing
// at a time (decode this file, scale that picture) and wants only the answer
// to its newest question. A request replaces the one waiting and raises the
// abort flag, which the running work tests and hands to its decoder, so an
// older request stops at the decoder's next line; the work asks Superseded()
// before it delivers, so the result of an older request is dropped.
//
// Work that is not asked for (decoding ahead, freeing pictures) runs when no
// request waits: `hasIdleWork` says there is some, `runIdle` does it. Both
// belong to the owner, whose state they read; the worker's mutex guards that
// state too, so the owner changes it under Lock() and then calls Wake(), and
// `hasIdleWork` is called with the lock held. The thread starts at once and
// the handlers use the owner's members: the owner declares the worker last.
//
// Plain std::thread, no Qt: the owner delivers results to its own thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

template <class Request> class CNewestRequestWorker {
  public:
    struct Handlers {
        std::function<void(Request&)> run;      // the newest request, outside the lock
        std::function<bool()> hasIdleWork = {}; // under the lock
        std::function<void()> runIdle = {};     // outside the lock
    };

    explicit CNewestRequestWorker(Handlers handlers) : m_handlers(std::move(handlers))
    {
        m_thread = std::thread([this] { Loop(); });
    }
    ~CNewestRequestWorker() { Stop(); }
    CNewestRequestWorker(const CNewestRequestWorker&) = delete;
    CNewestRequestWorker& operator=(const CNewestRequestWorker&) = delete;

    // Ends the thread: the waiting request is dropped, the running work is
    // aborted and waited for.
    void Stop()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
            m_pending.reset();
            m_abort = true;
        }
        m_wake.notify_one();
        if (m_thread.joinable())
            m_thread.join();
    }

    // Supersedes the request waiting and the one running.
    void Post(Request request)
    {
        {
            std::lock_guard lock(m_mutex);
            PostLocked(std::move(request));
        }
        Wake();
    }
    // Drops the request waiting and stops the one running.
    void Cancel()
    {
        std::lock_guard lock(m_mutex);
        DropLocked();
    }

    // The same with the lock held: the owner decides under it, together with
    // its own state, whether the running work is stopped (it may be running
    // the very thing asked for). Call Wake() after unlocking.
    std::unique_lock<std::mutex> Lock() { return std::unique_lock(m_mutex); }
    void PostLocked(Request request, bool abortRunning = true)
    {
        m_pending = std::move(request);
        if (abortRunning)
            m_abort = true;
    }
    void DropLocked(bool abortRunning = true)
    {
        m_pending.reset();
        if (abortRunning)
            m_abort = true;
    }
    void AbortLocked() { m_abort = true; }
    void Wake() { m_wake.notify_one(); }

    // On the worker: true when the work running should stop and not deliver.
    bool Superseded()
    {
        std::lock_guard lock(m_mutex);
        return m_stop || m_abort;
    }
    // The flag to hand to decoders (CPicDecoder::SetAbortFlag).
    const std::atomic<bool>* AbortFlag() const { return &m_abort; }

  private:
    void Loop()
    {
        for (;;) {
            std::optional<Request> request;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] {
                    return m_stop || m_pending.has_value() ||
                           (m_handlers.hasIdleWork && m_handlers.hasIdleWork());
                });
                if (m_stop)
                    return;
                m_abort = false;
                request = std::move(m_pending);
                m_pending.reset();
            }
            if (request)
                m_handlers.run(*request);
            else
                m_handlers.runIdle();
        }
    }

    Handlers m_handlers;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<Request> m_pending;
    bool m_stop = false;
    std::atomic<bool> m_abort{false};
    std::thread m_thread;
};
