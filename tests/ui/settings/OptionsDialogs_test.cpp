// The Options sheet, the favorites dialogs and the associations dialog,
// driven headless through the dialog seam.
#include "ui/settings/FavoritesDlg.h"
#include "ui/settings/OptionsDlg.h"
#include "ui/settings/SetFileAssociationsDlg.h"

#include "TestSupport.h"
#include "models/browser/FileList.h"
#include "models/platform/Folders.h"
#include "ui/widgets/Browse.h"
#include "ui/widgets/MessageService.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <deque>
#include <functional>

namespace {

// Dialogs answered by scripted steps; message boxes recorded.
class Seams {
  public:
    Seams()
    {
        vkui::setAskHandler([this](const QString& text, vkui::Buttons, vkui::Icon) {
            shown.push_back(text.toStdString());
            return answer;
        });
        vkui::setDialogHandler([this](QDialog& dialog) {
            if (steps.empty())
                return int(QDialog::Rejected);
            auto step = steps.front();
            steps.pop_front();
            return step(dialog);
        });
    }
    ~Seams()
    {
        vkui::setAskHandler({});
        vkui::setDialogHandler({});
    }
    std::vector<std::string> shown;
    vkui::Answer answer = vkui::Answer::Yes;
    std::deque<std::function<int(QDialog&)>> steps;
};

// The texts of a widget's buttons in order, with their mnemonics.
std::vector<std::string> ButtonTexts(QWidget* w)
{
    std::vector<std::string> out;
    for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
        out.push_back(b->text().toStdString());
    return out;
}

QAbstractButton* Button(QWidget* w, const char* text)
{
    for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
        if (b->text() == text)
            return b;
    ADD_FAILURE() << "no button " << text;
    return nullptr;
}

} // namespace

TEST(OptionsDialog, PagesTextsAndOrder)
{
    CSettings s;
    CFileList files;
    COptionsDlg dialog(s, files);
    EXPECT_EQ(dialog.windowTitle(), "Options");
    QTabWidget* tabs = dialog.GetTabs();
    ASSERT_EQ(tabs->count(), 6);
    const char* titles[] = {"Browser", "Display", "Filing", "Sile Show", "Viewer", "Misc"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(tabs->tabText(i).toStdString(), titles[i]);
    EXPECT_EQ(ButtonTexts(dialog.GetPage(0)),
              (std::vector<std::string>{"&Enable preview", "S&hrink image to fit in preview window",
                                        "E&nlarge image to fit in preview window",
                                        "&Show full path in title bar"}));
    EXPECT_EQ(
        ButtonTexts(dialog.GetPage(2)),
        (std::vector<std::string>{"&Ask", "&Replace", "Re&name", "&Skip", "S&ingle file delete",
                                  "Mu&ltiple file delete", "&Copy/move files", "A&fter copy/move",
                                  "After &delete", "After con&vert", "&Use upper case", "Use recycle &bin"}));
    EXPECT_EQ(ButtonTexts(dialog.GetPage(3)),
              (std::vector<std::string>{"&Forward", "&Backward", "&Random", "B&est fit", "&Full size",
                                        "S&mall", "&Center", "&Upper left corner",
                                        "&Delay flip until next image is loaded"}));
    EXPECT_EQ(ButtonTexts(dialog.GetPage(4)),
              (std::vector<std::string>{"&Shrink to fit in window", "&Enlarge to fit in window",
                                        "Show full path in &title bar"}));
    EXPECT_EQ(ButtonTexts(dialog.GetPage(5)),
              (std::vector<std::string>{"&Recently used folders list", "&Settings",
                                        "&Always start up in this folder", "&Browse...",
                                        "Show print set&up before printing"}));
    const auto display = ButtonTexts(dialog.GetPage(1));
    ASSERT_EQ(display.size(), size_t(15));
    EXPECT_EQ(display[0], "Windows Bitmap (BMP, DIB, RLE)");
    EXPECT_EQ(display[11], "EPS TIFF Preview (EPS)");
    EXPECT_EQ(display[14], "Portable Bitmap (PBM)");
    const auto lists = dialog.GetPage(5)->findChildren<QComboBox*>();
    ASSERT_EQ(lists.size(), 2);
    EXPECT_EQ(lists[0]->itemText(2), "millimeters");
    EXPECT_EQ(lists[1]->itemText(1), "KB");
}

TEST(OptionsDialog, EveryValueRoundTripsAndCancelKeepsAll)
{
    CFileList files;
    // Every value on every page set to something other than its default.
    CSettings start;
    start.overwritePolicy = 2;
    start.slideDelaySeconds = 7;
    start.slideSequence = 2;
    start.imageSizeUnit = 3;
    start.fileSizeUnit = 1;
    start.homeDirectory = "/some where";
    COptionsDlg dialog(start, files);
    CSettings back = dialog.GetValues();
    for (int p = 1; p <= CSettings::kPositions; ++p)
        if (const int32_t* v = start.IntAt(p)) {
            EXPECT_EQ(*back.IntAt(p), *v) << p;
        }
    EXPECT_EQ(back.homeDirectory, "/some where");

    // Flip every check box and move every radio group and list.
    for (int page = 0; page < 6; ++page) {
        for (QCheckBox* box : dialog.GetPage(page)->findChildren<QCheckBox*>())
            box->setChecked(!box->isChecked());
        for (QComboBox* list : dialog.GetPage(page)->findChildren<QComboBox*>())
            list->setCurrentIndex(0);
    }
    Button(dialog.GetPage(2), "&Skip")->setChecked(true);
    Button(dialog.GetPage(3), "&Backward")->setChecked(true);
    Button(dialog.GetPage(3), "S&mall")->setChecked(true);
    Button(dialog.GetPage(3), "&Upper left corner")->setChecked(true);
    static_cast<CSlideShowPg*>(dialog.GetPage(3))->GetSlider()->setValue(0);
    back = dialog.GetValues();
    // Every check box of the six pages: 77-103, 105 and 110-116.
    for (int p = 77; p <= 116; ++p)
        if (p <= 103 || p == 105 || p >= 110) {
            EXPECT_EQ(*back.IntAt(p), 1 - *start.IntAt(p)) << p;
        }
    EXPECT_EQ(back.overwritePolicy, 3);
    EXPECT_EQ(back.slideSequence, 1);
    EXPECT_EQ(back.slideImageSize, 2);
    EXPECT_EQ(back.slidePosition, 1);
    EXPECT_EQ(back.slideDelaySeconds, 0);
    EXPECT_EQ(back.imageSizeUnit, 0);
    EXPECT_EQ(back.fileSizeUnit, 0);

    // Cancel changes nothing.
    Seams seams;
    seams.steps.push_back([](QDialog& d) {
        auto& sheet = static_cast<COptionsDlg&>(d);
        for (QCheckBox* box : sheet.GetPage(1)->findChildren<QCheckBox*>())
            box->setChecked(false);
        return int(QDialog::Rejected);
    });
    CSettings live = start;
    bool typesChanged = true;
    EXPECT_FALSE(RunOptionsDialog(live, files, nullptr, typesChanged));
    EXPECT_FALSE(typesChanged);
    EXPECT_EQ(live.Format(), start.Format());

    // OK reports a changed file type.
    seams.steps.push_back([](QDialog& d) {
        Button(static_cast<COptionsDlg&>(d).GetPage(1), "JPEG/JFIF (JPG)")->click();
        return int(QDialog::Accepted);
    });
    EXPECT_TRUE(RunOptionsDialog(live, files, nullptr, typesChanged));
    EXPECT_TRUE(typesChanged);
    EXPECT_EQ(live.showJpg, 0);
    seams.steps.push_back([](QDialog& d) {
        Button(static_cast<COptionsDlg&>(d).GetPage(0), "&Enable preview")->click();
        return int(QDialog::Accepted);
    });
    EXPECT_TRUE(RunOptionsDialog(live, files, nullptr, typesChanged));
    EXPECT_FALSE(typesChanged);
    EXPECT_EQ(live.browserPreviewEnabled, 0);
}

TEST(OptionsDialog, DelayTextFollowsTheSlider)
{
    CSettings s;
    CFileList files;
    COptionsDlg dialog(s, files);
    auto* page = static_cast<CSlideShowPg*>(dialog.GetPage(3));
    EXPECT_EQ(page->GetDelayText(), "3 seconds");
    QSlider* slider = page->GetSlider();
    EXPECT_EQ(slider->maximum(), 10);
    for (auto [value, text] :
         {std::pair{0, "no delay"}, {1, "1 second"}, {7, "7 seconds"}, {10, "10 seconds"}}) {
        slider->setValue(value);
        EXPECT_EQ(page->GetDelayText(), text);
        EXPECT_EQ(CSlideShowPg::DelayText(value), text);
        EXPECT_EQ(dialog.GetValues().slideDelaySeconds, value);
    }
}

TEST(OptionsDialog, MiscBrowseSetsTheHomeFolderOnlyOnOk)
{
    // The picker moves the working directory; it is put back at the end.
    struct KeepWorkingDirectory {
        std::string saved = vkplatform::WorkingDirectory();
        ~KeepWorkingDirectory() { vkplatform::EnterDirectory(saved); }
    } keep;
    vktest::TempDir dir;
    vktest::Run("mkdir -p " + vktest::Quote(dir.File("pictures")));
    CFileList files;
    files.SetCurrentDir(dir.Path(), true);
    Seams seams;
    CSettings live;
    live.homeDirectory = "/old";
    auto pickFolder = [&dir](QDialog& d) {
        auto& picker = static_cast<CBrowseDlg&>(d);
        QListWidget* list = picker.GetDirectoryList();
        for (int row = 0; row < list->count(); ++row)
            if (list->item(row)->text() == "pictures")
                picker.OnDirectoryDoubleClicked(row);
        picker.accept();
        return int(QDialog::Accepted);
    };
    // Browse, then Cancel on the sheet: the home folder stays.
    seams.steps.push_back([&](QDialog& d) {
        auto* misc = static_cast<CMiscPg*>(static_cast<COptionsDlg&>(d).GetPage(5));
        EXPECT_EQ(misc->GetFolderText(), "/old");
        seams.steps.push_front(pickFolder);
        misc->OnBrowse();
        EXPECT_TRUE(misc->IsChanged());
        EXPECT_EQ(misc->GetFolderText().toStdString(), dir.File("pictures"));
        return int(QDialog::Rejected);
    });
    bool typesChanged = false;
    EXPECT_FALSE(RunOptionsDialog(live, files, nullptr, typesChanged));
    EXPECT_EQ(live.homeDirectory, "/old");
    // Browse and OK: written.
    seams.steps.push_back([&](QDialog& d) {
        auto* misc = static_cast<CMiscPg*>(static_cast<COptionsDlg&>(d).GetPage(5));
        seams.steps.push_front(pickFolder);
        misc->OnBrowse();
        return int(QDialog::Accepted);
    });
    EXPECT_TRUE(RunOptionsDialog(live, files, nullptr, typesChanged));
    EXPECT_EQ(live.homeDirectory, dir.File("pictures"));
    // OK without Browse keeps it.
    seams.steps.push_back([](QDialog&) { return int(QDialog::Accepted); });
    EXPECT_TRUE(RunOptionsDialog(live, files, nullptr, typesChanged));
    EXPECT_EQ(live.homeDirectory, dir.File("pictures"));
}

TEST(FavoritesDialogs, AddChecksTheName)
{
    Seams seams;
    CFavorites store;
    store.AddFavorite("Work", "/w", "", 0);
    CAddToFavoritesDlg add(store, "/pics", "cat.png");
    EXPECT_EQ(add.GetTargetText(), "/pics/cat.png");
    EXPECT_EQ(add.windowTitle(), "Add to Favorites");
    EXPECT_EQ(ButtonTexts(&add), (std::vector<std::string>{"&OK", "&Cancel"}));
    // Empty: stays open silently. A name taken ignoring case: the message.
    add.accept();
    EXPECT_NE(add.result(), QDialog::Accepted);
    EXPECT_TRUE(seams.shown.empty());
    add.GetNameEdit()->setText("WORK");
    add.accept();
    EXPECT_EQ(seams.shown, std::vector<std::string>{"Please enter a different name."});
    EXPECT_EQ(store.GetCount(), 1);
    add.GetNameEdit()->setText("Cat");
    add.accept();
    EXPECT_EQ(add.result(), QDialog::Accepted);
    ASSERT_EQ(store.GetCount(), 2);
    EXPECT_EQ(store.GetFavorite(1).folder, "/pics");
    EXPECT_EQ(store.GetFavorite(1).file, "cat.png");
    EXPECT_EQ(store.GetFavorite(1).icon, 11);

    // A folder favorite through the command's seam.
    seams.steps.push_back([](QDialog& d) {
        auto& dlg = static_cast<CAddToFavoritesDlg&>(d);
        EXPECT_EQ(dlg.GetTargetText(), "/w/sub");
        dlg.GetNameEdit()->setText("Жук");
        dlg.accept();
        return dlg.result();
    });
    EXPECT_TRUE(RunAddToFavorites(store, "/w/sub", "", nullptr));
    EXPECT_EQ(store.GetFavorite(2).icon, 0);
    EXPECT_EQ(store.FindName("жУК"), 2);
}

TEST(FavoritesDialogs, OrganizeRenamesAndDeletes)
{
    Seams seams;
    CFavorites store;
    store.AddFavorite("Work", "/w", "", 0);
    store.AddFavorite("Cat", "/p", "cat.png", 11);
    COrganizeFavoritesDlg dlg(store);
    EXPECT_EQ(dlg.windowTitle(), "Organize Favorites");
    EXPECT_EQ(ButtonTexts(&dlg), (std::vector<std::string>{"&Rename", "&Delete", "&OK"}));
    ASSERT_EQ(dlg.GetList()->count(), 2);
    dlg.GetList()->setCurrentRow(1);
    EXPECT_EQ(dlg.GetPathText(), "/p/cat.png");

    // The prompt starts with the name; an empty name and the favorite's own
    // name (other case) are refused, then a new name is taken.
    std::vector<std::string> prompts;
    auto answer = [&prompts](const char* name) {
        return [&prompts, name](QDialog& d) {
            auto& prompt = static_cast<CRenameFavoriteDlg&>(d);
            prompts.push_back(prompt.GetName().toStdString());
            prompt.GetNameEdit()->setText(name);
            return int(QDialog::Accepted);
        };
    };
    seams.steps = {answer(""), answer("CAT"), answer("Kitten")};
    dlg.OnRename();
    EXPECT_EQ(prompts, (std::vector<std::string>{"Cat", "", "CAT"}));
    EXPECT_EQ(seams.shown, std::vector<std::string>{"Please enter a different name."});
    EXPECT_EQ(store.GetFavorite(1).name, "Kitten");
    EXPECT_EQ(dlg.GetList()->item(1)->text(), "Kitten");
    EXPECT_EQ(dlg.GetList()->currentRow(), 1);

    // Delete asks; No keeps it, Yes removes it from all four arrays.
    seams.shown.clear();
    seams.answer = vkui::Answer::No;
    dlg.OnDelete();
    EXPECT_EQ(store.GetCount(), 2);
    EXPECT_EQ(seams.shown, std::vector<std::string>{"Do you really want to delete this favorite?"});
    seams.answer = vkui::Answer::Yes;
    dlg.OnDelete();
    EXPECT_EQ(store.GetCount(), 1);
    EXPECT_EQ(store.favoriteIcons.size(), size_t(1));
    EXPECT_EQ(dlg.GetList()->count(), 1);
    EXPECT_EQ(dlg.GetPathText(), "");
    // Nothing selected: Rename and Delete do nothing.
    dlg.OnDelete();
    dlg.OnRename();
    EXPECT_EQ(store.GetCount(), 1);
}

TEST(AssociationsDialog, FifteenBoxesFromTheSettingsNeverStored)
{
    CSettings s;
    s.associatePng = 0;
    CSetFileAssociationsDlg dialog(vkshell::InitialChecks(s));
    EXPECT_EQ(dialog.windowTitle(), "Set File Associations");
    const auto texts = ButtonTexts(&dialog);
    ASSERT_GE(texts.size(), size_t(15));
    EXPECT_EQ(std::vector<std::string>(texts.begin(), texts.begin() + 15),
              (std::vector<std::string>{"BMP, &DIB, RLE", "&EPS", "&GIF", "&IFF, ILBM", "&JPG", "P&BM",
                                        "P&CT, PICT", "PC&X", "PG&M", "P&NG", "&PPM", "&RAS", "TG&A",
                                        "&TIF, TIFF", "IC&O"}));
    EXPECT_FALSE(dialog.GetBox(9)->isChecked());
    EXPECT_TRUE(dialog.GetBox(0)->isChecked());

    // Cancel associates nothing; the settings are never written back.
    Seams seams;
    seams.steps.push_back([](QDialog& d) {
        static_cast<CSetFileAssociationsDlg&>(d).GetBox(0)->setChecked(false);
        return int(QDialog::Rejected);
    });
    EXPECT_FALSE(RunSetFileAssociations(s, nullptr));
    EXPECT_EQ(s.associateBmp, 1);
}
