// Faults met by trying the window on a real folder of pictures, each kept
// from coming back.
#include "FrameFixture.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>

using vkuitest::FrameTest;
using vkuitest::WaitForLoad;
using vkuitest::WriteBmp;

namespace {

class TrialTest : public FrameTest {
  protected:
    std::string Dir() const { return pics.Path(); }
};

// The viewer's info pane never pairs a file's name with the size of the
// picture shown before it: not while the next file decodes, not after it
// failed to decode.
TEST_F(TrialTest, ViewerInfoPaneNeverShowsThePreviousPictureSize)
{
    WriteBmp(pics.File("a.bmp"), 50, 40, 1);
    vktest::WriteFile(pics.File("b.bmp"), "not a bitmap, just text");
    WriteBmp(pics.File("c.bmp"), 30, 20, 2);
    ASSERT_TRUE(Start(Dir()));
    SelectRow(0);
    ASSERT_TRUE(frame->RunCommand(Cmd::Viewer));
    EXPECT_NE(Pane(3).find("50x40 24 bpp"), std::string::npos) << Pane(3);

    // The damaged file: its name and file size, no picture size.
    ASSERT_TRUE(frame->RunCommand(Cmd::ImageNext));
    WaitForLoad(frame->GetView());
    EXPECT_EQ(Pane(3), " b.bmp, 23 bytes");

    // Back to a good one, then on to the next good one: while it decodes,
    // a's size is not shown under c's name; once shown, c's own size is.
    frame->RunCommand(Cmd::ImageFirst);
    WaitForLoad(frame->GetView());
    ASSERT_NE(Pane(3).find("50x40"), std::string::npos) << Pane(3);
    frame->RunCommand(Cmd::ImageLast);
    if (frame->GetView()->IsLoading()) {
        EXPECT_EQ(Pane(3).find("50x40"), std::string::npos) << Pane(3);
    }
    WaitForLoad(frame->GetView());
    EXPECT_NE(Pane(3).find(" c.bmp, 30x20 24 bpp, "), std::string::npos) << Pane(3);
}

// Help > Contents says so when no browser opened the manual, instead of
// doing nothing at all.
TEST_F(TrialTest, HelpContentsTellsWhenTheManualDidNotOpen)
{
    ASSERT_TRUE(Start(Dir()));
    ask.urlOpens = false;
    ASSERT_TRUE(frame->RunCommand(Cmd::HelpContents));
    ASSERT_EQ(ask.opened.size(), 1u);
    ASSERT_EQ(ask.shown.size(), 1u);
    const QString manual = QUrl(QString::fromStdString(ask.opened[0])).toLocalFile();
    EXPECT_TRUE(manual.endsWith("index.html")) << ask.opened[0];
    EXPECT_NE(ask.shown[0].find(manual.toStdString()), std::string::npos) << ask.shown[0];

    ask.urlOpens = true;
    frame->RunCommand(Cmd::HelpContents);
    EXPECT_EQ(ask.shown.size(), 1u) << "no message when the browser opened it";

    // About is a dialog, answered through the seam.
    int dialogs = 0;
    vkui::setDialogHandler([&dialogs](QDialog&) {
        ++dialogs;
        return int(QDialog::Accepted);
    });
    frame->RunCommand(Cmd::HelpAbout);
    EXPECT_EQ(dialogs, 1);
}

// A long mount point is readable in full in the drive box's list.
TEST_F(TrialTest, DriveListOpensWideEnoughForLongMountPoints)
{
    ASSERT_TRUE(Start(Dir()));
    const std::string longMount = "/media/somebody/Holiday pictures from the summer of 2026";
    frame->SetDrives({"/", longMount});
    QComboBox* box = frame->GetDriveBox();
    ASSERT_EQ(box->count(), 2);
    const QString entry = box->itemText(1);
    EXPECT_TRUE(entry.contains(QString::fromStdString(longMount))) << entry.toStdString();
    EXPECT_GT(box->view()->minimumWidth(), QFontMetrics(box->view()->font()).horizontalAdvance(entry));
}

} // namespace
