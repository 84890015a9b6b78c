// The slide show worker: wrap-around with delay 0, undecodable files, one
// step in flight, and Stop during a long delay. The orders themselves are
// tested on their own (SlideOrder_test).
#include "models/browser/SlideShow.h"

#include "TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QThread>
#include <gtest/gtest.h>

namespace {

std::string Ppm(int width, int height)
{
    return "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n" +
           std::string(size_t(width * height * 3), char(90));
}

struct Recorded {
    int index;
    bool ok;
    int width;
};

class SlideShowTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        names = {"a.ppm", "b.ppm", "broken.ppm", "d.ppm"};
        vktest::WriteFile(dir.File("a.ppm"), Ppm(10, 5));
        vktest::WriteFile(dir.File("b.ppm"), Ppm(20, 5));
        vktest::WriteFile(dir.File("broken.ppm"), "P6\n10 10\n255\nshort");
        vktest::WriteFile(dir.File("d.ppm"), Ppm(40, 5));
        show.SetOwner(&owner, 0);
        show.SetStepHandler([this](SlideStep& step) {
            steps.push_back({step.index, step.ok, step.picture ? step.picture->GetWidth() : 0});
            if (holdSteps)
                held.push_back(step.serial);
            else
                show.StepShown(step.serial);
        });
    }
    void TearDown() override
    {
        show.SignalStop();
        int32_t code = 0;
        show.Stop(code, -1);
    }
    void Begin(int sequence, int delay, int current)
    {
        show.ResetStop();
        show.Configure(sequence, delay, true, names, current, dir.Path() + "/", 42);
        show.Start();
        show.PostCommand(CThread::CmdJob);
    }
    // Processes events until `count` steps arrived (or ten seconds passed).
    void WaitForSteps(size_t count)
    {
        QElapsedTimer timer;
        timer.start();
        while (steps.size() < count && timer.elapsed() < 10000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(1);
        }
    }

    vktest::TempDir dir;
    std::vector<std::string> names;
    QObject owner;
    CSlideShow show;
    std::vector<Recorded> steps;
    bool holdSteps = false;
    std::vector<uint64_t> held;
};

} // namespace

TEST_F(SlideShowTest, ForwardWithoutDelayWrapsAndGoesPastUndecodableFiles)
{
    show.Configure(9, 99, false, names, 0, "/pics/", 1); // out of range: clamped
    EXPECT_EQ(show.GetSequence(), 2);
    EXPECT_EQ(show.GetDelaySeconds(), 10);

    Begin(CSlideOrder::Forward, 0, 1);
    WaitForSteps(9);
    ASSERT_GE(steps.size(), 9u);
    const int expected[] = {2, 3, 0, 1, 2, 3, 0, 1, 2};
    for (size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(steps[i].index, expected[i]) << "step " << i;
        EXPECT_EQ(steps[i].ok, expected[i] != 2) << "step " << i;
        const int widths[] = {10, 20, 0, 40};
        EXPECT_EQ(steps[i].width, widths[expected[i]]) << "each step carries its own picture";
    }
}

TEST_F(SlideShowTest, OneStepInFlightUntilTheOwnerTookIt)
{
    holdSteps = true;
    Begin(CSlideOrder::Forward, 0, -1);
    WaitForSteps(1);
    // The worker has decoded the next picture by now but must not hand it over.
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].index, 0);
    show.StepShown(held.back());
    WaitForSteps(2);
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[1].index, 1);
}

TEST_F(SlideShowTest, StopDuringATenSecondDelayEndsTheShowAtOnce)
{
    Begin(CSlideOrder::Forward, 10, 0);
    WaitForSteps(1);
    ASSERT_EQ(steps.size(), 1u) << "the first slide comes at once";
    EXPECT_EQ(show.GetStatus(), CThread::StatusRunning);
    show.SignalStop();
    int32_t code = 0;
    // A worker that sat out its delay would still be running after five of
    // its ten seconds.
    EXPECT_TRUE(show.Stop(code, 50));
    EXPECT_EQ(code, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(steps.size(), 1u) << "no step after the stop";

    // The same worker runs again.
    steps.clear();
    Begin(CSlideOrder::Forward, 0, 0);
    WaitForSteps(2);
    EXPECT_GE(steps.size(), 2u);
}
