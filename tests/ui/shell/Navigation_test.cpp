// Moving between folders through the frame's controls and commands, and the
// folder picker.
#include "FrameFixture.h"

#include "models/platform/Drives.h"
#include "models/settings/Favorites.h"
#include "ui/widgets/Browse.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>

#include <filesystem>

using vkuitest::FrameTest;
using vkuitest::WaitForLoad;
using vkuitest::WriteBmp;

namespace {

class NavigationTest : public FrameTest {
  protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        std::filesystem::create_directories(pics.File("A/B"));
        std::filesystem::create_directories(pics.File("X"));
        std::filesystem::create_directories(pics.File("Y"));
        WriteBmp(pics.File("top.bmp"), 10, 10);
        WriteBmp(pics.File("A/a.bmp"), 12, 10);
        WriteBmp(pics.File("A/B/b.bmp"), 14, 10);
    }
    // Double-clicks an entry of the directory list by its text.
    void Open(const std::string& entry)
    {
        QListWidget* list = frame->GetDirectoryListBox();
        for (int i = 0; i < list->count(); ++i) {
            if (list->item(i)->text().toStdString() == entry) {
                frame->OnDirectoryDoubleClicked(i);
                return;
            }
        }
        ADD_FAILURE() << "no entry " << entry;
    }
    std::string Current() const { return frame->GetFileList().GetCurrentDir(); }
    std::vector<std::string> DirEntries() const
    {
        std::vector<std::string> e;
        for (int i = 0; i < frame->GetDirectoryListBox()->count(); ++i)
            e.push_back(frame->GetDirectoryListBox()->item(i)->text().toStdString());
        return e;
    }
};

} // namespace

TEST_F(NavigationTest, DirectoryListAndBackToggles)
{
    ASSERT_TRUE(Start(pics.Path()));
    EXPECT_EQ(DirEntries(), (std::vector<std::string>{"..", "A", "X", "Y"}));
    EXPECT_FALSE(frame->IsCommandEnabled(Cmd::GoBack));
    Open("A");
    Open("B");
    EXPECT_EQ(Current(), pics.File("A/B"));
    EXPECT_EQ(frame->GetFileList().Count(), 1);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Current(), pics.File("A"));
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Current(), pics.File("A/B"));
    EXPECT_EQ(vkplatform::WorkingDirectory(), Current()) << "working directory follows";
    // Up with "/" and the title without a file.
    Key(Qt::Key_Slash, Qt::NoModifier, "/");
    EXPECT_EQ(Current(), pics.File("A"));
    EXPECT_EQ(Title(), "Velkor 1.0 - [" + pics.File("A") + "]");
}

TEST_F(NavigationTest, TypingAPathIntoTheRecentFoldersBoxDoesNotNavigate)
{
    ASSERT_TRUE(Start(pics.File("A")));
    QLineEdit* edit = frame->GetRecentFoldersBox()->lineEdit();
    ASSERT_NE(edit, nullptr);
    edit->clear();
    for (const char* key : {"/", "t", "m", "p", "/"}) {
        QKeyEvent press(QEvent::KeyPress, key[0] == '/' ? Qt::Key_Slash : Qt::Key_T + (key[0] - 't'),
                        Qt::NoModifier, key);
        QCoreApplication::sendEvent(edit, &press);
    }
    QKeyEvent back(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QCoreApplication::sendEvent(edit, &back);
    EXPECT_EQ(edit->text().toStdString(), "/tmp");
    EXPECT_EQ(Current(), pics.File("A")) << "neither Up One Level nor Back ran";
    // Ctrl keys still reach the frame from the field.
    int opened = 0;
    vkui::setOpenFileHandler([&opened](const QString&, const QStringList&) {
        ++opened;
        return QString();
    });
    QKeyEvent open(QEvent::KeyPress, Qt::Key_O, Qt::ControlModifier);
    QCoreApplication::sendEvent(edit, &open);
    EXPECT_EQ(opened, 1);
}

TEST_F(NavigationTest, RecentFoldersComeFromTheirFileAndAreNotRepeated)
{
    vktest::WriteFile(config->File("vk.ruf"), "2*" + pics.File("X") + "*" + pics.Path() + "*");
    ASSERT_TRUE(Start(pics.Path()));
    EXPECT_EQ(frame->GetRecentFolders(), (std::vector<std::string>{pics.File("X"), pics.Path()}));
    EXPECT_EQ(frame->GetRecentFoldersBox()->currentIndex(), 1) << "the start folder, not added again";

    Open("X");
    Open("..");
    Open("Y");
    Open("..");
    Open("X");
    const std::vector<std::string> recent = frame->GetRecentFolders();
    EXPECT_EQ(recent, (std::vector<std::string>{pics.File("X"), pics.Path(), pics.File("Y")}));
    EXPECT_EQ(frame->GetRecentFoldersBox()->currentText().toStdString(), pics.File("X"));

    // Choosing a recent folder goes there without adding it again.
    frame->OnRecentFolderSelected(2);
    EXPECT_EQ(Current(), pics.File("Y"));
    EXPECT_EQ(frame->GetRecentFolders().size(), 3u);

    // A recent folder that vanished.
    std::filesystem::remove_all(pics.File("X"));
    frame->OnRecentFolderSelected(0);
    EXPECT_EQ(ask.shown, std::vector<std::string>{"Folder not exist."});
    EXPECT_EQ(Current(), pics.File("Y"));
    EXPECT_EQ(frame->GetRecentFoldersBox()->currentText().toStdString(), pics.File("Y"));

    // Not read when the settings say not to keep them.
    frame.reset();
    CSettings settings;
    settings.saveRecentFolders = 0;
    WriteSettings(settings);
    ASSERT_TRUE(Start(pics.Path()));
    EXPECT_EQ(frame->GetRecentFolders(), (std::vector<std::string>{pics.Path()}));
}

TEST_F(NavigationTest, RefreshAndDotDotWalkUpPastVanishedFolders)
{
    ASSERT_TRUE(Start(pics.Path()));
    Open("A");
    Open("B");
    std::filesystem::remove_all(pics.File("A"));
    Key(Qt::Key_R, Qt::ShiftModifier, "R");
    EXPECT_EQ(Current(), pics.Path());
    EXPECT_EQ(frame->GetFileList().Count(), 1);
    EXPECT_TRUE(ask.shown.empty());

    std::filesystem::create_directories(pics.File("A/B"));
    Key(Qt::Key_R, Qt::ShiftModifier, "R"); // lists A again
    Open("A");
    Open("B");
    std::filesystem::remove_all(pics.File("A"));
    Open("..");
    EXPECT_EQ(Current(), pics.Path());
    // A subfolder that vanished refreshes instead.
    std::filesystem::remove_all(pics.File("Y"));
    Open("Y");
    EXPECT_EQ(Current(), pics.Path());
    EXPECT_EQ(DirEntries(), (std::vector<std::string>{"..", "X"}));
}

TEST_F(NavigationTest, FavoritesGoToFolderAndFile)
{
    CFavorites favorites;
    favorites.AddFavorite("pictures of A", pics.File("A"), "a.bmp", 1);
    favorites.AddFavorite("gone file", pics.File("A"), "gone.bmp", 1);
    favorites.AddFavorite("gone folder", pics.File("nowhere"), "", 0);
    ASSERT_TRUE(favorites.SaveFavorites(config->File("vk.fav")));
    ASSERT_TRUE(Start(pics.Path()));
    ASSERT_EQ(frame->GetFavoritesBox()->count(), 3);
    EXPECT_EQ(frame->GetFavoritesBox()->itemText(0).toStdString(), "pictures of A");
    EXPECT_FALSE(frame->GetFavoritesBox()->itemIcon(0).isNull());

    frame->OnFavoriteSelected(0);
    WaitForLoad(frame->GetView());
    EXPECT_EQ(Current(), pics.File("A"));
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "a.bmp");
    EXPECT_TRUE(frame->GetView()->HasImage());
    EXPECT_EQ(frame->GetRecentFolders().back(), pics.File("A"));

    frame->OnFavoriteSelected(1);
    EXPECT_EQ(ask.shown, std::vector<std::string>{"gone.bmp not found."});
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "");
    EXPECT_FALSE(frame->GetView()->HasImage());

    frame->OnFavoriteSelected(2);
    ASSERT_EQ(ask.shown.size(), 2u);
    EXPECT_EQ(ask.shown[1], "Folder not exist.");
    EXPECT_EQ(Current(), pics.File("A"));
}

TEST_F(NavigationTest, HomeGoesHomeOnceAndStartsThere)
{
    CSettings settings;
    settings.homeDirectory = pics.File("A");
    WriteSettings(settings);
    ASSERT_TRUE(Start(pics.Path()));
    EXPECT_TRUE(frame->IsCommandEnabled(Cmd::GoHome));
    Key(Qt::Key_Home);
    EXPECT_EQ(Current(), pics.File("A"));
    EXPECT_FALSE(frame->IsCommandEnabled(Cmd::GoHome));
    // A home that vanished.
    frame->GetSettings().homeDirectory = pics.File("gone");
    frame->RunCommand(Cmd::GoHome);
    EXPECT_EQ(ask.shown, std::vector<std::string>{"Folder not exist."});
    EXPECT_EQ(Current(), pics.File("A"));

    // Starting in the home folder when the settings say so.
    frame.reset();
    settings.homeDirectory = pics.File("A/B");
    settings.startInHome = 1;
    WriteSettings(settings);
    ASSERT_TRUE(Start(pics.Path()));
    EXPECT_EQ(Current(), pics.File("A/B"));
}

TEST_F(NavigationTest, OpenGoesToTheFilesFolderInEitherMode)
{
    ASSERT_TRUE(Start(pics.Path()));
    QStringList seenFilters;
    vkui::setOpenFileHandler([&](const QString&, const QStringList& filters) {
        seenFilters = filters;
        return QString::fromStdString(pics.File("A/B/b.bmp"));
    });
    Key(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(Current(), pics.File("A/B"));
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "b.bmp");
    EXPECT_TRUE(frame->GetView()->HasImage());
    // All pictures first, then the kinds of file in their order.
    ASSERT_GT(seenFilters.size(), 16);
    EXPECT_TRUE(seenFilters.first().startsWith("All pictures ("));
    EXPECT_TRUE(seenFilters.first().contains("*.jpeg"));
    EXPECT_EQ(seenFilters[1].toStdString(), "Windows Bitmap (*.bmp *.dib *.rle)");
    EXPECT_EQ(seenFilters[15].toStdString(), "Icon Files (*.ico)");

    // Cancel does nothing.
    vkui::setOpenFileHandler([](const QString&, const QStringList&) { return QString(); });
    frame->RunCommand(Cmd::FileOpen);
    EXPECT_EQ(Current(), pics.File("A/B"));

    // Opened from the viewer elsewhere, the viewer stays and moves there.
    WriteBmp(pics.File("A/B/c.bmp"), 16, 10);
    Open("..");
    Open("..");
    SelectRow(RowOf("top.bmp"));
    ASSERT_TRUE(frame->RunCommand(Cmd::Viewer));
    vkui::setOpenFileHandler(
        [&](const QString&, const QStringList&) { return QString::fromStdString(pics.File("A/B/c.bmp")); });
    ASSERT_TRUE(frame->RunCommand(Cmd::FileOpen));
    WaitForLoad(frame->GetView());
    EXPECT_FALSE(frame->IsBrowserMode());
    EXPECT_EQ(Current(), pics.File("A/B"));
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "c.bmp");
    EXPECT_EQ(frame->GetCurrentIndex(), 1) << "the viewer's position is the opened file";
    EXPECT_EQ(frame->GetView()->GetPicture().GetWidth(), 16);
    // The viewer steps from there.
    EXPECT_TRUE(frame->IsCommandEnabled(Cmd::ImagePrevious));
    EXPECT_FALSE(frame->IsCommandEnabled(Cmd::ImageNext));
    ASSERT_TRUE(frame->RunCommand(Cmd::ImagePrevious));
    WaitForLoad(frame->GetView());
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "b.bmp");

    // A file the list does not show leaves nothing to view: the browser shows its folder.
    vktest::WriteFile(pics.File("notes.txt"), "text");
    vkui::setOpenFileHandler(
        [&](const QString&, const QStringList&) { return QString::fromStdString(pics.File("notes.txt")); });
    frame->RunCommand(Cmd::FileOpen);
    EXPECT_TRUE(frame->IsBrowserMode());
    EXPECT_EQ(Current(), pics.Path());
    EXPECT_EQ(ask.shown, std::vector<std::string>{"Image not found"});
}

TEST_F(NavigationTest, AutoRefreshOnlyAfterMinimising)
{
    CSettings settings;
    settings.autoRefresh = 1;
    WriteSettings(settings);
    ASSERT_TRUE(Start(pics.Path()));
    WriteBmp(pics.File("new.bmp"), 5, 5);
    frame->OnActivate(false);
    EXPECT_EQ(frame->GetFileList().Count(), 1) << "no refresh without minimising";

    frame->showMinimized();
    QCoreApplication::processEvents();
    frame->OnActivate(false);
    frame->showNormal();
    QCoreApplication::processEvents();
    frame->OnActivate(true);
    EXPECT_EQ(frame->GetFileList().Count(), 1) << "a click activation never refreshes";
    frame->OnActivate(false);
    EXPECT_EQ(frame->GetFileList().Count(), 2);
}

TEST_F(NavigationTest, DriveBoxADriveThatCannotBeEnteredAndUpAtTheRoot)
{
    ASSERT_TRUE(Start(pics.File("A")));
    // The live drive list names the drive of the current folder.
    const std::string mount = vkplatform::MountPointOf(pics.Path(), vkplatform::ListDrives());
    EXPECT_EQ(frame->GetDriveBox()->currentText().toStdString(), vkplatform::DriveEntry(mount));

    frame->SetDrives({"/", pics.Path(), pics.File("unplugged")});
    QComboBox* drives = frame->GetDriveBox();
    ASSERT_EQ(drives->count(), 3);
    EXPECT_EQ(drives->currentIndex(), 1) << "the drive holding the current folder";
    drives->setCurrentIndex(2);
    frame->OnDriveSelected(2);
    EXPECT_EQ(ask.shown, std::vector<std::string>{"The device is not ready."});
    EXPECT_EQ(drives->currentIndex(), 1);
    EXPECT_EQ(Current(), pics.File("A"));
    EXPECT_EQ(vkplatform::WorkingDirectory(), pics.File("A"));
    // Choosing a drive goes to its top, not to a folder within it.
    frame->OnDriveSelected(1);
    EXPECT_EQ(Current(), pics.Path());
    frame->OnDriveSelected(0);
    EXPECT_EQ(Current(), "/");
    EXPECT_EQ(frame->GetRecentFolders().back(), "/");

    // At the root Up is disabled and there is no "..".
    EXPECT_FALSE(frame->IsCommandEnabled(Cmd::GoUp));
    const std::vector<std::string> entries = DirEntries();
    EXPECT_EQ(std::count(entries.begin(), entries.end(), ".."), 0);
    Key(Qt::Key_Slash, Qt::NoModifier, "/");
    EXPECT_EQ(Current(), "/");
}

TEST_F(NavigationTest, FolderPickerBrowsesAndReturns)
{
    ASSERT_TRUE(Start(pics.Path()));
    CBrowseDlg picker(frame->GetFileList());
    EXPECT_EQ(picker.GetShownFolder().toStdString(), pics.Path());
    EXPECT_EQ(frame->GetFileList().GetDestinationDir(), pics.Path());
    auto open = [](CBrowseDlg& dialog, const std::string& entry) {
        QListWidget* list = dialog.GetDirectoryList();
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->text().toStdString() == entry)
                return dialog.OnDirectoryDoubleClicked(i);
        ADD_FAILURE() << "no entry " << entry;
    };
    open(picker, "A");
    open(picker, "B");
    EXPECT_EQ(picker.GetShownFolder().toStdString(), pics.File("A/B"));
    open(picker, "..");
    EXPECT_EQ(frame->GetFileList().GetDestinationDir(), pics.File("A"));
    picker.accept();
    EXPECT_EQ(frame->GetFileList().GetDestinationDir(), pics.File("A"));
    EXPECT_EQ(vkplatform::WorkingDirectory(), pics.Path()) << "back in the browser's folder";
    EXPECT_EQ(Current(), pics.Path()) << "the browser did not move";

    // ".." from a vanished folder stops at the nearest one that exists.
    CBrowseDlg again(frame->GetFileList());
    open(again, "A");
    std::filesystem::remove_all(pics.File("A"));
    open(again, "..");
    EXPECT_EQ(frame->GetFileList().GetDestinationDir(), pics.Path());
    again.reject();
}
