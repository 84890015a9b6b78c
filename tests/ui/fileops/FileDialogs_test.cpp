// The file dialogs, headless: their texts, limits and checks, and the
// progress dialogs running real jobs with scripted answers.
#include "FileOpsTestSupport.h"
#include "ScriptedAsk.h"
#include "models/browser/FileList.h"
#include "ui/fileops/ConfirmReplaceDlg.h"
#include "ui/fileops/CopyToDlg.h"
#include "ui/fileops/DeleteDlg.h"
#include "ui/fileops/PasteDlg.h"
#include "ui/fileops/RenameDlg.h"
#include "ui/fileops/SelectGroupDlg.h"
#include "ui/widgets/MessageService.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <gtest/gtest.h>

#include <deque>

using namespace vkfileops;
using vkfotest::List;
using vktest::ReadFile;
using vktest::TempDir;
using vktest::WriteFile;

namespace {

void Type(QWidget* widget, int count)
{
    for (int i = 0; i < count; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
        QCoreApplication::sendEvent(widget, &press);
    }
}

} // namespace

TEST(FileDialogs, ConfirmReplaceOffersSevenAnswers)
{
    ReplaceQuestion q{"/d/a.bmp", "10 bytes,  then", "/s/a.bmp", "20 bytes,  now", "a"};
    CConfirmReplaceDlg dialog(q);
    EXPECT_EQ(dialog.windowTitle(), "Confirm Replace");
    EXPECT_EQ(dialog.GetRenameText(), "a");
    const std::pair<ReplaceAnswer, QString> expected[] = {
        {ReplaceAnswer::Replace, "&Replace"},
        {ReplaceAnswer::ReplaceAll, "Replace &All"},
        {ReplaceAnswer::ReplaceAllOlder, "Replace All &Older"},
        {ReplaceAnswer::Skip, "&Skip"},
        {ReplaceAnswer::SkipAll, "S&kip All"},
        {ReplaceAnswer::Rename, "Re&name"},
        {ReplaceAnswer::Cancel, "&Cancel"}};
    for (const auto& [answer, text] : expected) {
        QPushButton* button = dialog.GetButton(answer);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), text);
        button->click();
        EXPECT_EQ(dialog.result(), int(answer)) << text.toStdString();
        EXPECT_EQ(CConfirmReplaceDlg::AnswerOf(dialog.result()), answer);
    }
    EXPECT_TRUE(dialog.GetButton(ReplaceAnswer::Rename)->isDefault());
    dialog.reject();
    EXPECT_EQ(dialog.result(), 2);
    EXPECT_EQ(CConfirmReplaceDlg::AnswerOf(0), ReplaceAnswer::Cancel);
    bool shown = false;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        shown = shown || label->text() == "This file already exists.";
    EXPECT_TRUE(shown);
}

TEST(FileDialogs, NameFieldsTakeAtMost32Characters)
{
    CRenameDlg rename("Rename 'x' to", "x");
    EXPECT_EQ(rename.windowTitle(), "Rename");
    EXPECT_EQ(rename.GetPrompt()->text(), "Rename 'x' to");
    CRenameSeriesDlg series("img", 1);
    EXPECT_EQ(series.windowTitle(), "Rename Series");
    EXPECT_TRUE(series.GetSelectedButton()->isChecked());
    EXPECT_EQ(series.GetScope(), 1);
    series.GetAllButton()->setChecked(true);
    EXPECT_EQ(series.GetScope(), 0);
    EXPECT_EQ(series.GetAllButton()->text(), "&All files in directory");
    EXPECT_EQ(series.GetSelectedButton()->text(), "&Selected files only");
    CMakeDirectoryDlg make;
    EXPECT_EQ(make.windowTitle(), "Make Directory");

    for (QLineEdit* edit : {rename.GetEdit(), series.GetEdit(), make.GetEdit()}) {
        edit->clear();
        Type(edit, 40);
        EXPECT_EQ(edit->text().size(), 32);
    }
    EXPECT_EQ(make.GetName(), std::string(32, 'a'));
}

TEST(FileDialogs, SelectGroupEnablesAndChecks)
{
    vkuitest::ScriptedAsk seams;
    CSelectGroupDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), "Select Group");
    EXPECT_EQ(dialog.GetExtensionList()->currentText(), "bmp");
    // The classic nineteen in their places, then jpeg, tiff and the others.
    EXPECT_GT(dialog.GetExtensionList()->count(), 19);
    EXPECT_EQ(dialog.GetExtensionList()->itemText(18), "tif");
    EXPECT_GT(dialog.GetExtensionList()->findText("jpeg"), 18);
    EXPECT_FALSE(dialog.GetExtensionList()->isEnabled());
    EXPECT_FALSE(dialog.GetSizeEdit()->isEnabled());
    EXPECT_FALSE(dialog.GetYear(0)->isEnabled());
    ASSERT_NE(dialog.GetExpandCheck(), nullptr);
    EXPECT_EQ(dialog.GetExpandCheck()->text(), "E&xpand selection");

    dialog.GetDateCheck()->setChecked(true);
    EXPECT_TRUE(dialog.GetYear(1)->isEnabled());
    EXPECT_TRUE(dialog.GetMonth(0)->isEnabled());
    dialog.GetYear(0)->setText("1969");
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(seams.shown.size(), 1u);
    EXPECT_EQ(seams.shown[0], "Please enter a value between 1970 and 2037.");

    dialog.GetYear(0)->setText("2001");
    dialog.GetYear(1)->setText("2002");
    dialog.GetSizeCheck()->setChecked(true);
    dialog.GetSizeEdit()->setText("");
    dialog.accept();
    ASSERT_EQ(seams.shown.size(), 2u);
    EXPECT_EQ(seams.shown[1], "Please enter a value between 1 and 2147483647 for file size.");

    dialog.GetSizeEdit()->setText("5000");
    dialog.GetUnitList()->setCurrentIndex(2);
    dialog.GetOperatorList()->setCurrentIndex(2);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const GroupCriteria c = dialog.GetCriteria();
    EXPECT_TRUE(c.useSize && c.useDate && !c.useExtension);
    EXPECT_EQ(GroupSizeBytes(c), 5000ull << 20);
    EXPECT_EQ(c.sizeOperator, 2);
    EXPECT_EQ(c.fromYear, 2001);
    EXPECT_EQ(c.toYear, 2002);

    CSelectGroupDlg unselect(true);
    EXPECT_EQ(unselect.windowTitle(), "Unselect Group");
    EXPECT_EQ(unselect.GetExpandCheck(), nullptr);
    unselect.accept(); // no criterion: closes, changes nothing
    EXPECT_EQ(unselect.result(), QDialog::Accepted);
    EXPECT_FALSE(AnyCriterion(unselect.GetCriteria()));
}

TEST(FileDialogs, CopyToChoosesAnotherFolder)
{
    vkuitest::ScriptedAsk seams;
    TempDir dir;
    CFileList files;
    files.SetCurrentDir(dir.Path(), true);
    CCopyToDlg dialog(files, false, 3, {"/b", "/a", dir.Path()}, {"/fav"});
    EXPECT_EQ(dialog.windowTitle(), "Move To");
    EXPECT_EQ(dialog.GetRecentList()->count(), 3);
    EXPECT_EQ(dialog.GetRecentList()->item(0)->text(), "/a");
    EXPECT_EQ(dialog.GetBrowseButton()->text(), "&Browse...");
    EXPECT_EQ(dialog.GetDestination(), dir.Path());

    dialog.accept(); // still the source folder
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(seams.shown, std::vector<std::string>{"You must select another directory."});

    dialog.GetFavoriteList()->setCurrentRow(0);
    EXPECT_EQ(dialog.GetDestination(), "/fav");
    EXPECT_EQ(dialog.GetDestinationLabel()->text(), "/fav");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(files.GetDestinationDir(), "/fav");

    bool found = false;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        found = found || label->text() == "Move 3 file(s)";
    EXPECT_TRUE(found);
}

TEST(FileDialogs, CancelStopsTheJobWithUserAbort)
{
    vkuitest::ScriptedAsk seams;
    TempDir src, dst;
    for (const char* n : {"1.gif", "2.gif", "3.gif"}) {
        WriteFile(src.File(n), "new");
        WriteFile(dst.File(n), "old");
    }
    PasteRequest request;
    request.isCopy = false;
    request.sourceDir = src.Path();
    request.destinationDir = dst.Path();
    request.names = {"1.gif", "2.gif", "3.gif"};

    // Cancel pressed while a question is pending: the worker gives up at
    // once, the question's late answer is ignored, nothing more is moved.
    CPasteDlg* progress = nullptr;
    vkui::setDialogHandler([&](QDialog& d) {
        if (qobject_cast<CConfirmReplaceDlg*>(&d)) {
            progress->GetCancelButton()->click();
            return int(ReplaceAnswer::ReplaceAll);
        }
        return d.exec();
    });
    {
        CPasteDlg dialog(request);
        progress = &dialog;
        EXPECT_EQ(dialog.windowTitle(), "Move");
        EXPECT_EQ(vkui::execDialog(dialog), QDialog::Rejected);
        EXPECT_TRUE(dialog.WasCancelled());
    }
    EXPECT_EQ(seams.shown, std::vector<std::string>{"User abort!"});
    EXPECT_EQ(List(src.Path()), (std::vector<std::string>{"1.gif", "2.gif", "3.gif"}));
    EXPECT_EQ(ReadFile(dst.File("1.gif")), "old");

    // Cancel before the worker even started: nothing is deleted.
    seams.shown.clear();
    vkui::setDialogHandler([](QDialog& d) {
        d.show();
        d.reject();
        QCoreApplication::processEvents();
        return d.result();
    });
    DeleteRequest del;
    del.dir = src.Path();
    del.names = {"1.gif"};
    del.useRecycleBin = false;
    {
        CDeleteDlg dialog(del);
        EXPECT_EQ(dialog.windowTitle(), "Delete");
        EXPECT_EQ(vkui::execDialog(dialog), QDialog::Rejected);
    }
    EXPECT_EQ(seams.shown, std::vector<std::string>{"User abort!"});
    EXPECT_EQ(List(src.Path()), (std::vector<std::string>{"1.gif", "2.gif", "3.gif"}));
}

TEST(FileDialogs, DeleteDialogReportsRefusedFiles)
{
    vkuitest::ScriptedAsk seams;
    TempDir dir;
    WriteFile(dir.File("x.bmp"), "x");
    vkui::setDialogHandler([](QDialog& d) { return d.exec(); });
    DeleteRequest del;
    del.dir = dir.Path();
    del.names = {"gone.bmp", "x.bmp"};
    del.useRecycleBin = false;
    CDeleteDlg dialog(del);
    EXPECT_EQ(vkui::execDialog(dialog), QDialog::Accepted);
    EXPECT_EQ(seams.shown, std::vector<std::string>{"Can't delete " + dir.File("gone.bmp") +
                                                    "\nThis is a read-only file."});
    EXPECT_EQ(dialog.GetResult().deleted, 1);
    EXPECT_TRUE(List(dir.Path()).empty());
    EXPECT_EQ(dialog.GetNameLabel()->text(), "x.bmp");
}

TEST(FileDialogs, SecondFailureOffersSkipAllAndASummaryFollows)
{
    vkuitest::ScriptedAsk seams;
    std::vector<std::pair<std::string, vkui::Buttons>> boxes;
    std::deque<vkui::Answer> answers;
    vkui::setAskHandler([&](const QString& text, vkui::Buttons buttons, vkui::Icon) {
        boxes.emplace_back(text.toStdString(), buttons);
        const vkui::Answer a = answers.empty() ? vkui::Answer::Ok : answers.front();
        if (!answers.empty())
            answers.pop_front();
        return a;
    });
    vkui::setDialogHandler([](QDialog& d) { return d.exec(); });
    TempDir dir;
    DeleteRequest del;
    del.dir = dir.Path();
    del.useRecycleBin = false;
    for (int i = 0; i < 7; ++i)
        del.names.push_back("g" + std::to_string(i) + ".bmp");
    auto failure = [&](int i) { return "Can't delete " + dir.File(del.names[size_t(i)]); };

    // OK, then "Skip all": the rest are counted, one summary at the end.
    answers = {vkui::Answer::Ok, vkui::Answer::SkipAll};
    {
        CDeleteDlg dialog(del);
        EXPECT_EQ(vkui::execDialog(dialog), QDialog::Accepted);
        EXPECT_EQ(dialog.GetResult().failed, 7);
    }
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].first, failure(0) + "\nThis is a read-only file.");
    EXPECT_EQ(boxes[0].second, vkui::Buttons::Ok);
    EXPECT_EQ(boxes[1].first, failure(1) + "\nThis is a read-only file.");
    EXPECT_EQ(boxes[1].second, vkui::Buttons::OkSkipAll);
    std::string summary = "7 files failed:";
    for (int i = 0; i < 5; ++i)
        summary += "\n" + failure(i);
    EXPECT_EQ(boxes[2].first, summary + "\n...");

    // OK every time: one box per file and no summary.
    boxes.clear();
    del.names.resize(3);
    {
        CDeleteDlg dialog(del);
        vkui::execDialog(dialog);
    }
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[2].second, vkui::Buttons::OkSkipAll);
    EXPECT_EQ(boxes[2].first, failure(2) + "\nThis is a read-only file.");
}
