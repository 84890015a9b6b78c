// The worker base: start, command queue, stop, kill, class locks, and
// questions asked of the owner's thread.
#include "FileOpsTestSupport.h"
#include "models/fileops/Thread.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

using vkfotest::WaitFor;

namespace {

// A worker whose body can be held before its command loop, and whose job
// runs until released or aborted.
class GateWorker : public CThread {
  public:
    explicit GateWorker(const char* name = "GateWorker")
    {
        commandsEnabled = true;
        classLockEnabled = true;
        lockName = name;
    }
    ~GateWorker() override { Kill(0, true); }

    std::atomic<bool> gateOpen{true};
    std::atomic<bool> jobRelease{false};
    std::atomic<bool> inJob{false};
    std::atomic<int> jobs{0};
    std::atomic<bool> killed{false};
    std::atomic<bool> sawAbort{false};

  protected:
    int Work() override
    {
        while (!gateOpen && !IsAbortRequested())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return CommandLoop();
    }
    void DoJob() override
    {
        ++jobs;
        inJob = true;
        while (!jobRelease && !IsAbortRequested())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (IsAbortRequested())
            sawAbort = true;
        inJob = false;
    }
    void OnKilled() override { killed = true; }
};

// A body that returns a chosen value without a command loop.
class ReturnWorker : public CThread {
  public:
    explicit ReturnWorker(int value) : value(value) {}
    ~ReturnWorker() override { Kill(0, true); }
    int value;

  protected:
    int Work() override { return value; }
};

} // namespace

TEST(Thread, StartsRunsJobsAndStopsWithExitCodeZero)
{
    GateWorker worker;
    EXPECT_EQ(worker.GetStatus(), CThread::StatusIdle);
    EXPECT_EQ(worker.GetExitCode(), CThread::kNeverRun);
    EXPECT_FALSE(worker.IsRunning());
    // Without a thread, posting is ignored and Stop says it never ran.
    worker.PostCommand(CThread::CmdJob);
    EXPECT_FALSE(worker.PostCommandFirst(CThread::CmdJob));
    EXPECT_EQ(worker.QueuedCount(), 0u);
    int32_t code = 0;
    EXPECT_TRUE(worker.Stop(code, 0));
    EXPECT_EQ(code, CThread::kNeverRun);

    worker.jobRelease = true;
    worker.Start();
    EXPECT_TRUE(worker.IsRunning());
    // Starting a running object throws and leaves it running.
    try {
        worker.Start();
        ADD_FAILURE() << "no exception";
    } catch (const CThreadException& e) {
        EXPECT_EQ(e.errorType, CThreadException::AlreadyStarted);
        EXPECT_STREQ(e.what(), "Thread is already started!");
    }
    EXPECT_TRUE(worker.IsRunning());
    EXPECT_EQ(worker.GetExitCode(), CThread::kStillActive);
    EXPECT_TRUE(worker.SetPriority(15));
    ASSERT_TRUE(WaitFor([&] { return worker.GetStatus() == CThread::StatusRunning; }));

    worker.PostCommand(CThread::CmdJob);
    ASSERT_TRUE(WaitFor([&] { return worker.jobs == 1; }));
    EXPECT_EQ(CThread::ClassLockCount("GateWorker"), 1);

    code = 99;
    EXPECT_TRUE(worker.Stop(code, -1));
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_EQ(worker.GetStatus(), CThread::StatusIdle);
    EXPECT_EQ(CThread::ClassLockCount("GateWorker"), 0);
    EXPECT_FALSE(worker.SetPriority(15));

    // Stop again on an ended object: true with the body's value.
    code = 99;
    EXPECT_TRUE(worker.Stop(code, 0));
    EXPECT_EQ(code, 0);

    // The object can be started again; the queue is reused.
    worker.Start();
    worker.PostCommand(CThread::CmdJob);
    ASSERT_TRUE(WaitFor([&] { return worker.jobs == 2; }));
    EXPECT_TRUE(worker.Stop(code, -1));
}

TEST(Thread, ConsecutiveDuplicateCommandsCollapse)
{
    GateWorker worker;
    worker.gateOpen = false; // the body does not take commands yet
    worker.Start();
    EXPECT_EQ(worker.QueuedCount(), 1u); // CmdInit
    worker.PostCommand(CThread::CmdJob);
    worker.PostCommand(CThread::CmdJob);
    EXPECT_EQ(worker.QueuedCount(), 2u);
    worker.PostCommand(CThread::CmdStop);
    worker.PostCommand(CThread::CmdJob);
    EXPECT_EQ(worker.QueuedCount(), 4u); // 8, 7, 8 all queued
    worker.PostCommand(CThread::CmdNone);
    EXPECT_EQ(worker.QueuedCount(), 4u);
    EXPECT_FALSE(worker.PostCommandFirst(CThread::CmdNone));
    EXPECT_TRUE(worker.PostCommandFirst(CThread::CmdRun));
    EXPECT_EQ(worker.QueuedCount(), 5u);

    worker.jobRelease = true;
    worker.gateOpen = true;
    int32_t code = 1;
    EXPECT_TRUE(worker.Stop(code, -1));
    EXPECT_EQ(code, 0);
    // The job before the first stop ran once; the loop ended at that stop.
    EXPECT_EQ(worker.jobs, 1);
}

TEST(Thread, StopWithoutPollsOnBusyWorkerReturnsAtOnce)
{
    GateWorker worker;
    worker.Start();
    worker.PostCommand(CThread::CmdJob);
    ASSERT_TRUE(WaitFor([&] { return worker.inJob.load(); }));

    int32_t code = 0;
    EXPECT_FALSE(worker.Stop(code, 0));
    EXPECT_EQ(code, CThread::kStillActive);
    EXPECT_TRUE(worker.IsRunning());
    // A few polls are not enough while the job holds on.
    EXPECT_FALSE(worker.Stop(code, 1));

    // The queued stop is handled once the job has returned.
    worker.jobRelease = true;
    ASSERT_TRUE(WaitFor([&] { return !worker.IsRunning(); }));
    EXPECT_TRUE(worker.Stop(code, 0));
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(worker.killed);
}

TEST(Thread, AbortEndsJobAndDestroyingRunningOwnerEndsThreadQuietly)
{
    std::atomic<bool> sawAbort{false};
    std::atomic<bool> killed{false};
    {
        GateWorker worker("Abortable");
        worker.Start();
        worker.PostCommand(CThread::CmdJob);
        ASSERT_TRUE(WaitFor([&] { return worker.inJob.load(); }));
        EXPECT_EQ(CThread::ClassLockCount("Abortable"), 1);

        // The abort request alone ends the job; the loop then waits again.
        worker.RequestAbort();
        ASSERT_TRUE(WaitFor([&] { return !worker.inJob; }));
        EXPECT_TRUE(worker.sawAbort);
        EXPECT_TRUE(worker.IsRunning());
        worker.ResetAbort();

        worker.PostCommand(CThread::CmdJob);
        ASSERT_TRUE(WaitFor([&] { return worker.jobs == 2 && worker.inJob; }));
        // Destroyed with a job in progress: no exception, no hang.
        worker.sawAbort = false;
        worker.Kill(0, true);
        sawAbort = worker.sawAbort.load();
        killed = worker.killed.load();
        EXPECT_FALSE(worker.IsRunning());
        EXPECT_EQ(worker.GetExitCode(), 0);
    }
    EXPECT_TRUE(sawAbort);
    EXPECT_TRUE(killed);
    EXPECT_EQ(CThread::ClassLockCount("Abortable"), 0);

    // A worker destroyed while it has not even reached its loop.
    {
        GateWorker worker;
        worker.gateOpen = false;
        worker.Start();
    }
    EXPECT_EQ(CThread::ClassLockCount("GateWorker"), 0);
}

TEST(Thread, ClassLocksAreSharedByName)
{
    GateWorker a("Shared"), b("Shared"), c("Other");
    a.Start();
    b.Start();
    c.Start();
    EXPECT_EQ(CThread::ClassLockCount("Shared"), 2);
    EXPECT_EQ(CThread::ClassLockCount("Other"), 1);
    int32_t code = 0;
    EXPECT_TRUE(a.Stop(code, -1));
    EXPECT_EQ(CThread::ClassLockCount("Shared"), 1);
    EXPECT_TRUE(b.Stop(code, -1));
    EXPECT_TRUE(c.Stop(code, -1));
    EXPECT_EQ(CThread::ClassLockCount("Shared"), 0);
    EXPECT_EQ(CThread::ClassLockCount("Other"), 0);
}

namespace {

class TimeoutWorker : public CThread {
  public:
    TimeoutWorker() { commandsEnabled = true; }
    ~TimeoutWorker() override { Kill(0, true); }
    std::atomic<uint32_t> first{CThread::CmdNone};

  protected:
    int Work() override
    {
        uint32_t code = CmdNone;
        WaitForCommand(code, kInfinite); // CmdInit
        WaitForCommand(code, 1);
        first = code;
        return 7;
    }
};

// Asks the owner a question from its job.
class AskWorker : public CThread {
  public:
    explicit AskWorker(QObject* owner) : CThread(owner) { commandsEnabled = true; }
    ~AskWorker() override { Kill(0, true); }
    std::function<int()> question;
    std::atomic<int> answer{-100};
    std::atomic<bool> asked{false};
    std::atomic<bool> posted{false};

  protected:
    int Work() override { return CommandLoop(); }
    void DoJob() override
    {
        asked = true;
        answer = AskOwner<int>(question, -1);
        PostToOwner([this] { posted = true; });
    }
};

} // namespace

TEST(Thread, BodyReturnValueIsTheExitCodeAndWaitsTimeOut)
{
    ReturnWorker plain(42);
    plain.Start();
    ASSERT_TRUE(WaitFor([&] { return !plain.IsRunning(); }));
    int32_t plainCode = 0;
    EXPECT_TRUE(plain.Stop(plainCode, 0));
    EXPECT_EQ(plainCode, 42);
    EXPECT_EQ(plain.QueuedCount(), 0u) << "commands off: no queue";

    TimeoutWorker worker;
    worker.Start();
    ASSERT_TRUE(WaitFor([&] { return !worker.IsRunning(); }));
    EXPECT_EQ(worker.first, CThread::CmdTimeout);
    int32_t code = 0;
    EXPECT_TRUE(worker.Stop(code, 0));
    EXPECT_EQ(code, 7);
}

TEST(Thread, QuestionsRunOnTheOwnerThreadAndAbortReleasesTheAsker)
{
    QObject owner;
    AskWorker worker(&owner);
    QObject* gotOwner = nullptr;
    uint32_t value = 5;
    worker.GetOwner(gotOwner, value);
    EXPECT_EQ(gotOwner, &owner);
    EXPECT_EQ(value, 0u);

    std::atomic<bool> onOwnerThread{false};
    worker.question = [&] {
        onOwnerThread = QThread::currentThread() == owner.thread();
        return 1108;
    };
    worker.Start();
    worker.PostCommand(CThread::CmdJob);
    ASSERT_TRUE(WaitFor([&] { return worker.posted.load(); }));
    EXPECT_EQ(worker.answer, 1108);
    EXPECT_TRUE(onOwnerThread);

    // An abort while the question waits for the owner: the worker gets the
    // abort answer and the question is never shown.
    std::atomic<bool> shown{false};
    worker.question = [&] {
        shown = true;
        return 5;
    };
    worker.asked = false;
    worker.posted = false;
    worker.PostCommand(CThread::CmdJob);
    // Wait without processing the owner's queued calls, so the question
    // cannot be shown before the abort.
    while (!worker.asked)
        std::this_thread::yield();
    worker.RequestAbort();
    ASSERT_TRUE(WaitFor([&] { return worker.posted.load(); }));
    EXPECT_EQ(worker.answer, -1);
    EXPECT_FALSE(shown);
}
