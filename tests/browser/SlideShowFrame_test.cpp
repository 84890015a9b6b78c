// The slide show in the window beside other commands: a step waits while
// Convert's dialogs and job work on the shown picture.
#include "EditSaveFixture.h"
#include "browser/SlideShowCommands.h"

#include <QComboBox>

#include <cstdio>
#include <map>

using namespace vkuitest;

namespace {

class SlideShowFrameTest : public EditSaveTest {
protected:
    // Pictures told apart by their widths; a show without delay, forward.
    void StartShow(const std::vector<std::string>& names)
    {
        CSettings settings;
        settings.slideDelaySeconds = 0;
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
        WaitSteps(2);
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
    CSlideShowControl* control = nullptr;
    std::map<std::string, int> widths;
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
