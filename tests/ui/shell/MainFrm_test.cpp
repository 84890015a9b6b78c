// The main frame driven headless: title, properties and status panes in both
// modes, the mode switch, keys in each mode, enabling shared by menu,
// toolbar and key, edits, start-up and shut-down.
#include "FrameFixture.h"

#include "engine/save/SaveDispatch.h"
#include "models/browser/FormatNumber.h"
#include "models/settings/Favorites.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

#include <filesystem>
#include <functional>

using vkuitest::FrameTest;
using vkuitest::WaitForLoad;
using vkuitest::WriteBmp;

namespace {

// 16 x 8 at 24 bits: 54 + 8 * 48 = 438 bytes each.
constexpr int kFileBytes = 438;

class MainFrameTest : public FrameTest {
  protected:
    // a01.bmp .. a12.bmp
    void MakeTwelve()
    {
        for (int i = 1; i <= 12; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "a%02d.bmp", i);
            WriteBmp(pics.File(name), 16, 8, unsigned(i));
        }
    }
    bool ButtonEnabled(bool browserBar, Cmd command)
    {
        QToolBar* bar = frame->GetToolBar(browserBar);
        QWidget* button = bar->widgetForAction(frame->GetAction(command));
        return button && button->isEnabled();
    }
    std::string Dir() const { return pics.Path(); }
};

} // namespace

TEST_F(MainFrameTest, BrowserTextsInEachUnitAndRefresh)
{
    MakeTwelve();
    ASSERT_TRUE(Start(Dir()));
    EXPECT_EQ(Title(), "Velkor 1.0 - [" + Dir() + "]");
    EXPECT_EQ(Pane(1), "Ready");
    EXPECT_EQ(Pane(2), " 0 of 12 (0 bytes)");
    EXPECT_EQ(Pane(3).rfind(" Free Disk Space: ", 0), 0u) << Pane(3);
    EXPECT_EQ(Pane(3).substr(Pane(3).size() - 6), " bytes");
    EXPECT_EQ(frame->GetPropertyLabel(0).toStdString(), "Name:");
    EXPECT_EQ(frame->GetPropertyLabel(3).toStdString(), "Date:");

    SelectRows({0, 1, 2});
    EXPECT_EQ(Pane(2), " 3 of 12 (1314 bytes)");
    EXPECT_EQ(Title(), "Velkor 1.0 - [" + Dir() + "/a03.bmp]");
    EXPECT_EQ(Property(0), "a03.bmp");
    EXPECT_EQ(Property(1), "16x8, 24 bpp");
    EXPECT_EQ(Property(2), "438 bytes");
    EXPECT_FALSE(Property(3).empty());
    EXPECT_EQ(Pane(4).rfind("  Loaded in ", 0), 0u) << Pane(4);
    EXPECT_EQ(Pane(4).substr(Pane(4).size() - 2), " s");
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "a03.bmp");

    // Refresh keeps only the current file selected.
    SelectRows({0, 5, 7});
    frame->RunCommand(Cmd::ViewRefresh);
    WaitForLoad(frame->GetView());
    EXPECT_EQ(frame->GetFileList().GetSelectedCount(), 1);
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "a08.bmp");
    EXPECT_EQ(Pane(2), " 1 of 12 (438 bytes)");

    // Kilobytes and inches, without the path in the title.
    CSettings& settings = frame->GetSettings();
    settings.fileSizeUnit = 1;
    settings.imageSizeUnit = 1;
    settings.browserFullPathInTitle = 0;
    frame->RunCommand(Cmd::ViewRefresh);
    SelectRows({3, 4, 5});
    EXPECT_EQ(Pane(2), " 3 of 12 (1 KB)");
    EXPECT_EQ(Property(1), "0.17x0.08, 24 bpp");
    EXPECT_EQ(Property(2), "0.428 KB");
    EXPECT_EQ(Title(), "Velkor 1.0");
    EXPECT_EQ(Pane(3).substr(Pane(3).size() - 3), " KB");
}

TEST_F(MainFrameTest, ViewerModeTextsKeysAndNavigation)
{
    MakeTwelve();
    // Started in sub, with sub as home, then up: Back and Home lead away.
    std::filesystem::create_directories(pics.File("sub"));
    CSettings settings;
    settings.homeDirectory = pics.File("sub");
    WriteSettings(settings);
    ASSERT_TRUE(Start(pics.File("sub")));
    frame->RunCommand(Cmd::GoUp);
    ASSERT_EQ(frame->GetFileList().GetCurrentDir(), Dir());
    SelectRows({1, 2, 4});
    Key(Qt::Key_Return);
    ASSERT_FALSE(frame->IsBrowserMode());
    EXPECT_EQ(Pane(2), " 5/12");
    EXPECT_EQ(Pane(3), " a05.bmp, 16x8 24 bpp, 438 bytes");
    EXPECT_EQ(Title(), "Velkor 1.0 - [" + Dir() + "/a05.bmp]");
    EXPECT_EQ(frame->GetFileList().GetSelectedCount(), 1) << "only the shown file stays selected";
    EXPECT_FALSE(frame->GetFileListView()->isVisible());

    Key(Qt::Key_PageUp, Qt::ShiftModifier);
    EXPECT_EQ(Pane(2), " 6/12");
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "a06.bmp");
    Key(Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(Pane(2), " 5/12");

    Key(Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(Pane(2), " 12/12");
    frame->UpdateCommandUI();
    EXPECT_FALSE(frame->GetAction(Cmd::ImageNext)->isEnabled());
    EXPECT_FALSE(ButtonEnabled(false, Cmd::ImageNext));
    EXPECT_TRUE(ButtonEnabled(false, Cmd::ImagePrevious));
    Key(Qt::Key_PageUp, Qt::ShiftModifier);
    EXPECT_EQ(Pane(2), " 12/12") << "Next at the end does nothing";

    // Back, Up and Home act in browser mode only (and are not the viewer's
    // Previous and First); the preview position too.
    Key(Qt::Key_Backspace);
    Key(Qt::Key_Slash, Qt::NoModifier, "/");
    Key(Qt::Key_Home);
    frame->RunCommand(Cmd::PreviewCenter);
    EXPECT_EQ(frame->GetFileList().GetCurrentDir(), Dir());
    EXPECT_EQ(frame->GetSettings().previewPosition, 0);
    EXPECT_EQ(Pane(2), " 12/12");
    // Refresh works in both modes and keeps the shown file.
    WriteBmp(pics.File("a13.bmp"), 16, 8);
    Key(Qt::Key_R, Qt::ShiftModifier, "R");
    EXPECT_EQ(Pane(2), " 12/13");
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "a12.bmp");

    Key(Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(Pane(2), " 1/13");
    frame->UpdateCommandUI();
    EXPECT_FALSE(frame->GetAction(Cmd::ImagePrevious)->isEnabled());
    EXPECT_FALSE(frame->GetAction(Cmd::ImageFirst)->isEnabled());

    // Enter in viewer mode does nothing; Ctrl+Enter returns.
    Key(Qt::Key_Return);
    EXPECT_FALSE(frame->IsBrowserMode());
    Key(Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(frame->IsBrowserMode());
    EXPECT_EQ(Pane(2), " 1 of 13 (438 bytes)");
    EXPECT_EQ(Property(0), "a01.bmp");
    EXPECT_TRUE(frame->GetFileListView()->isVisible());
    // Ctrl+Enter in browser mode does nothing.
    Key(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_TRUE(frame->IsBrowserMode());
}

TEST_F(MainFrameTest, LayoutPlacesTheViewAndKeepsTheDisplayedSize)
{
    WriteBmp(pics.File("wide.bmp"), 2000, 300);
    ASSERT_TRUE(Start(Dir(), QString(), 900, 650));
    SelectRow(0);
    CPreview* view = frame->GetView();
    const int browserWidth = view->GetClientWidth();
    EXPECT_EQ(view->width(), browserWidth);
    EXPECT_EQ(view->GetDisplayWidth(), browserWidth) << "shrunk to the preview's width";
    EXPECT_LT(browserWidth, 900 - 320);
    EXPECT_EQ(frame->GetFileListView()->width(), CWindowState().fileListWidth);

    frame->RunCommand(Cmd::Viewer);
    EXPECT_GT(view->GetClientWidth(), browserWidth + 300) << "the view fills the window";
    EXPECT_EQ(view->GetDisplayWidth(), browserWidth) << "the preview's size is kept";
    EXPECT_EQ(view->GetOriginX(), (view->GetClientWidth() - browserWidth) / 2);

    // A larger window re-places the picture without resizing it.
    frame->resize(1100, 700);
    QCoreApplication::processEvents();
    EXPECT_EQ(view->GetDisplayWidth(), browserWidth);
    EXPECT_EQ(view->GetOriginX(), (view->GetClientWidth() - browserWidth) / 2);
}

TEST_F(MainFrameTest, MenusAndToolbarsFollowTheMode)
{
    ASSERT_TRUE(Start(Dir()));
    auto titles = [this] {
        std::vector<std::string> t;
        for (QAction* a : frame->menuBar()->actions())
            t.push_back(a->text().toStdString());
        return t;
    };
    EXPECT_EQ(titles(), (std::vector<std::string>{"&File", "&Edit", "&View", "&Go ", "&Favorites ", "&Image ",
                                                  "&Colors ", "&Tools ", "&Help"}));
    EXPECT_TRUE(frame->GetToolBar(true)->isVisible());
    EXPECT_FALSE(frame->GetToolBar(false)->isVisible());
    EXPECT_EQ(frame->GetAction(Cmd::FileOpen)->text().toStdString(), "&Open...\tCtrl+O");
    EXPECT_EQ(frame->GetAction(Cmd::FilePrint)->text().toStdString(), "&Print...\tCtrl+P");
    EXPECT_EQ(frame->GetAction(Cmd::GoBack)->statusTip().toStdString(), "Goes to previous directory.");
    EXPECT_EQ(frame->GetAction(Cmd::GoBack)->toolTip().toStdString(), "Go back");

    WriteBmp(pics.File("x.bmp"), 40, 30);
    frame->RefreshDirectory();
    SelectRow(0);
    ASSERT_TRUE(frame->RunCommand(Cmd::Viewer));
    EXPECT_EQ(titles(), (std::vector<std::string>{"&File", "&Edit", "&View", "&Zoom", "&Image ", "&Colors ",
                                                  "&Tools ", "&Help"}));
    EXPECT_FALSE(frame->GetToolBar(true)->isVisible());
    EXPECT_TRUE(frame->GetToolBar(false)->isVisible());

    // View > Toolbar hides the bar of the current mode and stays off across modes.
    frame->RunCommand(Cmd::ViewToolbar);
    EXPECT_FALSE(frame->GetToolBar(false)->isVisible());
    frame->RunCommand(Cmd::Browser);
    EXPECT_FALSE(frame->GetToolBar(true)->isVisible());
    EXPECT_FALSE(frame->GetAction(Cmd::ViewToolbar)->isChecked());

    // Auto-refresh is a checked item that flips its setting.
    QAction* autoRefresh = frame->GetAction(Cmd::ViewAutoRefresh);
    const bool before = frame->GetSettings().autoRefresh != 0;
    autoRefresh->trigger();
    EXPECT_EQ(frame->GetSettings().autoRefresh != 0, !before);
    EXPECT_EQ(autoRefresh->isChecked(), !before);
}

TEST_F(MainFrameTest, OneEnablingRuleForMenuToolbarAndKey)
{
    MakeTwelve();
    ASSERT_TRUE(Start(Dir()));
    frame->UpdateCommandUI();
    // Nothing shown: Viewer is grey everywhere and Enter does nothing.
    EXPECT_FALSE(frame->GetAction(Cmd::Viewer)->isEnabled());
    EXPECT_FALSE(ButtonEnabled(true, Cmd::Viewer));
    Key(Qt::Key_Return);
    EXPECT_TRUE(frame->IsBrowserMode());

    // A rule bound by a feature reaches the menu, both toolbars and the key.
    int deletes = 0;
    frame->GetCommands().Bind(Cmd::EditDelete,
                              {
                                  .enabled = [this] { return frame->GetFileList().GetSelectedCount() > 0; },
                                  .run = [&deletes] { ++deletes; },
                              });
    frame->UpdateCommandUI();
    EXPECT_FALSE(frame->GetAction(Cmd::EditDelete)->isEnabled());
    EXPECT_FALSE(ButtonEnabled(true, Cmd::EditDelete));
    Key(Qt::Key_F8);
    EXPECT_EQ(deletes, 0);

    SelectRows({1, 2});
    frame->UpdateCommandUI();
    EXPECT_TRUE(frame->GetAction(Cmd::Viewer)->isEnabled());
    EXPECT_TRUE(ButtonEnabled(true, Cmd::Viewer));
    EXPECT_FALSE(frame->GetAction(Cmd::EditUndo)->isEnabled());
    EXPECT_FALSE(frame->GetAction(Cmd::FileSaveAs)->isEnabled());
    EXPECT_TRUE(frame->GetAction(Cmd::EditDelete)->isEnabled());
    EXPECT_TRUE(ButtonEnabled(true, Cmd::EditDelete));
    Key(Qt::Key_F8);
    EXPECT_EQ(deletes, 1);
    frame->GetAction(Cmd::EditDelete)->trigger();
    EXPECT_EQ(deletes, 2);
    EXPECT_TRUE(ButtonEnabled(false, Cmd::EditDelete)) << "the viewer's button shares the rule";
    Key(Qt::Key_Return);
    EXPECT_FALSE(frame->IsBrowserMode());
}

TEST_F(MainFrameTest, MenusAreBuiltFromTheLayout)
{
    ASSERT_TRUE(Start(Dir()));
    // Walks a built menu beside its layout entry by entry.
    std::function<void(const QMenu*, const std::vector<MenuLayout>&)> same;
    same = [&](const QMenu* menu, const std::vector<MenuLayout>& layout) {
        const QList<QAction*> actions = menu->actions();
        ASSERT_EQ(size_t(actions.size()), layout.size()) << menu->title().toStdString();
        for (size_t i = 0; i < layout.size(); ++i) {
            QAction* a = actions[qsizetype(i)];
            if (layout[i].IsSubmenu()) {
                ASSERT_TRUE(a->menu()) << layout[i].title;
                EXPECT_EQ(a->menu()->title().toStdString(), layout[i].title);
                same(a->menu(), layout[i].submenu);
            } else if (layout[i].IsSeparator()) {
                EXPECT_TRUE(a->isSeparator());
            } else {
                EXPECT_EQ(a, frame->GetAction(layout[i].command));
            }
        }
    };
    for (bool browser : {true, false}) {
        const std::vector<MenuLayout>& layout = browser ? BrowserMenuBar() : ViewerMenuBar();
        const std::vector<QMenu*>& menus = frame->GetMenus(browser);
        ASSERT_EQ(menus.size(), layout.size());
        for (size_t i = 0; i < menus.size(); ++i) {
            EXPECT_EQ(menus[i]->title().toStdString(), layout[i].title);
            same(menus[i], layout[i].submenu);
        }
    }
    EXPECT_EQ(frame->GetMenus(true)[2]->actions()[4]->menu()->title().toStdString(), "Preview");
}

TEST_F(MainFrameTest, KeypadZoomInEachMode)
{
    WriteBmp(pics.File("big.bmp"), 120, 90);
    ASSERT_TRUE(Start(Dir()));
    SelectRow(0);
    CPreview* view = frame->GetView();
    ASSERT_EQ(view->GetDisplayWidth(), 120);
    // Browser: NumPad 7 (300 %) does nothing, NumPad 2 gives 50 %.
    Key(Qt::Key_7, Qt::KeypadModifier, "7");
    EXPECT_EQ(view->GetDisplayWidth(), 120);
    Key(Qt::Key_2, Qt::KeypadModifier, "2");
    EXPECT_EQ(view->GetDisplayWidth(), 60);
    // NumPad + is a viewer command.
    Key(Qt::Key_Plus, Qt::KeypadModifier, "+");
    EXPECT_EQ(view->GetDisplayWidth(), 60);

    Key(Qt::Key_Return);
    ASSERT_FALSE(frame->IsBrowserMode());
    Key(Qt::Key_2, Qt::KeypadModifier, "2");
    EXPECT_EQ(view->GetDisplayWidth(), 60);
    Key(Qt::Key_7, Qt::KeypadModifier, "7");
    EXPECT_EQ(view->GetDisplayWidth(), 360);
    Key(Qt::Key_Minus, Qt::KeypadModifier, "-");
    EXPECT_EQ(view->GetDisplayWidth(), 330);
    Key(Qt::Key_Home, Qt::AltModifier);
    EXPECT_EQ(view->GetDisplayWidth(), 120);
    Key(Qt::Key_End, Qt::AltModifier);
    EXPECT_NEAR(view->GetDisplayHeight(), view->GetClientHeight(), 1);
}

TEST_F(MainFrameTest, UndoSaveAsEnablingAndTheSaveQuestionOnLeavingAndClosing)
{
    MakeTwelve();
    ASSERT_TRUE(Start(Dir()));
    SelectRow(0);
    CPreview* view = frame->GetView();
    const uint32_t original = view->GetPicture().GetLine32(0)[0];
    view->GetPicture().Invert();
    view->Relayout(false, false);
    frame->UpdateCommandUI();
    EXPECT_TRUE(frame->GetAction(Cmd::EditUndo)->isEnabled());
    EXPECT_TRUE(ButtonEnabled(true, Cmd::EditUndo));
    EXPECT_TRUE(frame->GetAction(Cmd::FileSaveAs)->isEnabled());

    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view->GetPicture().GetLine32(0)[0], original);
    frame->UpdateCommandUI();
    EXPECT_FALSE(frame->GetAction(Cmd::EditUndo)->isEnabled());
    EXPECT_TRUE(frame->GetAction(Cmd::FileSaveAs)->isEnabled()) << "still modified after Undo";

    // Leaving the edited picture asks; No loads the next one.
    ask.answers = {vkui::Answer::No};
    SelectRow(1);
    EXPECT_EQ(ask.shown, std::vector<std::string>{"Do you want to save your changes?"});
    EXPECT_EQ(Property(0), "a02.bmp");
    EXPECT_FALSE(view->GetPicture().IsModified());

    // Reload of an edited picture asks too, and reads the file again.
    const uint32_t before = view->GetPicture().GetLine32(0)[0];
    view->GetPicture().Invert();
    Key(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(ask.shown.size(), 2u);
    EXPECT_EQ(view->GetPicture().GetLine32(0)[0], before);

    // Closing with an edited picture asks once; Yes saves under its name.
    view->GetPicture().Invert();
    int saves = 0;
    frame->SetSaveAsHandler([&saves](const QString& name) {
        EXPECT_EQ(name.toStdString(), "a02.bmp");
        ++saves;
        return true;
    });
    ask.answers = {vkui::Answer::Yes};
    frame->close();
    ASSERT_EQ(ask.shown.size(), 3u);
    EXPECT_EQ(ask.shown[2], "Do you want to save your changes?");
    EXPECT_EQ(saves, 1);
    frame.reset();
    EXPECT_EQ(ask.shown.size(), 3u) << "asked once";
}

TEST_F(MainFrameTest, SaveQuestionKeepsTheEditsUnlessTheyAreSavedOrGivenUp)
{
    MakeTwelve();
    ASSERT_TRUE(Start(Dir()));
    SelectRow(0);
    CPreview* view = frame->GetView();
    view->GetPicture().Invert();
    const uint32_t edited = view->GetPicture().GetLine32(0)[0];
    frame->SetSaveAsHandler([](const QString&) { return false; }); // the save dialog cancelled

    // Yes with nothing saved, and Cancel: the edited picture and its file stay.
    for (vkui::Answer answer : {vkui::Answer::Yes, vkui::Answer::Cancel}) {
        ask.answers = {answer};
        SelectRow(1);
        EXPECT_EQ(ask.shown.back(), "Do you want to save your changes?");
        EXPECT_TRUE(view->HasImage());
        EXPECT_TRUE(view->GetPicture().IsModified());
        EXPECT_EQ(view->GetPicture().GetLine32(0)[0], edited);
        EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "a01.bmp");
        EXPECT_EQ(frame->GetFileList().SelectedNames(), std::vector<std::string>{"a01.bmp"});
        EXPECT_EQ(Property(0), "a01.bmp");
    }
    // Closing: Cancel keeps the window open.
    ask.answers = {vkui::Answer::Cancel};
    frame->close();
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(view->GetPicture().IsModified());

    // No gives the edits up and loads the next file.
    ask.answers = {vkui::Answer::No};
    SelectRow(1);
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "a02.bmp");
    EXPECT_FALSE(view->GetPicture().IsModified());
    EXPECT_EQ(ask.shown.size(), 4u);
}

TEST_F(MainFrameTest, CopyImagePutsThePictureOnTheClipboard)
{
    CWinBmp bmp;
    vktest::MakeTestPicture(bmp, 33, 17, 7);
    SaveAsBmpFile(bmp, pics.File("c.bmp"));
    ASSERT_TRUE(Start(Dir()));
    SelectRow(0);
    ASSERT_TRUE(frame->RunCommand(Cmd::EditCopyImage));
    const QImage image = QGuiApplication::clipboard()->image();
    ASSERT_EQ(image.width(), 33);
    ASSERT_EQ(image.height(), 17);
    for (int y : {0, 8, 16})
        for (int x : {0, 16, 32})
            EXPECT_EQ(image.pixel(x, y) & 0xFFFFFF, bmp.GetLine32(y)[x] & 0xFFFFFF) << x << "," << y;
}

// A picture read in part is shown, with its warning over it and in the
// status bar instead of the load time.
TEST_F(MainFrameTest, DamagedPictureIsShownWithAWarning)
{
    CWinBmp bmp;
    vktest::MakeTestPicture(bmp, 256, 192);
    ASSERT_TRUE(SavePicture(kSaveJpg, pics.File("whole.jpg"), bmp, SaveOptionValues()));
    const std::string bytes = vktest::ReadFile(pics.File("whole.jpg"));
    vktest::WriteFile(pics.File("cut.jpg"), bytes.substr(0, bytes.size() * 3 / 4));
    ASSERT_TRUE(Start(Dir()));
    SelectRow(RowOf("cut.jpg"));
    EXPECT_TRUE(frame->GetView()->HasImage());
    EXPECT_EQ(Pane(4), std::string("  Warning: ") + kTextDamaged);
    EXPECT_EQ(frame->GetView()->GetNote().toStdString(), kTextDamaged);
    EXPECT_TRUE(ask.shown.empty());
    SelectRow(RowOf("whole.jpg"));
    EXPECT_EQ(Pane(4).rfind("  Loaded in ", 0), 0u) << Pane(4);
    EXPECT_TRUE(frame->GetView()->GetNote().isEmpty());
}

// A file that cannot be shown says why in the view and the status bar,
// without a box the user would meet at every step onto it.
TEST_F(MainFrameTest, UnreadableFilesSayWhyWithoutABox)
{
    vktest::WriteFile(pics.File("bad.bmp"), "not a bitmap, just text");
    vktest::WriteFile(pics.File("empty.bmp"), "");
    WriteBmp(pics.File("gone.bmp"), 16, 8);
    ASSERT_TRUE(Start(Dir()));
    SelectRow(RowOf("bad.bmp"));
    EXPECT_TRUE(ask.shown.empty());
    EXPECT_EQ(Pane(4), "  Unknow format");
    EXPECT_EQ(frame->GetView()->GetNote().toStdString(), "bad.bmp\nUnknow format.");
    EXPECT_EQ(Title(), "Velkor 1.0 - [" + Dir() + "]");
    EXPECT_EQ(Property(0), "");
    EXPECT_FALSE(frame->GetView()->HasImage());
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "bad.bmp") << "the file stays selected";

    SelectRow(RowOf("empty.bmp"));
    EXPECT_EQ(Pane(4), "  The file is empty");
    EXPECT_EQ(frame->GetView()->GetNote().toStdString(), "empty.bmp\nThe file is empty.");

    // Gone since the list was read: said so, and it leaves the list.
    ::unlink(pics.File("gone.bmp").c_str());
    SelectRow(RowOf("gone.bmp"));
    EXPECT_EQ(Pane(4), "  File not found");
    EXPECT_EQ(frame->GetView()->GetNote().toStdString(), "gone.bmp\nFile not found.");
    EXPECT_EQ(RowOf("gone.bmp"), -1);
    EXPECT_TRUE(ask.shown.empty());
}

TEST_F(MainFrameTest, PreviewDisabledShowsTextsOnlyUntilPreviewCommand)
{
    MakeTwelve();
    CSettings settings;
    settings.browserPreviewEnabled = 0;
    WriteSettings(settings);
    ASSERT_TRUE(Start(Dir()));
    SelectRow(2);
    EXPECT_EQ(Pane(4), " Done");
    EXPECT_EQ(Property(0), "a03.bmp");
    EXPECT_EQ(Property(1), "");
    EXPECT_EQ(Property(2), "438 bytes");
    EXPECT_FALSE(frame->GetView()->HasImage());

    frame->UpdateCommandUI();
    EXPECT_TRUE(frame->GetAction(Cmd::FilePreview)->isEnabled());
    Key(Qt::Key_P, Qt::ShiftModifier, "P");
    EXPECT_TRUE(frame->GetView()->HasImage());
    EXPECT_EQ(Property(1), "16x8, 24 bpp");

    // Emptying the selection clears everything without a load.
    SelectRows({});
    EXPECT_FALSE(frame->GetView()->HasImage());
    EXPECT_EQ(Property(0), "");
    EXPECT_EQ(Title(), "Velkor 1.0 - [" + Dir() + "]");
}

TEST_F(MainFrameTest, SortOrdersKeepTheSelection)
{
    for (const char* name : {"b.png", "a.bmp", "c.dib", "d.rle"})
        WriteBmp(pics.File(name), 8, 8);
    ASSERT_TRUE(Start(Dir()));
    auto entries = [this] { return frame->GetFileList().Entries(); };
    SelectRow(1);
    frame->RunCommand(Cmd::SortByExtension);
    EXPECT_EQ(entries(), (std::vector<std::string>{"a.bmp", "c.dib", "b.png", "d.rle"}));
    EXPECT_TRUE(frame->GetFileList().SelectedRows()[2]);
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "b.png");
    frame->UpdateCommandUI();
    EXPECT_TRUE(frame->GetAction(Cmd::SortByExtension)->isChecked());
    EXPECT_FALSE(frame->GetAction(Cmd::SortByName)->isChecked());
}

TEST_F(MainFrameTest, HoldingTheDownArrowShowsTheLastPicture)
{
    for (int i = 0; i < 30; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "h%02d.bmp", i);
        WriteBmp(pics.File(name), 20 + i, 20, unsigned(i));
    }
    ASSERT_TRUE(Start(Dir()));
    QListView* list = frame->GetFileListView();
    list->setFocus();
    list->setCurrentIndex(frame->GetFileList().index(0));
    for (int i = 0; i < 29; ++i) {
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QCoreApplication::sendEvent(list, &down);
    }
    WaitForLoad(frame->GetView());
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "h29.bmp");
    EXPECT_EQ(frame->GetView()->GetPicture().GetWidth(), 49);
    EXPECT_EQ(Property(0), "h29.bmp");
}

TEST_F(MainFrameTest, StartupFileIsSelectedAndShownOrStartupFailsCleanly)
{
    // In a folder that cannot be entered: a message, and nothing is written
    // when start-up did not finish.
    EXPECT_FALSE(Start(Dir(), QString::fromStdString(pics.File("missing/x.bmp"))));
    EXPECT_EQ(ask.shown, std::vector<std::string>{"Error during startup"});
    frame.reset();
    EXPECT_FALSE(vktest::FileExists(config->File("vk.set")));

    MakeTwelve();
    vktest::TempDir elsewhere;
    CSettings settings; // the start-up file's folder wins over home
    settings.homeDirectory = elsewhere.Path();
    settings.startInHome = 1;
    WriteSettings(settings);
    ASSERT_TRUE(Start(elsewhere.Path(), QString::fromStdString(pics.File("a07.bmp"))));
    EXPECT_EQ(frame->GetFileList().GetCurrentDir(), Dir());
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "a07.bmp");
    EXPECT_TRUE(frame->GetView()->HasImage());
    EXPECT_EQ(Title(), "Velkor 1.0 - [" + Dir() + "/a07.bmp]");
    EXPECT_TRUE(frame->IsBrowserMode());
}

TEST_F(MainFrameTest, ShutdownSavesAsTheSettingsSay)
{
    ASSERT_TRUE(Start(Dir()));
    frame->GetSettings().balanceRed = 77;
    frame.reset();
    EXPECT_TRUE(vktest::FileExists(config->File("vk.fav")));
    EXPECT_EQ(vktest::ReadFile(config->File("vk.fav")), "0*");
    EXPECT_EQ(vktest::ReadFile(config->File("vk.ruf")), "1*" + Dir() + "*");
    CSettings reread;
    ASSERT_TRUE(reread.Load(config->File("vk.set")));
    EXPECT_EQ(reread.balanceRed, 77);

    // With saving turned off the earlier file stays as it was.
    reread.saveSettingsOnExit = 0;
    reread.saveRecentFolders = 0;
    WriteSettings(reread);
    const std::string before = vktest::ReadFile(config->File("vk.set"));
    ASSERT_TRUE(Start(Dir()));
    frame->GetSettings().balanceRed = 12;
    frame.reset();
    EXPECT_EQ(vktest::ReadFile(config->File("vk.set")), before);
}

TEST_F(MainFrameTest, ARelativeConfigFolderStaysWhereVelkorStarted)
{
    // Started in `config` with a relative settings folder, browsing `pics`.
    WriteBmp(pics.File("p.bmp"), 8, 8);
    qputenv("VELKOR_CONFIG_DIR", "settings");
    ASSERT_TRUE(Start(config->Path(), QString::fromStdString(pics.File("p.bmp"))));
    EXPECT_EQ(frame->GetFileList().GetCurrentDir(), Dir());
    frame.reset();
    EXPECT_TRUE(vktest::FileExists(config->File("settings/vk.set")));
    EXPECT_FALSE(std::filesystem::exists(pics.File("settings"))) << "nothing written where the browser was";
}
