// The slide show in the window beside other commands: a step waits while
// Convert's dialogs and job work on the shown picture, and each step shows,
// selects and names the same file however the list changes under the show;
// a slide that moves plays.
#include "EditSaveFixture.h"
#include "FileOpsTestSupport.h"
#include "engine/picture/Animation.h"
#include "ui/shell/SlideShowCommands.h"

#include <QComboBox>

#include <cstdio>
#include <map>

using namespace vkuitest;

namespace {

class SlideShowFrameTest : public EditSaveTest {
  protected:
    // Pictures told apart by their widths; a show without delay, forward.
    void StartShow(const std::vector<std::string>& names, int delaySeconds = 0, int steps = 2)
    {
        CSettings settings;
        settings.slideDelaySeconds = delaySeconds;
        settings.slideSequence = 0;
        settings.useRecycleBin = 0;
        settings.autoRefresh = 0;
        WriteSettings(settings);
        for (const std::string& name : names)
            AddPicture(name);
        ASSERT_TRUE(Start(pics.Path()));
        SelectRow(0);
        control = frame->findChild<CSlideShowControl*>();
        ASSERT_NE(control, nullptr);
        ASSERT_TRUE(frame->RunCommand(Cmd::ToolsSlideShow));
        ASSERT_TRUE(control->IsRunning());
        WaitSteps(steps);
    }
    void AddPicture(const std::string& name)
    {
        const int width = 20 + 10 * int(widths.size());
        widths[name] = width;
        WriteBmp(pics.File(name), width, 10, unsigned(widths.size()));
    }
    void WaitSteps(int more)
    {
        const int target = control->GetStepCount() + more;
        ASSERT_TRUE(WaitFor([&] { return control->GetStepCount() >= target; }));
    }
    std::string Current() { return frame->GetFileList().GetCurrentFile(); }
    // The picture shown, the title and the name property speak of one file,
    // which is the one selected; a step whose file left the list meanwhile
    // selects nothing.
    void ExpectAgreement(const char* when)
    {
        const std::string shown = frame->GetView()->GetFileName().toStdString();
        EXPECT_EQ(Picture().GetWidth(), widths[shown]) << when << ": " << shown;
        EXPECT_EQ(Title(), "Velkor 1.0 - [" + pics.File(shown) + "]") << when;
        EXPECT_EQ(Property(0), shown) << when;
        const bool listed = RowOf(shown) >= 0;
        EXPECT_EQ(Current(), listed ? shown : "") << when;
        EXPECT_EQ(frame->GetFileList().SelectedNames(),
                  listed ? std::vector<std::string>{shown} : std::vector<std::string>{})
            << when;
    }
    CSlideShowControl* control = nullptr;
    std::map<std::string, int> widths; // of every picture made, also gone ones
};

} // namespace

TEST_F(SlideShowFrameTest, ConvertDuringAShowWritesAndReplacesTheSlideItStartedOn)
{
    StartShow({"a.bmp", "b.bmp", "c.bmp", "d.bmp"});
    const std::string source = Current();
    const vktest::Pixels original = Decode(pics.File(source));
    ASSERT_EQ(original.width, widths[source]);

    // Each dialog stays open until the worker has the next slide ready: it
    // must wait, not land.
    int stepsInDialogs = 0;
    int heldInDialogs = 0;
    auto waitInDialog = [&] {
        const int before = control->GetStepCount();
        WaitFor([&] { return control->HasHeldStep() || control->GetStepCount() != before; });
        stepsInDialogs += control->GetStepCount() - before;
        heldInDialogs += control->HasHeldStep() ? 1 : 0;
    };
    dialogs.Ok([&](QDialog& d) {
        waitInDialog();
        Child<QComboBox>(d, "format")->setCurrentIndex(2); // PNG
        Check(d, "replace");
        return Check(d, "replaceExisting");
    });
    dialogs.Ok([&](QDialog&) {
        waitInDialog();
        return true;
    });
    ASSERT_TRUE(frame->RunCommand(Cmd::ToolsConvert));
    EXPECT_EQ(dialogs.titles, (std::vector<std::string>{"Convert", "PNG Options"}));
    EXPECT_EQ(stepsInDialogs, 0);
    EXPECT_EQ(heldInDialogs, 2);

    const std::string converted = source.substr(0, source.size() - 4) + ".png";
    EXPECT_EQ(Decode(pics.File(converted)), original) << "the slide shown when Convert started";
    EXPECT_FALSE(vktest::FileExists(pics.File(source)));
    for (const auto& [name, width] : widths)
        EXPECT_EQ(vktest::FileExists(pics.File(name)), name != source) << name;
    EXPECT_TRUE(ask.shown.empty());

    // The held step comes when the command is over, and the show goes on.
    WaitSteps(2);
    EXPECT_FALSE(control->HasHeldStep());
    EXPECT_TRUE(control->IsRunning());
    frame->RunCommand(Cmd::SlideStop);
}

TEST_F(SlideShowFrameTest, StepsFollowTheirFilesThroughRefreshRenameAndDelete)
{
    StartShow({"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp", "f.bmp"});
    ExpectAgreement("at the start");

    // Files leave, change name and arrive while the show runs; the list is
    // read again each time.
    const auto changed = [&](const char* when) {
        ASSERT_TRUE(frame->RunCommand(Cmd::ViewRefresh));
        for (int i = 0; i < 8; ++i) {
            WaitSteps(1);
            ExpectAgreement(when);
        }
    };
    ASSERT_EQ(std::remove(pics.File("a.bmp").c_str()), 0);
    changed("after a file left");
    ASSERT_EQ(std::rename(pics.File("c.bmp").c_str(), pics.File("0.bmp").c_str()), 0);
    widths["0.bmp"] = widths["c.bmp"];
    changed("after a rename");
    AddPicture("b2.bmp");
    AddPicture("00.bmp");
    changed("after new files");

    // Delete acts on the file shown, and only on it.
    ASSERT_TRUE(WaitFor([&] { return !Current().empty(); }));
    const std::string shown = Current();
    const std::vector<std::string> before = vkfotest::List(pics.Path());
    const int shownWidth = Picture().GetWidth();
    ask.answers = {vkui::Answer::Yes};
    vkui::setDialogHandler([](QDialog& d) { return d.exec(); }); // the progress dialog runs
    ASSERT_TRUE(frame->RunCommand(Cmd::EditDelete));
    EXPECT_EQ(widths[shown], shownWidth);
    std::vector<std::string> after = before;
    std::erase(after, shown);
    EXPECT_EQ(vkfotest::List(pics.Path()), after);
    for (int i = 0; i < 6; ++i) {
        WaitSteps(1);
        ExpectAgreement("after Delete");
    }
    frame->RunCommand(Cmd::SlideStop);
}

TEST_F(SlideShowFrameTest, AnEditKeptAtTheSaveQuestionEndsTheShowWithThePictureInSight)
{
    StartShow({"a.bmp", "b.bmp", "c.bmp"});
    ask.answers = {vkui::Answer::Cancel};
    ASSERT_TRUE(frame->RunCommand(Cmd::ColorsInvert));
    const std::string edited = frame->GetView()->GetFileName().toStdString();
    const vktest::Pixels pixels = Shown();
    ASSERT_TRUE(WaitFor([&] { return !control->IsRunning(); }));
    EXPECT_EQ(ask.shown, std::vector<std::string>{"Do you want to save your changes?"});
    EXPECT_EQ(frame->GetView()->GetFileName().toStdString(), edited);
    EXPECT_TRUE(Picture().IsModified());
    EXPECT_EQ(Shown(), pixels);
}

// A slide that moves plays at the file's timing until the show's delay
// moves on; the next slide stands still.
TEST_F(SlideShowFrameTest, ASlideThatMovesPlaysUntilTheShowMovesOn)
{
    const std::string gif = pics.File("a.gif");
    ASSERT_EQ(vktest::Run(vktest::ImageMagick() + " -delay 5 -size 64x20 xc:'#c02020' \\( -size 64x20 " +
                          "xc:'#2020c0' \\) \\( -size 64x20 xc:'#20c020' \\) -loop 0 " + vktest::Quote(gif)),
              0);
    widths["a.gif"] = 64;
    StartShow({"b.bmp"}, 1, 1);
    ASSERT_TRUE(WaitFor([&] { return frame->GetView()->GetFileName() == "a.gif"; }));
    ASSERT_TRUE(WaitFor([&] { return Pane(6) == "frame 3 of 3"; }));
    auto frames = OpenFramesOfFile(gif);
    CWinBmp third;
    frames->ComposeFrame(2, third);
    EXPECT_EQ(Shown(), vktest::Opaque(vktest::FromBitmap(third)));
    WaitSteps(1);
    ExpectAgreement("after the moving slide");
    EXPECT_FALSE(frame->GetView()->GetAnimation().IsActive());
    EXPECT_EQ(Pane(6), "");
    frame->RunCommand(Cmd::SlideStop);
}
