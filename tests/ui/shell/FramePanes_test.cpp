// The window as people arrange and drive it: panes split by draggable
// borders and remembered with the window's place, the zoom and picture size
// in the viewer's status bar, the keys added beside the described ones, and
// the path box that takes a typed folder.
#include "FrameFixture.h"

#include "models/browser/StatusTexts.h"
#include "models/settings/WindowState.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QSplitter>
#include <QSplitterHandle>

#include <filesystem>

using vkuitest::FrameTest;
using vkuitest::WaitFor;
using vkuitest::WriteBmp;

namespace {

class FramePanesTest : public FrameTest {
  protected:
    // Drags the border `index` of `splitter` by `by` pixels, as a mouse would.
    static void Drag(QSplitter* splitter, int index, int by)
    {
        QSplitterHandle* handle = splitter->handle(index);
        const QPoint from(handle->width() / 2, handle->height() / 2);
        const QPoint to =
            splitter->orientation() == Qt::Horizontal ? from + QPoint(by, 0) : from + QPoint(0, by);
        QMouseEvent press(QEvent::MouseButtonPress, from, handle->mapToGlobal(from), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(handle, &press);
        QMouseEvent move(QEvent::MouseMove, to, handle->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(handle, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, to, handle->mapToGlobal(to), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(handle, &release);
    }
    // Keys typed into the path box, then Enter.
    void TypePath(const std::string& path)
    {
        QLineEdit* edit = frame->GetRecentFoldersBox()->lineEdit();
        edit->setText(QString::fromStdString(path));
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(frame->GetRecentFoldersBox(), &enter);
        vkuitest::WaitForLoad(frame->GetView());
    }
    std::string Current() const { return frame->GetFileList().GetCurrentDir(); }
};

} // namespace

TEST_F(FramePanesTest, DraggedBordersResizeThePanesAndAreRememberedWithTheWindow)
{
    WriteBmp(pics.File("a_photo_with_a_name_much_longer_than_the_old_fixed_width_of_the_list.bmp"), 40, 30);
    ASSERT_TRUE(Start(pics.Path(), QString(), 1000, 700));
    QSplitter* split = frame->GetSplitter();
    QListView* files = frame->GetFileListView();
    CPreview* view = frame->GetView();
    const int filesWidth = files->width();
    const int viewWidth = view->GetClientWidth();

    Drag(split, 2, 120); // the border between the file list and the preview
    EXPECT_EQ(files->width(), filesWidth + 120) << "the list takes the width it is given";
    EXPECT_EQ(view->GetClientWidth(), viewWidth - 120) << "the view follows its pane";
    EXPECT_EQ(view->width(), view->GetClientWidth());
    Drag(frame->GetPreviewSplitter(), 1, -50); // the properties box grows
    const int propertiesHeight = frame->GetPreviewSplitter()->sizes()[1];

    // The viewer fills the window; the browser comes back as it was left.
    SelectRow(0);
    frame->RunCommand(Cmd::Viewer);
    EXPECT_EQ(view->width(), split->width());
    frame->RunCommand(Cmd::Browser);
    EXPECT_EQ(files->width(), filesWidth + 120);
    // A larger window goes to the preview.
    frame->resize(1200, 700);
    QCoreApplication::processEvents();
    EXPECT_EQ(files->width(), filesWidth + 120);

    const CWindowState kept = frame->GetWindowState();
    EXPECT_EQ(kept.fileListWidth, filesWidth + 120);
    EXPECT_EQ(kept.propertiesHeight, propertiesHeight);
    EXPECT_FALSE(kept.maximised);
    frame.reset(); // closing writes the state beside the settings
    CWindowState read;
    ASSERT_TRUE(read.Load(config->File("window.ini")));
    EXPECT_EQ(read.fileListWidth, filesWidth + 120);
    EXPECT_EQ(read.geometry.size(), kept.geometry.size());

    // The next run starts with the panes where they were left.
    ASSERT_TRUE(Start(pics.Path(), QString(), 1000, 700));
    frame->RestoreWindowState();
    EXPECT_EQ(frame->GetFileListView()->width(), filesWidth + 120);
    EXPECT_EQ(frame->GetPreviewSplitter()->sizes()[1], propertiesHeight);
}

TEST_F(FramePanesTest, ViewerStatusShowsTheZoomAndThePictureSizeAfterEdits)
{
    // Larger than the viewer, so it fits below 100 % and zooms both ways.
    WriteBmp(pics.File("a.bmp"), 1600, 800);
    WriteBmp(pics.File("b.bmp"), 16, 8);
    ASSERT_TRUE(Start(pics.Path()));
    SelectRow(0);
    EXPECT_EQ(Property(1), "1600x800, 24 bpp") << "the file's depth";
    frame->RunCommand(Cmd::RotateCW90);
    EXPECT_EQ(Property(1), "800x1600, 24 bpp") << "the properties follow an edit";
    EXPECT_EQ(Pane(5), "") << "the zoom shows in the viewer only";

    frame->RunCommand(Cmd::EditUndo);
    frame->RunCommand(Cmd::Viewer);
    CPreview* view = frame->GetView();
    auto zoomShown = [&] { return vktext::ZoomText(view->GetDisplayWidth(), view->GetPicture().GetWidth()); };
    EXPECT_EQ(Pane(5), zoomShown());
    // Zoom keys without a number pad, and the pane follows each.
    Key(Qt::Key_0, Qt::ControlModifier);
    const std::string fitted = Pane(5);
    EXPECT_EQ(fitted, zoomShown());
    Key(Qt::Key_Minus, Qt::NoModifier, "-");
    EXPECT_NE(Pane(5), fitted);
    EXPECT_EQ(Pane(5), zoomShown());
    Key(Qt::Key_Equal, Qt::NoModifier, "=");
    Key(Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_GT(view->GetDisplayWidth(), 1600 * std::stoi(fitted.substr(1)) / 100);
    EXPECT_EQ(Pane(5), zoomShown());
    Key(Qt::Key_4, Qt::KeypadModifier, "4");
    EXPECT_EQ(Pane(5), " 100%");

    // The info pane follows an edit that changes the size.
    EXPECT_NE(Pane(3).find("1600x800"), std::string::npos) << Pane(3);
    frame->RunCommand(Cmd::RotateCW90);
    EXPECT_NE(Pane(3).find("800x1600"), std::string::npos) << Pane(3);
    EXPECT_EQ(Pane(5), zoomShown());
}

TEST_F(FramePanesTest, AddedKeysRunTheirCommandsInBothModes)
{
    WriteBmp(pics.File("a.bmp"), 16, 8);
    WriteBmp(pics.File("b.bmp"), 16, 8);
    ASSERT_TRUE(Start(pics.Path()));
    SelectRow(1);

    // Delete asks as F8 does; F2 opens the rename dialog as F6 does.
    Key(Qt::Key_Delete);
    ASSERT_EQ(ask.shown.size(), 1u);
    EXPECT_EQ(ask.shown[0].rfind("Do you really want to delete", 0), 0u) << ask.shown[0];
    EXPECT_TRUE(std::filesystem::exists(pics.File("b.bmp")));
    std::vector<std::string> dialogs;
    vkui::setDialogHandler([&dialogs](QDialog& d) {
        dialogs.push_back(d.metaObject()->className());
        return int(QDialog::Rejected);
    });
    Key(Qt::Key_F2);
    EXPECT_EQ(dialogs, std::vector<std::string>{"CRenameDlg"});

    // F1 opens the manual; a browser that cannot start is reported.
    ask.shown.clear();
    ask.urlOpens = false;
    Key(Qt::Key_F1);
    ASSERT_EQ(ask.shown.size(), 1u);
    EXPECT_NE(ask.shown[0].find("manual"), std::string::npos) << ask.shown[0];

    // Ctrl+P prints: the print dialog is asked for.
    dialogs.clear();
    Key(Qt::Key_P, Qt::ControlModifier);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_NE(dialogs[0].find("Print"), std::string::npos) << dialogs[0];

    // F3 in the browser starts the slide show in the viewer; F4 stops it.
    Key(Qt::Key_F3);
    EXPECT_FALSE(frame->IsBrowserMode());
    frame->UpdateCommandUI();
    EXPECT_TRUE(frame->IsCommandEnabled(Cmd::SlideStop));
    Key(Qt::Key_F4);
    EXPECT_TRUE(WaitFor([&] { return !frame->IsCommandEnabled(Cmd::SlideStop); }));

    // Keys in an open menu stay there (the path box's completions are
    // the one popup the frame's keys reach through).
    QMenu* menu = frame->GetMenus(false).front();
    menu->popup(QPoint(0, 0));
    ASSERT_EQ(QApplication::activePopupWidget(), menu);
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QCoreApplication::sendEvent(menu, &down);
    QKeyEvent f3(QEvent::KeyPress, Qt::Key_F3, Qt::NoModifier);
    QCoreApplication::sendEvent(menu, &f3);
    EXPECT_FALSE(frame->IsCommandEnabled(Cmd::SlideStop)) << "F3 went to the menu";
    menu->hide();
}

TEST_F(FramePanesTest, ThePathBoxGoesWhereTypedAndCompletesFolders)
{
    namespace fs = std::filesystem;
    fs::create_directories(pics.File("summer/2024"));
    fs::create_directories(pics.File("sunset"));
    WriteBmp(pics.File("summer/2024/beach.bmp"), 16, 8);
    WriteBmp(pics.File("sun.bmp"), 16, 8);
    ASSERT_TRUE(Start(pics.Path()));

    TypePath(pics.File("summer/2024"));
    EXPECT_EQ(Current(), pics.File("summer/2024"));
    EXPECT_EQ(frame->GetRecentFoldersBox()->currentText().toStdString(), pics.File("summer/2024"));
    EXPECT_EQ(frame->GetRecentFoldersBox()->findText(QString::fromStdString(pics.File("summer/2024"))),
              frame->GetRecentFoldersBox()->currentIndex())
        << "added to the recent folders";
    // Relative to the current folder.
    TypePath("../..");
    EXPECT_EQ(Current(), pics.Path());

    // A missing folder says so, and the typed text stays to be corrected.
    TypePath(pics.File("winter"));
    EXPECT_EQ(ask.shown, std::vector<std::string>{"Folder not exist."});
    EXPECT_EQ(Current(), pics.Path());
    EXPECT_EQ(frame->GetRecentFoldersBox()->currentText().toStdString(), pics.File("winter"));

    // A picture's path shows the picture in its folder.
    TypePath(pics.File("summer/2024/beach.bmp"));
    EXPECT_EQ(Current(), pics.File("summer/2024"));
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "beach.bmp");

    // "/" and Backspace in the box edit the text; in the lists they navigate.
    QComboBox* box = frame->GetRecentFoldersBox();
    box->setFocus();
    QKeyEvent slash(QEvent::KeyPress, Qt::Key_Slash, Qt::NoModifier, "/");
    QCoreApplication::sendEvent(box, &slash);
    QKeyEvent back(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QCoreApplication::sendEvent(box, &back);
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(box, &del);
    EXPECT_EQ(Current(), pics.File("summer/2024"));
    EXPECT_TRUE(ask.shown.size() == 1) << "Delete in the box deletes no file";
    box->lineEdit()->completer()->popup()->hide(); // as a click into the list would
    Key(Qt::Key_Slash, Qt::NoModifier, "/");
    EXPECT_EQ(Current(), pics.File("summer"));

    // Folders complete as in a file dialog; files are not offered.
    QCompleter* completer = box->lineEdit()->completer();
    ASSERT_NE(completer, nullptr);
    QLineEdit* edit = box->lineEdit();
    edit->setText(QString::fromStdString(pics.File("s")));
    QKeyEvent u(QEvent::KeyPress, Qt::Key_U, Qt::NoModifier, "u");
    QCoreApplication::sendEvent(edit, &u);
    EXPECT_EQ(edit->text().toStdString(), pics.File("su"));
    // The folder is read in the background: ask again until it is.
    ASSERT_TRUE(WaitFor([&] {
        completer->setCompletionPrefix(QString());
        completer->setCompletionPrefix(edit->text());
        return completer->completionCount() == 2;
    })) << completer->completionCount();
    QStringList offered;
    for (int i = 0; completer->setCurrentRow(i); ++i)
        offered << completer->currentCompletion();
    offered.sort();
    EXPECT_EQ(offered, (QStringList{QString::fromStdString(pics.File("summer")),
                                    QString::fromStdString(pics.File("sunset"))}));
}
