// Results a worker hands to its owner's thread: a lone find shows while the
// walk goes on, and the end of the job arrives after every result.
#include "FileOpsTestSupport.h"
#include "models/fileops/JobThread.h"
#include "models/search/ResultBatch.h"

#include <QObject>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// Finds one file, then keeps walking until released; then one more.
struct SlowWalkJob {
    static constexpr const char* kLockName = "SlowWalkJob";
    static void Run(const SlowWalkJob& job, CThread& worker)
    {
        {
            CResultBatch<std::string> batch(worker, job.found);
            batch.Add("first.png");
            while (!*job.release && !worker.IsCancelled())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            batch.Add("second.png");
        }
        worker.PostToOwner(job.finished);
    }
    std::shared_ptr<std::atomic<bool>> release;
    std::function<void(const std::vector<std::string>&)> found;
    std::function<void()> finished;
};

} // namespace

TEST(ResultBatch, ALoneResultArrivesWhileTheWalkGoesOn)
{
    QObject owner;
    std::vector<std::string> events;
    auto release = std::make_shared<std::atomic<bool>>(false);
    CJobThread<SlowWalkJob> worker(&owner);
    worker.SetJob({release,
                   [&](const std::vector<std::string>& paths) {
                       events.insert(events.end(), paths.begin(), paths.end());
                   },
                   [&] { events.push_back("end"); }});
    worker.Start();
    worker.PostCommand(CThread::CmdJob);

    // The worker is still walking: nothing else will push the first out.
    EXPECT_TRUE(vkfotest::WaitFor([&] { return !events.empty(); }));
    EXPECT_EQ(events, std::vector<std::string>{"first.png"});

    *release = true;
    EXPECT_TRUE(vkfotest::WaitFor([&] { return events.size() == 3; }));
    EXPECT_EQ(events, (std::vector<std::string>{"first.png", "second.png", "end"}));
}
