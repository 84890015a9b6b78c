// The viewer's habits beside the command table, driven through the frame:
// plain keys, the wheel, double clicks, full screen, neighbours decoded
// ahead in the direction of travel, drops and several start-up files.
#include "FrameFixture.h"

#include "ui/browser/PreviewLoader.h"
#include "ui/browser/ViewerGestures.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QStatusBar>
#include <QToolBar>
#include <QWheelEvent>

#include <filesystem>

using vkuitest::FrameTest;
using vkuitest::WaitForLoad;
using vkuitest::WriteBmp;

namespace {

class ViewerGesturesTest : public FrameTest {
  protected:
    // v01.bmp .. v06.bmp, each a different width.
    void MakeSix()
    {
        for (int i = 1; i <= 6; ++i)
            WriteBmp(pics.File(Name(i)), 20 + i, 10, unsigned(i));
    }
    static std::string Name(int i)
    {
        char name[16];
        std::snprintf(name, sizeof name, "v%02d.bmp", i);
        return name;
    }
    void Wheel(int delta, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        const QPointF at(50, 50);
        QWheelEvent event(at, frame->GetView()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          mods, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(frame->GetView(), &event);
        WaitForLoad(frame->GetView());
    }
    void DoubleClick(QWidget* target, QPoint at)
    {
        QMouseEvent event(QEvent::MouseButtonDblClick, at, target->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &event);
        WaitForLoad(frame->GetView());
    }
    CViewerGestures* Gestures() { return frame->findChild<CViewerGestures*>(); }
    std::string Current() { return frame->GetFileList().GetCurrentFile(); }
    // Opens the viewer on v0N.bmp.
    void ViewerOn(int n)
    {
        SelectRow(RowOf(Name(n)));
        frame->RunCommand(Cmd::Viewer);
        ASSERT_FALSE(frame->IsBrowserMode());
    }
    void Drop(const QList<QUrl>& urls)
    {
        QMimeData data;
        data.setUrls(urls);
        const QPointF at(100, 100);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(frame.get(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(frame.get(), &drop);
        EXPECT_TRUE(drop.isAccepted());
        QCoreApplication::processEvents();
        WaitForLoad(frame->GetView());
    }
};

} // namespace

TEST_F(ViewerGesturesTest, PlainKeysAndTheWheelStepAndTheTableWins)
{
    MakeSix();
    ASSERT_TRUE(Start(pics.Path()));
    ViewerOn(3);
    Key(Qt::Key_Right);
    EXPECT_EQ(Current(), "v04.bmp");
    Key(Qt::Key_Space);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(Current(), "v06.bmp");
    Key(Qt::Key_Down); // at the end: nothing
    EXPECT_EQ(Current(), "v06.bmp");
    Key(Qt::Key_Left);
    Key(Qt::Key_Up);
    Key(Qt::Key_PageUp);
    EXPECT_EQ(Current(), "v03.bmp");
    Key(Qt::Key_End);
    EXPECT_EQ(Current(), "v06.bmp");
    EXPECT_EQ(frame->GetView()->GetPicture().GetWidth(), 26);
    // Backspace and Home are Back and Home in the table: they win (MainFrm_test).
    // The table's own keys still step.
    Key(Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(Current(), "v01.bmp");
    // The wheel steps too, a notch a picture; with Ctrl it zooms instead.
    Wheel(-240);
    EXPECT_EQ(Current(), "v03.bmp");
    Wheel(120);
    EXPECT_EQ(Current(), "v02.bmp");
    const int width = frame->GetView()->GetDisplayWidth();
    Wheel(-120, Qt::ControlModifier); // shown at ten times: out
    EXPECT_EQ(Current(), "v02.bmp");
    EXPECT_LT(frame->GetView()->GetDisplayWidth(), width);
    // Escape returns to the browser; there the keys are the list's and the
    // preview pane does not step.
    Key(Qt::Key_Escape);
    ASSERT_TRUE(frame->IsBrowserMode());
    Key(Qt::Key_Escape);
    Wheel(-120);
    EXPECT_TRUE(frame->IsBrowserMode());
    EXPECT_EQ(Current(), "v02.bmp");
}

TEST_F(ViewerGesturesTest, FullScreenInAndOut)
{
    MakeSix();
    ASSERT_TRUE(Start(pics.Path()));
    // Without a picture there is nothing to show full screen.
    EXPECT_FALSE(frame->IsCommandEnabled(Cmd::ViewFullScreen));
    SelectRow(RowOf(Name(2)));
    // Full screen in the viewer: no bars, a black view over the whole window.
    auto expectFullScreen = [this](bool on) {
        EXPECT_EQ(Gestures()->IsFullScreen(), on);
        EXPECT_FALSE(frame->IsBrowserMode());
        EXPECT_EQ(bool(frame->windowState() & Qt::WindowFullScreen), on);
        EXPECT_EQ(frame->menuBar()->isVisible(), !on);
        EXPECT_EQ(frame->statusBar()->isVisible(), !on);
        EXPECT_EQ(frame->GetToolBar(false)->isVisible(), !on);
        EXPECT_EQ(frame->GetView()->IsFullScreenLook(), on);
    };
    // F11 from the browser: the viewer, full screen.
    Key(Qt::Key_F11);
    expectFullScreen(true);
    frame->UpdateCommandUI();
    EXPECT_TRUE(frame->GetAction(Cmd::ViewFullScreen)->isChecked());
    // The view fills the window.
    QCoreApplication::processEvents();
    EXPECT_EQ(frame->GetView()->width(), frame->centralWidget()->width());
    // Keys still step in full screen.
    Key(Qt::Key_Right);
    EXPECT_EQ(Current(), "v03.bmp");

    // Escape leaves full screen first, then the viewer.
    Key(Qt::Key_Escape);
    expectFullScreen(false);

    // A double click on the picture toggles; the menu command too.
    DoubleClick(frame->GetView(), {20, 20});
    EXPECT_TRUE(Gestures()->IsFullScreen());
    DoubleClick(frame->GetView(), {20, 20});
    EXPECT_FALSE(Gestures()->IsFullScreen());
    frame->RunCommand(Cmd::ViewFullScreen);
    EXPECT_TRUE(Gestures()->IsFullScreen());
    // Going to the browser by its key leaves full screen.
    Key(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_TRUE(frame->IsBrowserMode());
    EXPECT_FALSE(Gestures()->IsFullScreen());
    EXPECT_TRUE(frame->menuBar()->isVisible());
    EXPECT_TRUE(frame->GetToolBar(true)->isVisible());
    EXPECT_FALSE(frame->GetToolBar(false)->isVisible());
    EXPECT_TRUE(frame->GetFileListView()->isVisible());
}

TEST_F(ViewerGesturesTest, DoubleClickOnAFileOpensTheViewer)
{
    MakeSix();
    ASSERT_TRUE(Start(pics.Path()));
    QListView* list = frame->GetFileListView();
    const QModelIndex row = frame->GetFileList().index(RowOf(Name(4)));
    list->setCurrentIndex(row);
    // The double click arrives while the picture still decodes.
    emit list->doubleClicked(row);
    WaitForLoad(frame->GetView());
    QCoreApplication::processEvents();
    EXPECT_FALSE(frame->IsBrowserMode());
    EXPECT_EQ(Current(), "v04.bmp");
}

TEST_F(ViewerGesturesTest, NeighboursAreDecodedAheadInTheDirectionOfTravel)
{
    MakeSix();
    ASSERT_TRUE(Start(pics.Path()));
    ViewerOn(3);
    CViewerGestures* gestures = Gestures();
    auto names = [](const QStringList& paths) {
        std::vector<std::string> out;
        for (const QString& p : paths)
            out.push_back(QFileInfo(p).fileName().toStdString());
        return out;
    };
    // Forward by default: the next, then the previous.
    EXPECT_EQ(names(gestures->Neighbours()), (std::vector<std::string>{"v04.bmp", "v02.bmp"}));
    // Entering the viewer on the picture already shown decodes ahead too.
    CPreviewLoader& loader = *frame->GetView()->GetLoader();
    auto cached = [&](const std::string& name) {
        for (const std::string& path : loader.CachedPaths())
            if (QFileInfo(QString::fromStdString(path)).fileName().toStdString() == name)
                return true;
        return false;
    };
    auto waitForCached = [&](const std::string& name) {
        frame->GetView()->repaint();
        return vkuitest::WaitFor([&] { return cached(name); });
    };
    EXPECT_TRUE(waitForCached("v04.bmp"));
    Key(Qt::Key_Right);
    EXPECT_EQ(names(gestures->Neighbours()), (std::vector<std::string>{"v05.bmp", "v03.bmp"}));
    Key(Qt::Key_Left); // back at v03: travelling back
    EXPECT_EQ(names(gestures->Neighbours()), (std::vector<std::string>{"v02.bmp", "v04.bmp"}));
    Key(Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(names(gestures->Neighbours()), (std::vector<std::string>{"v02.bmp"}));

    // After the paint they are decoded; Next then needs no decode.
    EXPECT_TRUE(waitForCached("v02.bmp"));
    const int decodes = loader.GetCounts().decodes;
    Key(Qt::Key_Right);
    EXPECT_EQ(Current(), "v02.bmp");
    EXPECT_EQ(frame->GetView()->GetPicture().GetWidth(), 22);
    EXPECT_EQ(loader.GetCounts().decodes, decodes);
    // Leaving the viewer drops the cache.
    Key(Qt::Key_Escape);
    EXPECT_TRUE(loader.CachedPaths().empty());
}

TEST_F(ViewerGesturesTest, DroppedFileAndFolderOpen)
{
    MakeSix();
    vktest::TempDir other;
    WriteBmp(other.File("dropped.bmp"), 33, 11);
    std::filesystem::create_directories(other.File("folder"));
    WriteBmp(other.File("folder/inside.bmp"), 12, 12);
    ASSERT_TRUE(Start(pics.Path()));

    Drop({QUrl::fromLocalFile(QString::fromStdString(other.File("dropped.bmp")))});
    EXPECT_EQ(frame->GetFileList().GetCurrentDir(), other.Path());
    EXPECT_EQ(Current(), "dropped.bmp");
    EXPECT_EQ(frame->GetView()->GetPicture().GetWidth(), 33);
    EXPECT_EQ(frame->GetFileList().GetSelectedCount(), 1);

    // A folder dropped in the viewer opens in the browser.
    frame->RunCommand(Cmd::Viewer);
    ASSERT_FALSE(frame->IsBrowserMode());
    Drop({QUrl::fromLocalFile(QString::fromStdString(other.File("folder")))});
    EXPECT_TRUE(frame->IsBrowserMode());
    EXPECT_EQ(frame->GetFileList().GetCurrentDir(), other.File("folder"));
    EXPECT_EQ(frame->GetFileList().Count(), 1);

    // A file dropped in the viewer shows there.
    SelectRow(0);
    frame->RunCommand(Cmd::Viewer);
    Drop({QUrl::fromLocalFile(QString::fromStdString(pics.File(Name(5))))});
    EXPECT_FALSE(frame->IsBrowserMode());
    EXPECT_EQ(Current(), "v05.bmp");
    EXPECT_EQ(frame->GetCurrentIndex(), RowOf("v05.bmp"));
    EXPECT_EQ(frame->GetView()->GetPicture().GetWidth(), 25);

    // Something gone: a message, nothing changes.
    ask.shown.clear();
    Drop({QUrl::fromLocalFile(QString::fromStdString(other.File("gone.bmp")))});
    EXPECT_EQ(ask.shown, std::vector<std::string>{"The dropped item could not be opened."});
    EXPECT_EQ(Current(), "v05.bmp");
}

TEST_F(ViewerGesturesTest, FilesDragOutAsFileUris)
{
    std::unique_ptr<QMimeData> data(CViewerGestures::FileDragData({"/tmp/a b.png", "/tmp/c.jpg"}));
    ASSERT_TRUE(data->hasUrls());
    ASSERT_EQ(data->urls().size(), 2);
    EXPECT_EQ(data->urls()[0].scheme().toStdString(), "file");
    EXPECT_EQ(data->urls()[0].toLocalFile().toStdString(), "/tmp/a b.png");
    EXPECT_EQ(data->urls()[1].toLocalFile().toStdString(), "/tmp/c.jpg");
}

TEST_F(ViewerGesturesTest, SeveralStartupFilesAreSelectedAndTheFirstShown)
{
    MakeSix();
    EXPECT_EQ(chdir(pics.Path().c_str()), 0);
    frame = std::make_unique<CMainFrame>();
    frame->resize(1000, 700);
    frame->SetStartupFiles({QString::fromStdString(pics.File("v05.bmp")), "v02.bmp",
                            QString::fromStdString(pics.File("v03.bmp")), "/elsewhere/v04.bmp"});
    frame->show();
    ASSERT_TRUE(frame->Startup());
    WaitForLoad(frame->GetView());
    EXPECT_EQ(frame->GetFileList().GetCurrentDir(), pics.Path());
    EXPECT_EQ(frame->GetFileList().SelectedNames(),
              (std::vector<std::string>{"v02.bmp", "v03.bmp", "v05.bmp"}));
    EXPECT_EQ(Current(), "v05.bmp");
    EXPECT_EQ(frame->GetView()->GetPicture().GetWidth(), 25);
}
