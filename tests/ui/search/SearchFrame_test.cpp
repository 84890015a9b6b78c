// Find Images, Compare Directories and the slide show run from the main
// window's menus and keys, headless: the dialogs are driven through the
// dialog seam and the browser is checked after each command.
#include "FrameFixture.h"

#include "ui/search/CompareDirectoriesDlg.h"
#include "ui/search/CompareResultsDlg.h"
#include "ui/search/FindImages.h"
#include "ui/shell/SlideShowCommands.h"

#include <QAction>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

#include <algorithm>
#include <sys/stat.h>

using namespace vkuitest;

namespace {

using Strings = std::vector<std::string>;

class SearchFrameTest : public FrameTest {
  protected:
    Strings Selected() const
    {
        Strings names = frame->GetFileList().SelectedNames();
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string CurrentDir() const { return frame->GetFileList().GetCurrentDir(); }
};

// Searches in a Find Images dialog for `name` (any name when empty) from
// where it starts, selects the first result and presses Close with "Go to
// file" as given. Gives the result, the folder the dialog started in and the
// number of results.
struct FindRun {
    explicit FindRun(std::string name, bool goToFile = true) : name(std::move(name)), goToFile(goToFile) {}

    std::string name;
    bool goToFile;
    std::string lookedIn;
    int found = -1;

    int operator()(QDialog& d)
    {
        auto* find = qobject_cast<CFindImagesDlg*>(&d);
        EXPECT_NE(find, nullptr);
        if (!find)
            return QDialog::Rejected;
        lookedIn = find->GetLookInEdit()->text().toStdString();
        find->GetNameEdit()->setText(QString::fromStdString(name));
        find->GetPreviewCheck()->setChecked(true);
        find->GetFindNowButton()->click();
        WaitFor([find] { return !find->IsSearching(); });
        found = find->GetResultList()->count();
        if (found > 0)
            find->GetResultList()->item(0)->setSelected(true);
        find->GetGoToFileCheck()->setChecked(goToFile);
        find->GetCloseButton()->click();
        return find->result();
    }
};

// Sets the criteria of a Compare Directories dialog and presses OK.
int AcceptCriteria(QDialog& d, const std::string& destination, Strings* shown = nullptr)
{
    auto* criteria = qobject_cast<CCompareDirectoriesDlg*>(&d);
    EXPECT_NE(criteria, nullptr);
    if (!criteria)
        return QDialog::Rejected;
    if (shown)
        shown->push_back(std::string(criteria->GetNameCheck()->isChecked() ? "name" : "-") +
                         (criteria->GetSizeCheck()->isChecked() ? " size" : " -") +
                         (criteria->GetCaseCheck()->isChecked() ? " case" : " -"));
    // By name alone, ignoring case.
    criteria->GetNameCheck()->setChecked(true);
    criteria->GetExtensionCheck()->setChecked(false);
    criteria->GetSizeCheck()->setChecked(false);
    criteria->GetDateCheck()->setChecked(false);
    criteria->GetCaseCheck()->setChecked(false);
    criteria->GetDestinationEdit()->setText(QString::fromStdString(destination));
    criteria->accept();
    return criteria->result();
}

} // namespace

TEST_F(SearchFrameTest, FindImagesFromTheToolsMenuTakesTheBrowserToTheChosenFile)
{
    ::mkdir(pics.File("trip").c_str(), 0755);
    ::mkdir(pics.File("trip/day2").c_str(), 0755);
    WriteBmp(pics.File("start.bmp"), 20, 10);
    WriteBmp(pics.File("trip/day1.bmp"), 20, 10);
    WriteBmp(pics.File("trip/day2/Harbour.bmp"), 30, 20);
    WriteBmp(pics.File("trip/day2/market.bmp"), 30, 20);
    ASSERT_TRUE(Start(pics.Path()));
    frame->UpdateCommandUI();
    EXPECT_TRUE(frame->GetAction(Cmd::ToolsFind)->isEnabled());

    // Find "harbour" below the current folder, preview it, and Close with
    // "Go to file" checked.
    FindRun run("harbour");
    vkui::setDialogHandler([&](QDialog& d) { return run(d); });
    frame->GetAction(Cmd::ToolsFind)->trigger();
    WaitForLoad(frame->GetView());
    EXPECT_EQ(run.found, 1);
    EXPECT_EQ(run.lookedIn, pics.Path());
    EXPECT_EQ(CurrentDir(), pics.File("trip/day2"));
    EXPECT_EQ(Selected(), Strings{"Harbour.bmp"});
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "Harbour.bmp");
    EXPECT_TRUE(frame->GetView()->HasImage());
    EXPECT_EQ(frame->GetSettings().findPreview, 1);
    EXPECT_EQ(frame->GetSettings().findGoToFile, 1);
    EXPECT_TRUE(ask.shown.empty());

    // Ctrl+F opens it again, in the folder the browser is in now; with "Go
    // to file" off, Close leaves the browser where it is, and the dialog
    // keeps that choice for next time.
    run = FindRun("", false);
    SendKey(Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(run.lookedIn, pics.File("trip/day2"));
    EXPECT_EQ(run.found, 2);
    EXPECT_EQ(CurrentDir(), pics.File("trip/day2"));
    EXPECT_EQ(frame->GetSettings().findGoToFile, 0);
}

TEST_F(SearchFrameTest, CompareDirectoriesFromTheToolsMenuGoesToTheMatchesOfEitherSide)
{
    vktest::TempDir other;
    WriteBmp(pics.File("one.bmp"), 20, 10);
    WriteBmp(pics.File("two.bmp"), 20, 10);
    WriteBmp(pics.File("three.bmp"), 20, 10);
    WriteBmp(other.File("TWO.bmp"), 30, 10);
    WriteBmp(other.File("three.bmp"), 30, 10);
    WriteBmp(other.File("four.bmp"), 30, 10);
    ASSERT_TRUE(Start(pics.Path()));
    frame->UpdateCommandUI();
    EXPECT_TRUE(frame->GetAction(Cmd::ToolsCompare)->isEnabled());

    // Criteria and results in turn: the first results press New (the
    // criteria come again, as chosen the first time), the others Go To
    // File(s) of `side`.
    int step = 0;
    int side = CCompareResultsDlg::Source;
    Strings criteriaShown;
    vkui::setDialogHandler([&](QDialog& d) {
        if (step++ % 2 == 0)
            return AcceptCriteria(d, other.Path(), &criteriaShown);
        auto* results = qobject_cast<CCompareResultsDlg*>(&d);
        EXPECT_NE(results, nullptr);
        if (!results)
            return int(QDialog::Rejected);
        EXPECT_EQ(results->GetDirectory(CCompareResultsDlg::Source), pics.Path());
        results->Start();
        EXPECT_TRUE(results->WaitUntilDone());
        EXPECT_EQ(results->GetList(CCompareResultsDlg::Source)->topLevelItemCount(), 2);
        EXPECT_EQ(results->GetList(CCompareResultsDlg::Destination)->topLevelItemCount(), 2);
        if (step == 2)
            results->OnNew();
        else
            results->GetGoToButton(side)->click();
        return results->result();
    });
    // The source side's matches are selected where the browser is.
    frame->GetAction(Cmd::ToolsCompare)->trigger();
    WaitForLoad(frame->GetView());
    EXPECT_EQ(step, 4);
    EXPECT_EQ(criteriaShown, (Strings{"name size case", "name - -"}));
    EXPECT_EQ(CurrentDir(), pics.Path());
    EXPECT_EQ(Selected(), (Strings{"three.bmp", "two.bmp"}));
    EXPECT_EQ(frame->GetSettings().compareName, 1);
    EXPECT_EQ(frame->GetSettings().compareSize, 0);

    // The destination side's take the browser there.
    side = CCompareResultsDlg::Destination;
    frame->RunCommand(Cmd::ToolsCompare);
    WaitForLoad(frame->GetView());
    EXPECT_EQ(step, 6);
    EXPECT_EQ(CurrentDir(), other.Path());
    EXPECT_EQ(Selected(), (Strings{"TWO.bmp", "three.bmp"}));
    EXPECT_TRUE(ask.shown.empty());

    // Cancel in the criteria leaves everything as it was.
    vkui::setDialogHandler([](QDialog&) { return int(QDialog::Rejected); });
    frame->RunCommand(Cmd::ToolsCompare);
    EXPECT_EQ(CurrentDir(), other.Path());
}

TEST_F(SearchFrameTest, SlideShowFromTheMenusAndKeysStepsWrapsAndStopsAtOnce)
{
    CSettings settings;
    settings.slideDelaySeconds = 0;
    settings.slideSequence = 0;
    WriteSettings(settings);
    WriteBmp(pics.File("a.bmp"), 20, 10, 1);
    WriteBmp(pics.File("b.bmp"), 30, 10, 2);
    vktest::WriteFile(pics.File("c.bmp"), "BM not a picture");
    WriteBmp(pics.File("d.bmp"), 40, 10, 3);
    ASSERT_TRUE(Start(pics.Path()));
    auto* control = frame->findChild<CSlideShowControl*>();
    ASSERT_NE(control, nullptr);

    // Nothing shown yet: Tools > Slide show is grey.
    frame->UpdateCommandUI();
    EXPECT_FALSE(frame->GetAction(Cmd::ToolsSlideShow)->isEnabled());
    SelectRow(0);
    frame->UpdateCommandUI();
    ASSERT_TRUE(frame->GetAction(Cmd::ToolsSlideShow)->isEnabled());

    // From the browser: the viewer comes up and the show runs past the
    // undecodable file and around the end of the list.
    frame->GetAction(Cmd::ToolsSlideShow)->trigger();
    EXPECT_FALSE(frame->IsBrowserMode());
    EXPECT_TRUE(control->IsRunning());
    frame->UpdateCommandUI();
    EXPECT_FALSE(frame->GetAction(Cmd::SlideRun)->isEnabled());
    EXPECT_TRUE(frame->GetAction(Cmd::SlideStop)->isEnabled());
    WaitFor([&] { return control->GetStepCount() >= 9; });
    ASSERT_GE(control->GetStepCount(), 9);
    EXPECT_TRUE(control->IsRunning());
    EXPECT_GE(frame->GetCurrentIndex(), 0);
    EXPECT_LT(frame->GetCurrentIndex(), 4);
    const std::string status = frame->GetStatusText().toStdString();
    EXPECT_TRUE(status == " Unknow format" ||
                (status.rfind("  Loaded in ", 0) == 0 && status.ends_with(" s")))
        << status;

    // Escape ends it at once; steps still queued are dropped.
    SendKey(Qt::Key_Escape);
    EXPECT_FALSE(control->IsRunning());
    const int steps = control->GetStepCount();
    for (int i = 0; i < 50; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    EXPECT_EQ(control->GetStepCount(), steps);
    EXPECT_FALSE(frame->IsBrowserMode());
    frame->UpdateCommandUI();
    EXPECT_TRUE(frame->GetAction(Cmd::SlideRun)->isEnabled());
    EXPECT_FALSE(frame->GetAction(Cmd::SlideStop)->isEnabled());

    // F3 runs it again in the viewer, F4 stops it.
    SendKey(Qt::Key_F3);
    EXPECT_TRUE(control->IsRunning());
    WaitFor([&] { return control->GetStepCount() >= 2; });
    EXPECT_GE(control->GetStepCount(), 2);
    SendKey(Qt::Key_F4);
    EXPECT_FALSE(control->IsRunning());
    WaitForLoad(frame->GetView());
    EXPECT_TRUE(ask.shown.empty());
}
