// A picture that moves in the window: it plays in the viewer with the frame
// in the status bar, P pauses, "." and "," step while Space still goes to
// the next picture, and an edit or Save As works on the frame shown and
// says so.
#include "EditSaveFixture.h"
#include "engine/picture/Animation.h"

using namespace vkuitest;
using vktest::Pixels;

namespace {

class AnimationTest : public EditSaveTest {
  protected:
    // "anim.gif" (three frames of 10 s, so none moves on by itself while a
    // step is checked) and "still.bmp" after it, shown in the viewer.
    void StartWithAnimation()
    {
        ASSERT_EQ(vktest::Run(vktest::ImageMagick() +
                              " -delay 1000 -size 30x20 xc:'#c02020' -dispose previous " +
                              "\\( -size 10x10 xc:'#2020c0' -repage +5+5 \\) -dispose none " +
                              "\\( -size 8x8 xc:'#20c020' -repage +20+10 \\) -loop 0 " +
                              vktest::Quote(pics.File("anim.gif")) + " 2>/dev/null"),
                  0);
        WriteBmp(pics.File("still.bmp"), 12, 9);
        ASSERT_TRUE(Start(pics.Path()));
        SelectRow(RowOf("anim.gif"));
        ASSERT_TRUE(frame->RunCommand(Cmd::Viewer));
        WaitForLoad(frame->GetView());
        frames = OpenFramesOfFile(pics.File("anim.gif"));
        ASSERT_TRUE(frames);
    }
    Pixels Composed(int index)
    {
        CWinBmp bmp;
        frames->ComposeFrame(index, bmp);
        return vktest::Opaque(vktest::FromBitmap(bmp));
    }
    // Sends a typed key to the view and waits until the frame pane shows `pane`.
    bool Type(int key, const QString& text, const std::string& pane)
    {
        SendKey(key, Qt::NoModifier, text);
        return WaitFor([&] { return Pane(6) == pane; });
    }

    std::unique_ptr<CFrameSource> frames;
};

} // namespace

TEST_F(AnimationTest, PauseAndStepThroughFramesWithKeysThatDoNotClash)
{
    StartWithAnimation();
    EXPECT_EQ(Pane(6), "frame 1 of 3");
    EXPECT_EQ(Shown(), Composed(0));
    EXPECT_TRUE(frame->IsCommandEnabled(Cmd::AnimationPause));
    EXPECT_FALSE(frame->IsCommandChecked(Cmd::AnimationPause));

    ASSERT_TRUE(Type(Qt::Key_P, "p", "frame 1 of 3 (paused)"));
    EXPECT_TRUE(frame->IsCommandChecked(Cmd::AnimationPause));
    ASSERT_TRUE(Type(Qt::Key_Period, ".", "frame 2 of 3 (paused)"));
    EXPECT_EQ(Shown(), Composed(1));
    ASSERT_TRUE(Type(Qt::Key_Period, ".", "frame 3 of 3 (paused)"));
    EXPECT_EQ(Shown(), Composed(2));
    // Round the end, and back.
    ASSERT_TRUE(Type(Qt::Key_Period, ".", "frame 1 of 3 (paused)"));
    ASSERT_TRUE(Type(Qt::Key_Comma, ",", "frame 3 of 3 (paused)"));
    ASSERT_TRUE(Type(Qt::Key_Comma, ",", "frame 2 of 3 (paused)"));
    EXPECT_EQ(Shown(), Composed(1));
    // Playing on from the frame shown.
    ASSERT_TRUE(frame->RunCommand(Cmd::AnimationPause));
    EXPECT_EQ(Pane(6), "frame 2 of 3");

    // Space is the viewer's next picture: the still one, without a frame pane.
    Key(Qt::Key_Space);
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "still.bmp");
    EXPECT_EQ(Pane(6), "");
    EXPECT_FALSE(frame->IsCommandEnabled(Cmd::AnimationPause));
    // Back to the animation: it plays from its first frame.
    Key(Qt::Key_Left);
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "anim.gif");
    EXPECT_EQ(Pane(6), "frame 1 of 3");
}

TEST_F(AnimationTest, EditAndSaveAsWorkOnTheFrameShownAndSaySo)
{
    StartWithAnimation();
    ASSERT_TRUE(frame->RunCommand(Cmd::AnimationNextFrame));
    ASSERT_TRUE(WaitFor([&] { return Pane(6) == "frame 2 of 3 (paused)"; }));

    // Saved: the frame shown, and the status bar names it.
    const std::string saved = pics.File("frame.png");
    SaveDialogAnswers(saved);
    dialogs.Ok();
    ASSERT_TRUE(vksave::SaveAs(ContextOf(*frame), "anim.gif"));
    EXPECT_EQ(Decode(saved), Composed(1));
    EXPECT_EQ(Pane(4), "  Done: frame 2 of 3 saved");

    // Edited: the frame becomes the picture and the animation stops there.
    ASSERT_TRUE(frame->RunCommand(Cmd::ColorsInvert));
    EXPECT_EQ(Pane(4), "  Done: frame 2 of 3 edited; the animation stops there");
    EXPECT_EQ(Pane(6), "");
    CPictureEx inverted;
    CWinBmp composed;
    frames->ComposeFrame(1, composed);
    inverted.CopyFrom(composed);
    inverted.Invert();
    EXPECT_EQ(Shown(), vktest::Opaque(vktest::FromBitmap(inverted)));
    EXPECT_FALSE(frame->IsCommandEnabled(Cmd::AnimationNextFrame));
}

// An AVIF image sequence plays in the viewer as the other formats do.
TEST_F(EditSaveTest, AnAvifSequencePlaysInTheViewer)
{
    if (!vktest::HasProgram("avifenc"))
        GTEST_SKIP() << "avifenc (libavif-bin) is not installed";
    const std::string f = pics.File("f");
    ASSERT_EQ(vktest::Run(vktest::ImageMagick() + " -size 12x8 xc:red xc:blue xc:green PNG:" + f +
                          "%d.src && avifenc -l --fps 20 " + f + "0.src " + f + "1.src " + f + "2.src " +
                          vktest::Quote(pics.File("anim.avif")) + " >/dev/null 2>&1"),
              0);
    ASSERT_TRUE(Start(pics.Path()));
    SelectRow(RowOf("anim.avif"));
    ASSERT_TRUE(frame->RunCommand(Cmd::Viewer));
    WaitForLoad(frame->GetView());
    ASSERT_TRUE(WaitFor([&] { return Pane(6) == "frame 3 of 3"; })) << Pane(6);
}
