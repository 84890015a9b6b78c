// The Options, favorites, associations, wallpaper and printing commands
// run from the main frame, headless.
#include "FrameFixture.h"
#include "ScopedEnv.h"

#include "engine/save/SaveNames.h"
#include "models/settings/Wallpaper.h"
#include "ui/print/PrintSetupDlg.h"
#include "ui/settings/FavoritesDlg.h"
#include "ui/settings/OptionsDlg.h"
#include "ui/settings/SetFileAssociationsDlg.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

using namespace vkuitest;

namespace {

QAbstractButton* Button(QWidget* w, const char* text)
{
    for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
        if (b->text() == text)
            return b;
    ADD_FAILURE() << "no button " << text;
    return nullptr;
}

class SettingsCommands : public FrameTest {
  protected:
    void MakeFolder()
    {
        WriteBmp(pics.File("a.bmp"), 40, 30, 1);
        WriteBmp(pics.File("b.bmp"), 50, 20, 2);
        vktest::Run(vktest::ImageMagick() + " -size 30x30 xc:red " + vktest::Quote(pics.File("c.jpg")));
        vktest::Run(vktest::ImageMagick() + " -size 30x30 xc:blue " + vktest::Quote(pics.File("d.jpg")));
    }
    std::vector<std::string> Listed() { return frame->GetFileList().Entries(); }
};

} // namespace

TEST_F(SettingsCommands, OptionsHideATypeAndKeepTheRest)
{
    MakeFolder();
    ASSERT_TRUE(Start(pics.Path()));
    ASSERT_EQ(Listed(), (std::vector<std::string>{"a.bmp", "b.bmp", "c.jpg", "d.jpg"}));
    SelectRows({1, 2});
    ASSERT_EQ(frame->GetFileList().GetCurrentFile(), "c.jpg");

    // Cancel changes nothing.
    vkui::setDialogHandler([](QDialog& d) {
        Button(static_cast<COptionsDlg&>(d).GetPage(1), "Windows Bitmap (BMP, DIB, RLE)")->click();
        return int(QDialog::Rejected);
    });
    ASSERT_TRUE(frame->RunCommand(Cmd::ToolsOptions));
    EXPECT_EQ(Listed().size(), size_t(4));

    // Unchecking JPEG hides the .jpg files at once; the selected .jpg
    // leaves the selection, b.bmp stays selected.
    vkui::setDialogHandler([](QDialog& d) {
        Button(static_cast<COptionsDlg&>(d).GetPage(1), "JPEG/JFIF (JPG)")->click();
        return int(QDialog::Accepted);
    });
    ASSERT_TRUE(frame->RunCommand(Cmd::ToolsOptions));
    WaitForLoad(frame->GetView());
    EXPECT_EQ(Listed(), (std::vector<std::string>{"a.bmp", "b.bmp"}));
    EXPECT_EQ(frame->GetFileList().SelectedNames(), std::vector<std::string>{"b.bmp"});
    EXPECT_EQ(frame->GetSettings().showJpg, 0);

    // The setting survives a save and a new start.
    frame->Shutdown();
    CSettings saved;
    ASSERT_TRUE(saved.Load());
    EXPECT_EQ(saved.showJpg, 0);
}

TEST_F(SettingsCommands, HidingATypeInTheViewerKeepsNextAndPreviousInStep)
{
    // BMPs and JPEGs alternate; the viewer shows the last BMP.
    WriteBmp(pics.File("b.bmp"), 40, 30, 1);
    WriteBmp(pics.File("d.bmp"), 50, 20, 2);
    vktest::Run(vktest::ImageMagick() + " -size 30x30 xc:red " + vktest::Quote(pics.File("a.jpg")));
    vktest::Run(vktest::ImageMagick() + " -size 30x30 xc:blue " + vktest::Quote(pics.File("c.jpg")));
    ASSERT_TRUE(Start(pics.Path()));
    ASSERT_EQ(Listed(), (std::vector<std::string>{"a.jpg", "b.bmp", "c.jpg", "d.bmp"}));
    SelectRow(3);
    ASSERT_TRUE(frame->RunCommand(Cmd::Viewer));
    WaitForLoad(frame->GetView());
    ASSERT_EQ(frame->GetCurrentIndex(), 3);
    auto toggleJpeg = [](QDialog& d) {
        Button(static_cast<COptionsDlg&>(d).GetPage(1), "JPEG/JFIF (JPG)")->click();
        return int(QDialog::Accepted);
    };

    // The shown file stays and moves to row 1: Previous shows b.bmp, Next is grey.
    vkui::setDialogHandler(toggleJpeg);
    ASSERT_TRUE(frame->RunCommand(Cmd::ToolsOptions));
    WaitForLoad(frame->GetView());
    ASSERT_EQ(Listed(), (std::vector<std::string>{"b.bmp", "d.bmp"}));
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "d.bmp");
    EXPECT_EQ(frame->GetCurrentIndex(), 1);
    frame->UpdateCommandUI();
    EXPECT_FALSE(frame->IsCommandEnabled(Cmd::ImageNext));
    ASSERT_TRUE(frame->RunCommand(Cmd::ImagePrevious));
    WaitForLoad(frame->GetView());
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "b.bmp");
    EXPECT_EQ(frame->GetCurrentIndex(), 0);

    // JPEGs back: b.bmp is at row 1 again and Next goes to c.jpg.
    ASSERT_TRUE(frame->RunCommand(Cmd::ToolsOptions));
    WaitForLoad(frame->GetView());
    EXPECT_EQ(frame->GetCurrentIndex(), 1);
    ASSERT_TRUE(frame->RunCommand(Cmd::ImageNext));
    WaitForLoad(frame->GetView());
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "c.jpg");

    // Hiding the shown file's own type (even at row 0) shows the first file left.
    ASSERT_TRUE(frame->RunCommand(Cmd::ImageFirst));
    WaitForLoad(frame->GetView());
    ASSERT_EQ(frame->GetFileList().GetCurrentFile(), "a.jpg");
    ASSERT_TRUE(frame->RunCommand(Cmd::ToolsOptions));
    WaitForLoad(frame->GetView());
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "b.bmp");
    EXPECT_EQ(frame->GetCurrentIndex(), 0);
    EXPECT_TRUE(frame->GetView()->HasImage());
    ASSERT_TRUE(frame->RunCommand(Cmd::ImageNext));
    WaitForLoad(frame->GetView());
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "d.bmp");
}

TEST_F(SettingsCommands, FavoritesCommandsRefillTheBox)
{
    MakeFolder();
    ASSERT_TRUE(Start(pics.Path()));
    SelectRow(0);
    vkui::setDialogHandler([](QDialog& d) {
        auto& add = static_cast<CAddToFavoritesDlg&>(d);
        add.GetNameEdit()->setText("First");
        add.accept();
        return add.result();
    });
    ASSERT_TRUE(frame->RunCommand(Cmd::FavoritesAdd));
    ASSERT_EQ(frame->GetFavoritesBox()->count(), 1);
    EXPECT_EQ(frame->GetFavoritesBox()->itemText(0), "First");
    EXPECT_EQ(frame->GetFavorites().GetFavorite(0).file, "a.bmp");
    // Written at once: a session that is killed keeps it.
    const std::string favorites = CFavorites::FavoritesPath();
    EXPECT_EQ(vktest::ReadFile(favorites), "1*First*" + pics.Path() + "*a.bmp*1*");
    ask.answers = {vkui::Answer::Yes};
    vkui::setDialogHandler([](QDialog& d) {
        auto& organize = static_cast<COrganizeFavoritesDlg&>(d);
        organize.GetList()->setCurrentRow(0);
        organize.OnDelete();
        return int(QDialog::Accepted);
    });
    ASSERT_TRUE(frame->RunCommand(Cmd::FavoritesOrganize));
    EXPECT_EQ(frame->GetFavoritesBox()->count(), 0);
    EXPECT_EQ(vktest::ReadFile(favorites), "0*");
}

TEST_F(SettingsCommands, PrintCommandsFollowTheirRules)
{
    MakeFolder();
    ASSERT_TRUE(Start(pics.Path()));
    EXPECT_TRUE(frame->IsCommandEnabled(Cmd::FilePrintSetup));
    EXPECT_FALSE(frame->IsCommandEnabled(Cmd::FilePrintAll));
    SelectRows({0, 1});
    EXPECT_TRUE(frame->IsCommandEnabled(Cmd::FilePrint));
    EXPECT_TRUE(frame->IsCommandEnabled(Cmd::FilePrintAll));
    EXPECT_TRUE(frame->IsCommandEnabled(Cmd::FilePrintThumbnails));
    EXPECT_TRUE(frame->IsCommandEnabled(Cmd::ToolsWallpaper));
    EXPECT_TRUE(frame->IsCommandEnabled(Cmd::ToolsAssociations));

    // Print with Thumbnails chosen: Print Setup first, the mode back to
    // Default, one page printed into a PDF.
    frame->GetSettings().printSizeMode = 3;
    const std::string pdf = pics.File("out.pdf");
    std::vector<std::string> dialogs;
    vkui::setDialogHandler([&](QDialog& d) {
        dialogs.push_back(d.windowTitle().toStdString());
        if (auto* print = qobject_cast<QPrintDialog*>(&d)) {
            print->printer()->setOutputFormat(QPrinter::PdfFormat);
            print->printer()->setOutputFileName(QString::fromStdString(pdf));
        }
        return int(QDialog::Accepted);
    });
    ASSERT_TRUE(frame->RunCommand(Cmd::FilePrint));
    ASSERT_GE(dialogs.size(), size_t(2));
    EXPECT_EQ(dialogs[0], "Print Setup");
    EXPECT_EQ(frame->GetSettings().printSizeMode, 0);
    ASSERT_TRUE(vktest::FileExists(pdf));
    if (vktest::HasProgram("pdfinfo")) {
        std::string info;
        vktest::Run("pdfinfo " + vktest::Quote(pdf), &info);
        EXPECT_NE(info.find("Pages:           1\n"), std::string::npos) << info;
    }
}

TEST_F(SettingsCommands, SetWallpaperHandsTheFileOverOrSaysNoDesktopTookIt)
{
    MakeFolder();
    vktest::ScopedEnv env{"XDG_DATA_HOME", "XDG_CURRENT_DESKTOP", "SWAYSOCK"};
    vktest::ScopedEnv::Set("XDG_DATA_HOME", config->File("data"));
    vktest::ScopedEnv::Set("XDG_CURRENT_DESKTOP", "i3");
    vktest::ScopedEnv::Unset("SWAYSOCK");
    std::vector<std::vector<std::string>> calls;
    vkshell::SetProgramRunner([&](const std::vector<std::string>& argv, std::string*) {
        calls.push_back(argv);
        return true;
    });
    ASSERT_TRUE(Start(pics.Path()));
    SelectRow(2);
    ASSERT_EQ(frame->GetFileList().GetCurrentFile(), "c.jpg");
    const std::string wallpaper = config->File("data/velkor/wallpaper-1.jpg");

    ASSERT_TRUE(frame->RunCommand(Cmd::ToolsWallpaper));
    vkshell::WaitForDesktopWallpaper();
    EXPECT_TRUE(WaitFor([&] { return !ask.shown.empty(); }));
    EXPECT_EQ(ask.shown, std::vector<std::string>{vkshell::NoDesktopMessage()});
    EXPECT_FALSE(vktest::FileExists(wallpaper)) << "no file kept for no desktop";

    // An unedited JPEG goes to the desktop as it is.
    vktest::ScopedEnv::Set("XDG_CURRENT_DESKTOP", "LXQt");
    ask.shown.clear();
    ASSERT_TRUE(frame->RunCommand(Cmd::ToolsWallpaper));
    vkshell::WaitForDesktopWallpaper();
    QCoreApplication::processEvents();
    EXPECT_TRUE(ask.shown.empty());
    EXPECT_EQ(calls, (std::vector<std::vector<std::string>>{{"pcmanfm-qt", "--set-wallpaper", wallpaper}}));
    EXPECT_EQ(vktest::ReadFile(wallpaper), vktest::ReadFile(pics.File("c.jpg")));
    vkshell::SetProgramRunner({});
}

TEST_F(SettingsCommands, WallpaperIsNeverMadeFromThePictureOfAnotherFile)
{
    vktest::ScopedEnv env{"HOME", "XDG_DATA_HOME", "PATH"};
    vktest::TempDir desktop;
    vktest::ScopedEnv::Set("HOME", desktop.Path());
    vktest::ScopedEnv::Set("XDG_DATA_HOME", desktop.File("data"));
    vktest::ScopedEnv::Set("PATH", desktop.Path()); // no desktop program to run
    WriteBmp(pics.File("a.bmp"), 40, 30, 1);
    vktest::WriteFile(pics.File("bad.png"), "not a picture");
    ASSERT_TRUE(Start(pics.Path()));
    SelectRow(RowOf("a.bmp"));
    // The next file is still loading when the command runs, and fails.
    frame->GetFileListView()->setCurrentIndex(frame->GetFileList().index(RowOf("bad.png")));
    ASSERT_TRUE(frame->RunCommand(Cmd::ToolsWallpaper));
    vkshell::WaitForDesktopWallpaper();
    EXPECT_EQ(ask.shown, (std::vector<std::string>{pics.File("bad.png") + kTextNotShownPicture}));
    std::string written;
    vktest::Run("ls -A " + vktest::Quote(desktop.File("data/velkor")) + " 2>/dev/null", &written);
    EXPECT_EQ(written, "");
}
