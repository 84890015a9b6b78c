// View > Thumbnails: the file list switches between the list of names and
// the thumbnail grid, the choice and the grid's size come back with the
// next window, and both views act on the same file: a click, the keys, a
// command, the viewer.
#include "FrameFixture.h"
#include "ui/browser/ThumbnailGrid.h"

#include <QAction>
#include <QWheelEvent>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

using vkuitest::FrameTest;
using vkuitest::WaitFor;
using vkuitest::WaitForLoad;
using vkuitest::WriteBmp;

namespace {

class ThumbnailCommandsTest : public FrameTest {
  protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        // The thumbnails go to a cache of the test's own.
        qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(cache.Path()));
        for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp"})
            WriteBmp(pics.File(name), 40, 30);
    }
    void TearDown() override
    {
        FrameTest::TearDown();
        qunsetenv("XDG_CACHE_HOME");
    }
    std::string WindowIni() const
    {
        std::ifstream in(config->File("window.ini"));
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    CThumbnailGrid* Grid() const { return frame->GetThumbnailGrid(); }
    std::string Current() const { return frame->GetFileList().GetCurrentFile(); }

    vktest::TempDir cache;
};

} // namespace

TEST_F(ThumbnailCommandsTest, SwitchesTheFileListAndRemembersTheChoiceAndSize)
{
    ASSERT_TRUE(Start(pics.Path()));
    EXPECT_TRUE(frame->GetFileListView()->isVisible()) << "the list of names unless the grid was chosen";
    EXPECT_FALSE(Grid()->isVisible());
    EXPECT_FALSE(frame->GetAction(Cmd::ViewThumbnails)->isChecked());

    SendKey(Qt::Key_T, Qt::ControlModifier);
    EXPECT_TRUE(frame->IsThumbnailView());
    EXPECT_TRUE(Grid()->isVisible());
    EXPECT_FALSE(frame->GetFileListView()->isVisible());
    EXPECT_TRUE(Grid()->hasFocus()) << "the keys go on to the grid";
    EXPECT_TRUE(frame->GetAction(Cmd::ViewThumbnails)->isChecked());
    EXPECT_EQ(Grid()->width(), CWindowState().gridWidth) << "the grid has a width of its own";
    EXPECT_NE(WindowIni().find("thumbnails=1\n"), std::string::npos);
    // The thumbnails arrive, in the test's cache.
    const QModelIndex first = frame->GetFileList().index(0);
    ASSERT_TRUE(WaitFor([&] { return !Grid()->ImageFor(first).isNull(); }));
    EXPECT_EQ(Grid()->ImageFor(first).size(), QSize(40, 30)) << "never larger than the picture";
    // A file saved over (a second later) gets a new thumbnail once it is shown.
    WriteBmp(pics.File("a.bmp"), 20, 40);
    std::filesystem::last_write_time(pics.File("a.bmp"),
                                     std::filesystem::file_time_type::clock::now() + std::chrono::seconds(2));
    SelectRow(0);
    EXPECT_TRUE(WaitFor([&] { return Grid()->ImageFor(first).size() == QSize(20, 40); }));

    // Ctrl+wheel over the grid: the large size, kept at once.
    const QPointF at(10, 10);
    QWheelEvent up(at, Grid()->viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                   Qt::ControlModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(Grid()->viewport(), &up);
    EXPECT_EQ(Grid()->GetThumbnailSize(), CThumbnailGrid::kLargeSize);
    EXPECT_NE(WindowIni().find("thumbnailSize=256\n"), std::string::npos);

    // The next window opens as this one was left (the program applies
    // window.ini as it starts).
    frame.reset();
    ASSERT_TRUE(Start(pics.Path()));
    frame->RestoreWindowState();
    EXPECT_TRUE(frame->IsThumbnailView());
    EXPECT_TRUE(Grid()->isVisible());
    EXPECT_EQ(Grid()->GetThumbnailSize(), CThumbnailGrid::kLargeSize);

    // The viewer has no file list: the command waits for the browser.
    SelectRow(0);
    frame->RunCommand(Cmd::Viewer);
    ASSERT_FALSE(frame->IsBrowserMode());
    EXPECT_FALSE(frame->IsCommandEnabled(Cmd::ViewThumbnails));
    frame->RunCommand(Cmd::Browser);
    EXPECT_TRUE(Grid()->isVisible()) << "the browser comes back with the grid";

    frame->RunCommand(Cmd::ViewThumbnails);
    EXPECT_FALSE(frame->IsThumbnailView());
    EXPECT_TRUE(frame->GetFileListView()->isVisible());
    EXPECT_EQ(frame->GetFileListView()->width(), CWindowState().fileListWidth);
    EXPECT_NE(WindowIni().find("thumbnails=0\n"), std::string::npos);
    EXPECT_NE(WindowIni().find("thumbnailSize=256\n"), std::string::npos)
        << "the size stays for the next time";
}

TEST_F(ThumbnailCommandsTest, BothViewsActOnTheSameFile)
{
    ASSERT_TRUE(Start(pics.Path()));
    for (const bool thumbnails : {false, true}) {
        SCOPED_TRACE(thumbnails ? "grid" : "list");
        frame->SetThumbnailView(thumbnails);
        QAbstractItemView* view = frame->GetShownFileView();
        EXPECT_EQ(view == Grid(), thumbnails);
        frame->RunCommand(Cmd::EditUnselectAll);

        // A click: the file shown, described and counted.
        view->setCurrentIndex(frame->GetFileList().index(1));
        WaitForLoad(frame->GetView());
        EXPECT_EQ(Current(), "b.bmp");
        EXPECT_EQ(frame->GetView()->GetFileName().toStdString(), "b.bmp");
        EXPECT_EQ(Property(0), "b.bmp");
        EXPECT_EQ(Pane(2).substr(0, 8), " 1 of 4 ");

        // The next file by key: down the list, right across the grid.
        Key(thumbnails ? Qt::Key_Right : Qt::Key_Down, Qt::ShiftModifier);
        EXPECT_EQ(frame->GetFileList().SelectedNames(), (std::vector<std::string>{"b.bmp", "c.bmp"}));
        EXPECT_EQ(Current(), "c.bmp");

        // A command of the table acts on the view's selection.
        frame->RunCommand(Cmd::EditInvertSelection);
        EXPECT_EQ(frame->GetFileList().SelectedNames(), (std::vector<std::string>{"a.bmp", "d.bmp"}));
        EXPECT_TRUE(view->selectionModel()->isSelected(frame->GetFileList().index(3)));

        // A double click opens the viewer on the file clicked; Enter does too.
        view->setCurrentIndex(frame->GetFileList().index(2));
        WaitForLoad(frame->GetView());
        emit view->doubleClicked(frame->GetFileList().index(2));
        ASSERT_FALSE(frame->IsBrowserMode());
        EXPECT_EQ(frame->GetView()->GetFileName().toStdString(), "c.bmp");
        EXPECT_EQ(frame->GetCurrentIndex(), 2);
        frame->RunCommand(Cmd::Browser);
        EXPECT_EQ(frame->GetShownFileView(), view) << "back to the view it left";
        Key(Qt::Key_Return);
        EXPECT_FALSE(frame->IsBrowserMode());
        EXPECT_EQ(frame->GetView()->GetFileName().toStdString(), "c.bmp");
        frame->RunCommand(Cmd::Browser);
    }
}
