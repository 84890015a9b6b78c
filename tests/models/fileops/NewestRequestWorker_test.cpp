// The newest-request worker: an older request is aborted and never runs
// once superseded, waiting requests collapse to the newest, idle work waits
// for requests, and Stop ends work that is running.
#include "FileOpsTestSupport.h"
#include "models/fileops/NewestRequestWorker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

using vkfotest::WaitFor;

namespace {

// Records the requests it runs (idle work as 0); request 1 spins until
// aborted or released, as a decode checking the flag at each line does.
struct Recorder {
    std::mutex mutex;
    std::vector<int> ran, delivered;
    std::atomic<bool> started{false};
    std::atomic<bool> release{false};
    int idleLeft = 0; // guarded by the worker's lock
    CNewestRequestWorker<int>* worker = nullptr;

    void Run(int request)
    {
        Log(request);
        started = true;
        while (request == 1 && !release && !worker->AbortFlag()->load())
            std::this_thread::yield();
        if (worker->Superseded())
            return;
        std::lock_guard lock(mutex);
        delivered.push_back(request);
    }
    void Log(int request)
    {
        std::lock_guard lock(mutex);
        ran.push_back(request);
    }
    std::vector<int> Ran()
    {
        std::lock_guard lock(mutex);
        return ran;
    }
    std::vector<int> Delivered()
    {
        std::lock_guard lock(mutex);
        return delivered;
    }
};

} // namespace

TEST(NewestRequestWorker, TheNewestRequestWinsAndOlderOnesStop)
{
    Recorder r;
    CNewestRequestWorker<int> worker({.run = [&r](int& request) { r.Run(request); }});
    r.worker = &worker;
    worker.Post(1);
    ASSERT_TRUE(WaitFor([&] { return r.started.load(); }));
    // While 1 runs, 2 and 3 arrive: 1 is aborted, 2 is replaced by 3.
    {
        auto lock = worker.Lock();
        worker.PostLocked(2);
        worker.PostLocked(3);
    }
    worker.Wake();
    ASSERT_TRUE(WaitFor([&] { return r.Delivered().size() == 1; }));
    EXPECT_EQ(r.Ran(), (std::vector<int>{1, 3}));
    EXPECT_EQ(r.Delivered(), std::vector<int>{3}) << "the aborted request delivers nothing";

    // Cancel stops the running request; the worker goes on.
    r.started = false;
    worker.Post(1);
    ASSERT_TRUE(WaitFor([&] { return r.started.load(); }));
    worker.Cancel();
    ASSERT_TRUE(WaitFor([&] { return r.Ran().size() == 3; }));
    worker.Post(4);
    ASSERT_TRUE(WaitFor([&] { return r.Delivered().size() == 2; }));
    EXPECT_EQ(r.Delivered(), (std::vector<int>{3, 4}));
}

TEST(NewestRequestWorker, IdleWorkRunsOnlyWhenNoRequestWaits)
{
    Recorder r;
    CNewestRequestWorker<int> worker({.run = [&r](int& request) { r.Run(request); },
                                      .hasIdleWork = [&r] { return r.idleLeft > 0; },
                                      .runIdle =
                                          [&r] {
                                              {
                                                  auto lock = r.worker->Lock();
                                                  if (r.idleLeft == 0)
                                                      return;
                                                  --r.idleLeft;
                                              }
                                              r.Log(0);
                                          }});
    r.worker = &worker;
    worker.Post(1);
    ASSERT_TRUE(WaitFor([&] { return r.started.load(); }));
    {
        auto lock = worker.Lock();
        r.idleLeft = 2;
        worker.PostLocked(5, false); // 1 goes on and delivers
    }
    worker.Wake();
    r.release = true;
    ASSERT_TRUE(WaitFor([&] { return r.Ran().size() == 4; }));
    EXPECT_EQ(r.Ran(), (std::vector<int>{1, 5, 0, 0})) << "the waiting request before the idle work";
    EXPECT_EQ(r.Delivered(), (std::vector<int>{1, 5}));
}

TEST(NewestRequestWorker, StopEndsRunningWork)
{
    Recorder r;
    auto worker = std::make_unique<CNewestRequestWorker<int>>(
        CNewestRequestWorker<int>::Handlers{.run = [&r](int& request) { r.Run(request); }});
    r.worker = worker.get();
    worker->Post(1);
    ASSERT_TRUE(WaitFor([&] { return r.started.load(); }));
    worker.reset(); // returns only when request 1 has seen the flag
    EXPECT_TRUE(r.Delivered().empty());
}
