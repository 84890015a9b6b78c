// The Find Images and Compare Directories dialogs, driven headless: every
// control, results arriving while the worker runs, Stop, a second Find Now,
// preview, delete and going to the files.
#include "ui/search/CompareDirectoriesDlg.h"
#include "ui/search/CompareResultsDlg.h"
#include "ui/search/FindImages.h"

#include "FrameFixture.h"
#include "ui/widgets/StaticImgView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

#include <sys/stat.h>
#include <sys/time.h>

namespace {

using Strings = std::vector<std::string>;

std::string Ppm(int width, int height)
{
    return "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n" +
           std::string(size_t(width * height * 3), char(120));
}

void Touch(const std::string& path, const std::string& bytes, int64_t modified = -1)
{
    vktest::WriteFile(path, bytes);
    if (modified >= 0) {
        const timeval times[2] = {{time_t(modified), 0}, {time_t(modified), 0}};
        ::utimes(path.c_str(), times);
    }
}

using vkuitest::WaitFor;

Strings Items(const QListWidget* list)
{
    Strings items;
    for (int i = 0; i < list->count(); ++i)
        items.push_back(list->item(i)->text().toStdString());
    std::sort(items.begin(), items.end());
    return items;
}

Strings Column(const QTreeWidget* list, int column)
{
    Strings items;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        items.push_back(list->topLevelItem(i)->text(column).toStdString());
    return items;
}

void Search(CFindImagesDlg& dialog)
{
    dialog.GetFindNowButton()->click();
    WaitFor([&] { return !dialog.IsSearching(); });
}

} // namespace

TEST(FindImagesDlg, ControlsAndTheirStartingState)
{
    CFindImagesDlg dialog("/tmp", true, false);
    EXPECT_EQ(dialog.windowTitle(), "Find Images");
    EXPECT_EQ(dialog.GetLookInEdit()->text(), "/tmp");
    QComboBox* ext = dialog.GetExtensionBox();
    // "all files", the classic nineteen in their places, then the others.
    ASSERT_GT(ext->count(), 20);
    EXPECT_EQ(ext->itemText(0), "all files");
    EXPECT_EQ(ext->itemText(1), "bmp");
    EXPECT_EQ(ext->itemText(19), "tif");
    for (int i = 2; i < ext->count(); ++i)
        if (i != 20)
            EXPECT_LT(ext->itemText(i - 1), ext->itemText(i)) << "sorted";
    EXPECT_GT(ext->findText("jpeg"), 19);
    EXPECT_EQ(ext->currentIndex(), 0);
    EXPECT_FALSE(dialog.GetSizeEdit()->isEnabled());
    EXPECT_FALSE(dialog.GetDateEdit(5)->isEnabled());
    EXPECT_FALSE(dialog.GetStopButton()->isEnabled());
    EXPECT_TRUE(dialog.GetGoToFileCheck()->isChecked());
    EXPECT_FALSE(dialog.GetPreviewCheck()->isChecked());
    dialog.GetSizeCheck()->setChecked(true);
    dialog.GetDateCheck()->setChecked(true);
    EXPECT_TRUE(dialog.GetSizeEdit()->isEnabled());
    EXPECT_TRUE(dialog.GetSizeUnitBox()->isEnabled());
    EXPECT_TRUE(dialog.GetDateEdit(0)->isEnabled());
    EXPECT_EQ(dialog.GetFindNowButton()->text(), "&Find Now");
    EXPECT_EQ(dialog.GetCloseButton()->text(), "&Close");
}

TEST(FindImagesDlg, SearchesListsPreviewsAndChoosesAFile)
{
    vkuitest::ScriptedAsk asks;
    vktest::TempDir dir;
    ::mkdir(dir.File("sub").c_str(), 0755);
    Touch(dir.File("a.jpeg"), "x");
    Touch(dir.File("b.jpg"), "x");
    Touch(dir.File("img.ppm"), Ppm(40, 30));
    Touch(dir.File("sub/IMG.bmp"), std::string(2000, 'x'));
    Touch(dir.File("sub/img.gif"), "x");
    // A trailing separator in Look in doubles none in the paths found.
    CFindImagesDlg dialog(dir.Path() + "/", true, true);
    dialog.resize(700, 500);
    dialog.show();

    Search(dialog);
    EXPECT_EQ(Items(dialog.GetResultList()),
              (Strings{dir.File("a.jpeg"), dir.File("b.jpg"), dir.File("img.ppm"), dir.File("sub/IMG.bmp"),
                       dir.File("sub/img.gif")}));
    EXPECT_EQ(dialog.GetStatusLabel()->text(), "5 file(s) found");
    EXPECT_TRUE(dialog.GetFindNowButton()->isEnabled());
    EXPECT_FALSE(dialog.GetStopButton()->isEnabled());

    dialog.GetNameEdit()->setText("img");
    dialog.GetSizeCheck()->setChecked(true);
    dialog.GetSizeCompareBox()->setCurrentIndex(2); // ">"
    dialog.GetSizeEdit()->setText("1");
    dialog.GetSizeUnitBox()->setCurrentIndex(1); // KB
    Search(dialog);
    EXPECT_EQ(Items(dialog.GetResultList()), (Strings{dir.File("img.ppm"), dir.File("sub/IMG.bmp")}));
    dialog.GetExtensionBox()->setCurrentText("bmp");
    Search(dialog);
    EXPECT_EQ(Items(dialog.GetResultList()), (Strings{dir.File("sub/IMG.bmp")}));
    dialog.GetExtensionBox()->setCurrentText("gif");
    Search(dialog);
    EXPECT_EQ(dialog.GetResultList()->count(), 0);
    EXPECT_EQ(dialog.GetStatusLabel()->text(), "No files found");

    // Unchecked, the size counts no more. Preview of the selected result.
    dialog.GetSizeCheck()->setChecked(false);
    dialog.GetExtensionBox()->setCurrentIndex(0);
    Search(dialog);
    ASSERT_EQ(dialog.GetResultList()->count(), 3);
    QListWidgetItem* ppm = dialog.GetResultList()
                               ->findItems(QString::fromStdString(dir.File("img.ppm")), Qt::MatchExactly)
                               .front();
    ppm->setSelected(true);
    ASSERT_TRUE(dialog.GetPreviewBox()->WaitForLoad());
    EXPECT_TRUE(dialog.GetPreviewBox()->HasImage());
    EXPECT_EQ(dialog.GetPreviewBox()->GetImageWidth(), 40);

    dialog.GetCloseButton()->click();
    EXPECT_EQ(dialog.GetChosenFolder(), dir.Path());
    EXPECT_EQ(dialog.GetChosenName(), "img.ppm");
    EXPECT_TRUE(asks.shown.empty());
}

TEST(FindImagesDlg, MissingFolderStopAndASecondFindNow)
{
    vkuitest::ScriptedAsk asks;
    vktest::TempDir dir;
    // A tree big enough that a search is usually still running when the
    // next button is pressed; the checks hold either way.
    for (int d = 0; d < 40; ++d) {
        const std::string sub = dir.File("d" + std::to_string(d));
        ::mkdir(sub.c_str(), 0755);
        for (int f = 0; f < 50; ++f)
            Touch(sub + "/p" + std::to_string(f) + (f % 2 ? ".png" : ".gif"), "");
    }
    CFindImagesDlg dialog(dir.File("missing"), true, false);
    dialog.GetFindNowButton()->click();
    ASSERT_EQ(asks.shown, Strings{"Folder not exist."});
    EXPECT_FALSE(dialog.IsSearching());

    dialog.GetLookInEdit()->setText(QString::fromStdString(dir.Path()));
    dialog.GetFindNowButton()->click();
    EXPECT_EQ(dialog.GetStatusLabel()->text(), "Searching...");
    dialog.GetStopButton()->click();
    WaitFor([&] { return !dialog.IsSearching(); });
    const int found = dialog.GetResultList()->count();
    EXPECT_EQ(dialog.GetStatusLabel()->text(),
              found ? QString::number(found) + " file(s) found" : QString("No files found"))
        << "the count found so far";

    // A second Find Now while the first search runs: only its own results, once each.
    dialog.GetFindNowButton()->click();
    dialog.GetExtensionBox()->setCurrentText("png");
    dialog.OnFindNow();
    WaitFor([&] { return !dialog.IsSearching(); });
    const Strings items = Items(dialog.GetResultList());
    EXPECT_EQ(items.size(), 1000u);
    EXPECT_TRUE(
        std::all_of(items.begin(), items.end(), [](const std::string& s) { return s.ends_with(".png"); }));
    EXPECT_EQ(std::set<std::string>(items.begin(), items.end()).size(), items.size());
    EXPECT_EQ(dialog.GetStatusLabel()->text(), "1000 file(s) found");
}

TEST(CompareDirectoriesDlg, CriteriaAndTheChecksOfOK)
{
    vkuitest::ScriptedAsk asks;
    vkcompare::CompareCriteria criteria;
    criteria.byName = true;
    criteria.bySize = true;
    criteria.extensionText = "png";
    CCompareDirectoriesDlg dialog(criteria, "/pics", nullptr);
    EXPECT_EQ(dialog.windowTitle(), "Compare Directories");
    EXPECT_TRUE(dialog.GetNameCheck()->isChecked());
    EXPECT_FALSE(dialog.GetDateCheck()->isChecked());
    EXPECT_EQ(dialog.GetExtensionBox()->currentText(), "png");
    EXPECT_GT(dialog.GetExtensionBox()->count(), 19);
    EXPECT_EQ(dialog.GetExtensionBox()->itemText(18), "tif");
    EXPECT_EQ(dialog.GetSourceLabel()->text(), "/pics");

    dialog.accept();
    dialog.GetDestinationEdit()->setText("/pics/");
    dialog.accept();
    EXPECT_EQ(asks.shown,
              (Strings{"No destination directory selected.", "You must select another directory."}));
    dialog.GetDestinationEdit()->setText("other");
    EXPECT_EQ(dialog.GetDestination(), "/pics/other") << "relative to the source";
    dialog.GetCaseCheck()->setChecked(true);
    dialog.GetExtensionBox()->setCurrentText("tif");
    const vkcompare::CompareCriteria chosen = dialog.GetCriteria();
    EXPECT_TRUE(chosen.caseSensitive);
    EXPECT_EQ(chosen.extensionText, "tif");
}

TEST(CompareDirectoriesDlg, TheSourceUnderAnotherNameIsRefused)
{
    // Compared with itself every file would match, and Delete would remove
    // the only copy.
    vkuitest::ScriptedAsk asks;
    vktest::TempDir dir;
    ::mkdir(dir.File("sub").c_str(), 0755);
    ::symlink(dir.Path().c_str(), dir.File("link").c_str());
    CCompareDirectoriesDlg dialog({}, dir.Path(), nullptr);
    for (const std::string& typed :
         Strings{".", "./", "sub/..", dir.File("link"), dir.File("sub/../link/")}) {
        asks.shown.clear();
        dialog.GetDestinationEdit()->setText(QString::fromStdString(typed));
        dialog.accept();
        ASSERT_EQ(asks.shown.size(), 1u) << typed;
        EXPECT_TRUE(asks.shown[0].ends_with("You must select another directory.")) << asks.shown[0];
        EXPECT_NE(asks.shown[0].find(" itself."), std::string::npos) << "says why";
    }
    asks.shown.clear();
    dialog.GetDestinationEdit()->setText("sub");
    dialog.accept();
    EXPECT_TRUE(asks.shown.empty()) << "a folder inside the source is another folder";
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

class CompareResultsTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        Touch(src.File("Photo.ppm"), Ppm(30, 20), 1000000);
        Touch(src.File("other.bmp"), "x", 1000000);
        Touch(src.File("empty.gif"), "", 1000000);
        Touch(dst.File("photo.ppm"), Ppm(30, 20), 2000000);
        Touch(dst.File("PHOTO.jpg"), "y", 1000000);
        Touch(dst.File("z.tif"), "zz", 1000000);
    }
    std::unique_ptr<CCompareResultsDlg> Open(vkcompare::CompareCriteria criteria, bool trash = false,
                                             std::string dest = "")
    {
        auto dialog = std::make_unique<CCompareResultsDlg>(
            criteria, src.Path(), dest.empty() ? dst.Path() : dest, true, true, trash);
        dialog->Start();
        dialog->WaitUntilDone();
        return dialog;
    }
    vkuitest::ScriptedAsk asks;
    vktest::TempDir src;
    vktest::TempDir dst;
};

TEST_F(CompareResultsTest, RowsColumnsAndCountsOfEachSide)
{
    vkcompare::CompareCriteria byName;
    byName.byName = true;
    auto dialog = Open(byName);
    ASSERT_TRUE(dialog->IsDone());
    EXPECT_EQ(dialog->GetStatusLabel()->text(), "Done.");
    QTreeWidget* source = dialog->GetList(CCompareResultsDlg::Source);
    QTreeWidget* destination = dialog->GetList(CCompareResultsDlg::Destination);
    EXPECT_EQ(source->headerItem()->text(2), "Size (bytes)");
    EXPECT_EQ(source->headerItem()->text(4), "Image size");
    EXPECT_EQ(Column(source, 0), Strings{"Photo"});
    EXPECT_EQ(Column(source, 1), Strings{"ppm"});
    EXPECT_EQ(Column(destination, 0), (Strings{"PHOTO", "photo"}));
    EXPECT_EQ(Column(destination, 2), (Strings{"1", std::to_string(Ppm(30, 20).size())}));
    EXPECT_EQ(Column(destination, 3)[0], vkcompare::DateText(1000000));
    EXPECT_EQ(dialog->GetCountLabel(CCompareResultsDlg::Source)->text(), "1 file(s)");
    EXPECT_EQ(dialog->GetCountLabel(CCompareResultsDlg::Destination)->text(), "2 file(s)");

    // Case sensitive: nothing matches.
    byName.caseSensitive = true;
    dialog = Open(byName);
    EXPECT_EQ(dialog->GetList(0)->topLevelItemCount(), 0);
    EXPECT_EQ(dialog->GetCountLabel(1)->text(), "0 file(s)");

    // No criterion at all: every candidate of each side.
    dialog = Open({});
    EXPECT_EQ(Column(dialog->GetList(0), 0), (Strings{"empty", "other", "Photo"}));
    EXPECT_EQ(Column(dialog->GetList(1), 0), (Strings{"PHOTO", "photo", "z"}));
    EXPECT_TRUE(asks.shown.empty());
}

TEST_F(CompareResultsTest, PreviewDeleteAndGoToFiles)
{
    vkcompare::CompareCriteria byName;
    byName.byName = true;
    auto dialog = Open(byName);
    QTreeWidget* destination = dialog->GetList(1);
    ASSERT_EQ(destination->topLevelItemCount(), 2);

    // Clicking a row previews it and fills its "Image size".
    destination->setCurrentItem(destination->topLevelItem(1));
    ASSERT_TRUE(dialog->GetPreviewBox(1)->WaitForLoad());
    EXPECT_EQ(destination->topLevelItem(1)->text(4), "30x20");
    EXPECT_EQ(dialog->GetInfoLabel(1)->text(), "photo.ppm");
    // An undecodable file: no size, no info.
    destination->setCurrentItem(destination->topLevelItem(0));
    ASSERT_TRUE(dialog->GetPreviewBox(1)->WaitForLoad());
    EXPECT_EQ(destination->topLevelItem(0)->text(4), "");
    EXPECT_EQ(dialog->GetInfoLabel(1)->text(), "");

    // Delete: No keeps the file, Yes deletes it and its row.
    asks.answers = {vkui::Answer::No, vkui::Answer::Yes};
    dialog->OnDelete(1);
    EXPECT_TRUE(vktest::FileExists(dst.File("PHOTO.jpg")));
    dialog->OnDelete(1);
    EXPECT_FALSE(vktest::FileExists(dst.File("PHOTO.jpg")));
    ASSERT_EQ(asks.shown.size(), 2u);
    EXPECT_EQ(asks.shown[0], "Do you really want to delete\n" + dst.File("PHOTO.jpg") + "?");
    EXPECT_EQ(destination->topLevelItemCount(), 1);
    EXPECT_EQ(dialog->GetCountLabel(1)->text(), "1 file(s)");
    EXPECT_FALSE(dialog->GetPreviewBox(1)->HasImage());

    // A file that went meanwhile cannot be deleted: the row stays.
    ::unlink(src.File("Photo.ppm").c_str());
    dialog->GetList(0)->setCurrentItem(dialog->GetList(0)->topLevelItem(0));
    asks.answers = {vkui::Answer::Yes};
    dialog->OnDelete(0);
    EXPECT_EQ(asks.shown.back(), "Can't delete " + src.File("Photo.ppm"));
    EXPECT_EQ(dialog->GetList(0)->topLevelItemCount(), 1);

    // Go To File(s) takes the rows left, not the deleted one.
    dialog->OnGoToFiles(1);
    EXPECT_EQ(dialog->result(), CCompareResultsDlg::ResultGoToDestination);
    EXPECT_EQ(dialog->GetChosenNames(), Strings{"photo.ppm"});
}

TEST_F(CompareResultsTest, MissingFolderAndNoFiles)
{
    auto dialog = Open({}, false, dst.File("missing"));
    EXPECT_EQ(asks.shown, Strings{dst.File("missing") + " not found."});
    EXPECT_EQ(dialog->result(), CCompareResultsDlg::ResultNew);

    asks.shown.clear();
    vkcompare::CompareCriteria ext;
    ext.byExtension = true;
    ext.extensionText = "pcx";
    dialog = Open(ext);
    EXPECT_EQ(asks.shown, Strings{"No files found."});
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

TEST_F(CompareResultsTest, DeleteIntoTheTrash)
{
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dst.File("trash-home")));
    vkcompare::CompareCriteria byName;
    byName.byName = true;
    auto dialog = Open(byName, true);
    dialog->GetList(1)->setCurrentItem(dialog->GetList(1)->topLevelItem(0));
    asks.answers = {vkui::Answer::Yes};
    dialog->OnDelete(1);
    qunsetenv("XDG_DATA_HOME");
    EXPECT_FALSE(vktest::FileExists(dst.File("PHOTO.jpg")));
    EXPECT_EQ(dialog->GetList(1)->topLevelItemCount(), 1);
}
