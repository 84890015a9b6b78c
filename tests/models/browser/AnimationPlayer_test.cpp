// The player: plays every frame in order as often as the file says and
// stops on the last, steps round the ends while paused, and hands out the
// frames with the shown picture's colour profile kept.
#include "TestSupport.h"
#include "models/browser/AnimationPlayer.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

using namespace vktest;

namespace {

// Four frames of 20 ms each, colours told apart by red.
std::unique_ptr<CFrameSource> FourFrames(const TempDir& dir, const std::string& loop)
{
    const std::string path = dir.File("four.gif");
    EXPECT_EQ(Run(ImageMagick() + " -delay 2 -size 6x4 xc:'rgb(10,0,0)' xc:'rgb(20,0,0)' xc:'rgb(30,0,0)' " +
                  "xc:'rgb(40,0,0)' -loop " + loop + " " + Quote(path) + " 2>/dev/null"),
              0);
    return OpenFramesOfFile(path);
}

template <class Done> bool WaitFor(Done done)
{
    for (int i = 0; i < 10000 && !done(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (!done())
            QThread::msleep(1);
    }
    return done();
}

int RedOf(const CWinBmp& bmp)
{
    return int(bmp.GetLine32(0)[0] >> 16 & 0xFF);
}

} // namespace

TEST(AnimationPlayer, PlaysEveryFrameAsOftenAsTheFileSaysThenStopsOnTheLast)
{
    TempDir dir;
    CAnimationPlayer player;
    std::vector<int> shown;
    CWinBmp picture;
    QObject::connect(&player, &CAnimationPlayer::FrameReady, [&] {
        ASSERT_TRUE(player.TakeFrame(picture));
        shown.push_back(RedOf(picture));
    });
    // -loop 2: two plays; frame 0 of the first is the caller's.
    player.Start(FourFrames(dir, "2"));
    ASSERT_TRUE(player.IsActive());
    EXPECT_EQ(player.FrameText(), "frame 1 of 4");
    ASSERT_TRUE(WaitFor([&] { return player.IsPaused(); }));
    EXPECT_EQ(shown, (std::vector<int>{20, 30, 40, 10, 20, 30, 40}));
    EXPECT_EQ(player.FrameText(), "frame 4 of 4 (paused)");
    // Played on after the end: from the start again.
    player.SetPaused(false);
    ASSERT_TRUE(WaitFor([&] { return shown.size() >= 8; }));
    EXPECT_EQ(shown[7], 10);
    player.Stop();
    EXPECT_FALSE(player.IsActive());
    EXPECT_EQ(player.FrameText(), "");
}

TEST(AnimationPlayer, StepsRoundTheEndsAndKeepsTheColourProfile)
{
    TempDir dir;
    CAnimationPlayer player;
    CWinBmp picture;
    picture.Create(6, 4, 32, false);
    const ColourProfilePtr profile = MakeSrgbProfile();
    picture.SetColourProfile(profile);
    int frames = 0;
    QObject::connect(&player, &CAnimationPlayer::FrameReady, [&] {
        ASSERT_TRUE(player.TakeFrame(picture));
        ++frames;
    });
    player.Start(FourFrames(dir, "0"));
    player.Step(-1);
    EXPECT_TRUE(player.IsPaused());
    ASSERT_TRUE(WaitFor([&] { return frames == 1; }));
    EXPECT_EQ(player.CurrentFrame(), 3);
    EXPECT_EQ(RedOf(picture), 40);
    EXPECT_EQ(picture.GetColourProfile(), profile);
    player.Step(1);
    ASSERT_TRUE(WaitFor([&] { return frames == 2; }));
    EXPECT_EQ(player.FrameText(), "frame 1 of 4 (paused)");
    EXPECT_EQ(RedOf(picture), 10);
    // Two steps asked at once land two frames on.
    player.Step(1);
    player.Step(1);
    ASSERT_TRUE(WaitFor([&] { return player.CurrentFrame() == 2; }));
    EXPECT_EQ(RedOf(picture), 30);
    // Nothing more comes while paused.
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(player.CurrentFrame(), 2);
    EXPECT_FALSE(player.TakeFrame(picture));
}
