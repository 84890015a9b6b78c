// The file commands run from the main frame on a real folder: their
// enabling rules and what each does to the files, the lists and the
// selection, with every dialog answered through the seams.
#include "FileOpsTestSupport.h"
#include "FrameFixture.h"
#include "models/platform/FileStatus.h"
#include "ui/fileops/ConfirmReplaceDlg.h"
#include "ui/fileops/CopyToDlg.h"
#include "ui/fileops/RenameDlg.h"
#include "ui/fileops/SelectGroupDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

using vkfotest::List;
using vktest::FileExists;
using vktest::ReadFile;
using vktest::WriteFile;
using vkuitest::FrameTest;

namespace {

class FileCommandsTest : public FrameTest {
  protected:
    // Pictures a.bmp, b.jpg, c.JPG in the folder.
    void MakePictures()
    {
        vkuitest::WriteBmp(pics.File("a.bmp"), 8, 8, 1);
        vkuitest::WriteBmp(pics.File("b.jpg"), 8, 8, 2);
        vkuitest::WriteBmp(pics.File("c.JPG"), 8, 8, 3);
    }
    void StartWith(const CSettings& settings)
    {
        WriteSettings(settings);
        ASSERT_TRUE(Start(pics.Path()));
    }
    bool Enabled(Cmd c) { return frame->IsCommandEnabled(c); }
    std::vector<std::string> Selected() { return frame->GetFileList().SelectedNames(); }
    // Goes to `dir` as the drive box or a recent folder would.
    void GoTo(const std::string& dir)
    {
        ASSERT_TRUE(vkplatform::EnterDirectory(dir));
        frame->MoveTo(dir);
    }
    // Every modal dialog is answered by `answer`; progress dialogs run.
    void AnswerDialogs(std::function<int(QDialog&)> answer)
    {
        vkui::setDialogHandler([answer](QDialog& d) {
            if (d.inherits("CFileProgressDlg"))
                return d.exec();
            return answer(d);
        });
    }
};

} // namespace

TEST_F(FileCommandsTest, EnablingRulesFollowTheSelectionAndTheClipboard)
{
    MakePictures();
    StartWith(CSettings());
    frame->GetFileListView()->clearSelection();
    vkuitest::WaitForLoad(frame->GetView());
    for (Cmd c : {Cmd::EditDelete, Cmd::EditCut, Cmd::EditCopy, Cmd::EditCopyTo, Cmd::EditMoveTo,
                  Cmd::EditPaste, Cmd::EditUnselectAll, Cmd::EditInvertSelection, Cmd::EditUnselectGroup})
        EXPECT_FALSE(Enabled(c)) << int(c);
    for (Cmd c : {Cmd::EditSelectAll, Cmd::EditSelectGroup, Cmd::EditMakeDirectory, Cmd::EditRename,
                  Cmd::EditRenameSeries})
        EXPECT_TRUE(Enabled(c)) << int(c);
    EXPECT_FALSE(frame->RunCommand(Cmd::EditDelete)); // F8 does nothing either

    SelectRow(1);
    for (Cmd c : {Cmd::EditDelete, Cmd::EditCut, Cmd::EditCopy, Cmd::EditCopyTo, Cmd::EditMoveTo,
                  Cmd::EditUnselectAll, Cmd::EditInvertSelection, Cmd::EditUnselectGroup, Cmd::EditSelectAll})
        EXPECT_TRUE(Enabled(c)) << int(c);
    EXPECT_FALSE(Enabled(Cmd::EditPaste));

    // Copy allows a paste here (which is then refused); Cut does not.
    ASSERT_TRUE(frame->RunCommand(Cmd::EditCopy));
    EXPECT_TRUE(Enabled(Cmd::EditPaste));
    ASSERT_TRUE(frame->RunCommand(Cmd::EditPaste));
    EXPECT_EQ(ask.shown, std::vector<std::string>{"You must select another directory."});
    ASSERT_TRUE(frame->RunCommand(Cmd::EditCut));
    EXPECT_FALSE(Enabled(Cmd::EditPaste));

    ASSERT_TRUE(frame->RunCommand(Cmd::EditSelectAll));
    EXPECT_EQ(Selected().size(), 3u);
    EXPECT_FALSE(Enabled(Cmd::EditSelectAll));
    EXPECT_FALSE(Enabled(Cmd::EditInvertSelection));
    ASSERT_TRUE(frame->RunCommand(Cmd::EditUnselectAll));
    EXPECT_TRUE(Selected().empty());
    SelectRow(0);
    ASSERT_TRUE(frame->RunCommand(Cmd::EditInvertSelection));
    EXPECT_EQ(Selected(), (std::vector<std::string>{"b.jpg", "c.JPG"}));
}

TEST_F(FileCommandsTest, RenameIsOffAtTheRootWithoutAFile)
{
    ASSERT_TRUE(Start("/"));
    frame->GetFileListView()->clearSelection();
    frame->UpdateSelection();
    EXPECT_TRUE(frame->GetFileList().GetCurrentFile().empty());
    EXPECT_FALSE(Enabled(Cmd::EditRename));
}

TEST_F(FileCommandsTest, RenameWithoutAFileRenamesTheFolderAndStaysInIt)
{
    ASSERT_EQ(::mkdir(pics.File("sub").c_str(), 0755), 0);
    vkuitest::WriteBmp(pics.File("sub/a.bmp"), 8, 8, 1);
    WriteSettings(CSettings());
    ASSERT_TRUE(Start(pics.File("sub")));
    frame->GetFileListView()->clearSelection();
    frame->UpdateSelection();
    AnswerDialogs([](QDialog& d) {
        auto* rename = qobject_cast<CRenameDlg*>(&d);
        if (!rename)
            return int(QDialog::Rejected);
        rename->GetEdit()->setText("renamed");
        return int(QDialog::Accepted);
    });
    ASSERT_TRUE(frame->RunCommand(Cmd::EditRename));
    const std::string renamed = pics.File("renamed");
    EXPECT_EQ(frame->GetFileList().GetCurrentDir(), renamed);
    EXPECT_EQ(List(renamed), std::vector<std::string>{"a.bmp"});
    const std::vector<std::string> recent = frame->GetRecentFolders();
    EXPECT_NE(std::find(recent.begin(), recent.end(), renamed), recent.end());
}

TEST_F(FileCommandsTest, RenamedFolderThatCannotBeEnteredIsSaidSoAndItsParentShown)
{
    ASSERT_EQ(::mkdir(pics.File("sub").c_str(), 0755), 0);
    WriteSettings(CSettings());
    ASSERT_TRUE(Start(pics.File("sub")));
    frame->GetFileListView()->clearSelection();
    frame->UpdateSelection();
    int asked = 0;
    AnswerDialogs([&asked](QDialog& d) {
        auto* rename = qobject_cast<CRenameDlg*>(&d);
        if (!rename || asked++ > 0)
            return int(QDialog::Rejected);
        rename->GetEdit()->setText("closed");
        return int(QDialog::Accepted);
    });
    const std::string closed = pics.File("closed");
    {
        vkfotest::WithoutAccessOverride asUser;
        if (!asUser.Ok())
            GTEST_SKIP() << "permissions cannot be enforced here";
        // The folder may be renamed but not entered any more.
        ASSERT_EQ(::chmod(pics.File("sub").c_str(), 0600), 0);
        ASSERT_TRUE(frame->RunCommand(Cmd::EditRename));
        ::chmod(closed.c_str(), 0755);
    }
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(ask.shown, std::vector<std::string>{"The directory was renamed to " + closed +
                                                  ", but it cannot be opened:\n" + std::strerror(EACCES)});
    EXPECT_EQ(frame->GetFileList().GetCurrentDir(), pics.Path());
    EXPECT_TRUE(FileExists(closed));
}

TEST_F(FileCommandsTest, DeleteAsksThenDeletesAndSelectsTheFirstFile)
{
    MakePictures();
    CSettings settings;
    settings.useRecycleBin = 0;
    settings.selectAfterDelete = 1;
    StartWith(settings);
    SelectRow(1);

    ask.answers = {vkui::Answer::No};
    ASSERT_TRUE(frame->RunCommand(Cmd::EditDelete));
    EXPECT_EQ(ask.shown, std::vector<std::string>{"Do you really want to delete the 1 selected file?\n\n"});
    EXPECT_TRUE(FileExists(pics.File("b.jpg")));

    AnswerDialogs([](QDialog&) { return int(QDialog::Rejected); });
    ask.shown.clear();
    ask.answers = {vkui::Answer::Yes};
    ASSERT_TRUE(frame->RunCommand(Cmd::EditDelete));
    vkuitest::WaitForLoad(frame->GetView());
    EXPECT_EQ(ask.shown.size(), 1u);
    EXPECT_EQ(List(pics.Path()), (std::vector<std::string>{"a.bmp", "c.JPG"}));
    EXPECT_EQ(frame->GetFileList().Count(), 2);
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "a.bmp");
    EXPECT_EQ(Selected(), std::vector<std::string>{"a.bmp"});

    // Two files: the plural question; deleting the last files leaves no
    // current file.
    SelectRows({0, 1});
    ask.answers = {vkui::Answer::Yes};
    ask.shown.clear();
    ASSERT_TRUE(frame->RunCommand(Cmd::EditDelete));
    EXPECT_EQ(ask.shown, std::vector<std::string>{"Do you really want to delete the 2 selected files?\n\n"});
    EXPECT_TRUE(List(pics.Path()).empty());
    EXPECT_TRUE(frame->GetFileList().GetCurrentFile().empty());
    EXPECT_EQ(frame->GetCurrentIndex(), -1);
}

// The viewer stays on a neighbour of the picture that went: the next one,
// the previous one at the end; never "0/0" while pictures remain.
TEST_F(FileCommandsTest, ViewerDeleteAndRefreshStayOnANeighbour)
{
    MakePictures();
    vkuitest::WriteBmp(pics.File("d.bmp"), 8, 8, 4);
    CSettings settings;
    settings.useRecycleBin = 0;
    settings.confirmSingleDelete = 0;
    StartWith(settings);
    AnswerDialogs([](QDialog&) { return int(QDialog::Rejected); });
    SelectRow(1);
    ASSERT_TRUE(frame->RunCommand(Cmd::Viewer));
    vkuitest::WaitForLoad(frame->GetView());
    ASSERT_EQ(frame->GetFileList().GetCurrentFile(), "b.jpg");

    ASSERT_TRUE(frame->RunCommand(Cmd::EditDelete));
    vkuitest::WaitForLoad(frame->GetView());
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "c.JPG");
    EXPECT_EQ(Pane(2), " 2/3");

    // Vanished behind the viewer's back, then a refresh.
    ASSERT_EQ(::unlink(pics.File("c.JPG").c_str()), 0);
    ASSERT_TRUE(frame->RunCommand(Cmd::ViewRefresh));
    vkuitest::WaitForLoad(frame->GetView());
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "d.bmp");
    EXPECT_EQ(Pane(2), " 2/2");

    // The last picture goes: the previous one is shown.
    ASSERT_TRUE(frame->RunCommand(Cmd::EditDelete));
    vkuitest::WaitForLoad(frame->GetView());
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "a.bmp");
    EXPECT_EQ(Pane(2), " 1/1");
    EXPECT_TRUE(frame->GetView()->HasImage());
}

TEST_F(FileCommandsTest, CopyPasteAndMoveToWithConfirmReplace)
{
    MakePictures();
    vktest::TempDir other;
    WriteFile(other.File("b.jpg"), "older b");
    CSettings settings;
    settings.confirmCopyMove = 1;
    settings.selectAfterCopyMove = 1;
    StartWith(settings);

    SelectRows({0, 1});
    ASSERT_TRUE(frame->RunCommand(Cmd::EditCopy));
    GoTo(other.Path());
    ASSERT_TRUE(Enabled(Cmd::EditPaste));
    int confirms = 0;
    AnswerDialogs([&](QDialog& d) {
        EXPECT_TRUE(qobject_cast<CConfirmReplaceDlg*>(&d) != nullptr);
        ++confirms;
        return int(vkfileops::ReplaceAnswer::Replace);
    });
    ask.answers = {vkui::Answer::Yes};
    ASSERT_TRUE(frame->RunCommand(Cmd::EditPaste));
    ASSERT_FALSE(ask.shown.empty());
    EXPECT_EQ(ask.shown[0], "Copy 2 file(s)\n\nFrom: " + pics.Path() + "\nTo:    " + other.Path());
    EXPECT_EQ(confirms, 1);
    EXPECT_EQ(ReadFile(other.File("b.jpg")), ReadFile(pics.File("b.jpg")));
    EXPECT_EQ(List(other.Path()), (std::vector<std::string>{"a.bmp", "b.jpg"}));
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "b.jpg");
    EXPECT_EQ(frame->GetFileList().GetClipboardCount(), 0);
    EXPECT_FALSE(Enabled(Cmd::EditPaste));

    // Move To back into the pictures' folder, chosen in the dialog; the
    // frame follows the files there.
    GoTo(other.Path());
    SelectRow(0); // a.bmp
    vktest::TempDir third;
    AnswerDialogs([&](QDialog& d) {
        auto* copyTo = qobject_cast<CCopyToDlg*>(&d);
        EXPECT_NE(copyTo, nullptr);
        if (!copyTo)
            return int(QDialog::Rejected);
        EXPECT_EQ(copyTo->windowTitle(), "Move To");
        copyTo->SetDestination(third.Path());
        copyTo->accept();
        return copyTo->result();
    });
    ask.shown.clear();
    ASSERT_TRUE(frame->RunCommand(Cmd::EditMoveTo));
    EXPECT_TRUE(ask.shown.empty()) << ask.shown[0];
    EXPECT_EQ(List(third.Path()), std::vector<std::string>{"a.bmp"});
    EXPECT_EQ(List(other.Path()), std::vector<std::string>{"b.jpg"});
    EXPECT_EQ(frame->GetFileList().GetCurrentDir(), third.Path());
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "a.bmp");
}

TEST_F(FileCommandsTest, RenameRenameSeriesAndMakeDirectory)
{
    MakePictures();
    StartWith(CSettings());
    SelectRow(0); // a.bmp
    std::deque<std::string> names = {"c"};
    std::vector<std::string> prompts;
    AnswerDialogs([&](QDialog& d) {
        auto* rename = qobject_cast<CRenameDlg*>(&d);
        if (!rename || names.empty())
            return int(QDialog::Rejected);
        prompts.push_back(rename->GetPrompt()->text().toStdString());
        rename->GetEdit()->setText(QString::fromStdString(names.front()));
        names.pop_front();
        return int(QDialog::Accepted);
    });
    // "c" is free as c.bmp: renaming never looks at other extensions.
    ASSERT_TRUE(frame->RunCommand(Cmd::EditRename));
    EXPECT_EQ(prompts, std::vector<std::string>{"Rename 'a' to"});
    EXPECT_EQ(List(pics.Path()), (std::vector<std::string>{"b.jpg", "c.JPG", "c.bmp"}));
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "c.bmp");

    // A clash: the message, then the dialog again.
    SelectRow(RowOf("c.bmp"));
    WriteFile(pics.File("d.bmp"), "d");
    names = {"d", "e"};
    ask.shown.clear();
    ASSERT_TRUE(frame->RunCommand(Cmd::EditRename));
    EXPECT_EQ(ask.shown, std::vector<std::string>{"This file already exists."});
    EXPECT_EQ(ReadFile(pics.File("d.bmp")), "d");
    EXPECT_TRUE(FileExists(pics.File("e.bmp")));

    // Rename Series over all files.
    AnswerDialogs([](QDialog& d) { return vkfotest::RenameSeriesOfAll(d, "pic"); });
    frame->GetSettings().renameSeriesScope = 1;
    ASSERT_TRUE(frame->RunCommand(Cmd::EditRenameSeries));
    EXPECT_EQ(frame->GetSettings().renameSeriesScope, 0);
    EXPECT_EQ(List(pics.Path()), (std::vector<std::string>{"pic1.jpg", "pic2.JPG", "pic3.bmp", "pic4.bmp"}));

    // Make Directory: a new name, then the same one again.
    AnswerDialogs([](QDialog& d) {
        auto* make = qobject_cast<CMakeDirectoryDlg*>(&d);
        if (!make)
            return int(QDialog::Rejected);
        make->GetEdit()->setText("sub");
        return int(QDialog::Accepted);
    });
    ask.shown.clear();
    ASSERT_TRUE(frame->RunCommand(Cmd::EditMakeDirectory));
    EXPECT_TRUE(vkplatform::IsDirectory(pics.File("sub")));
    EXPECT_TRUE(frame->GetDirectoryListBox()->findItems("sub", Qt::MatchExactly).size() == 1);
    ASSERT_TRUE(frame->RunCommand(Cmd::EditMakeDirectory));
    EXPECT_EQ(ask.shown, std::vector<std::string>{"Can't create directory."});
}

TEST_F(FileCommandsTest, SelectAndUnselectGroup)
{
    MakePictures();
    StartWith(CSettings());
    SelectRow(0);
    AnswerDialogs([](QDialog& d) {
        auto* group = qobject_cast<CSelectGroupDlg*>(&d);
        if (!group)
            return int(QDialog::Rejected);
        group->GetExtensionCheck()->setChecked(true);
        group->GetExtensionList()->setCurrentText("jpg");
        group->accept();
        return group->result();
    });
    ASSERT_TRUE(frame->RunCommand(Cmd::EditSelectGroup));
    vkuitest::WaitForLoad(frame->GetView());
    EXPECT_EQ(Selected(), (std::vector<std::string>{"b.jpg", "c.JPG"}));

    // Unselect Group by size: everything is larger than 1 byte.
    AnswerDialogs([](QDialog& d) {
        auto* group = qobject_cast<CSelectGroupDlg*>(&d);
        if (!group)
            return int(QDialog::Rejected);
        EXPECT_EQ(group->windowTitle(), "Unselect Group");
        group->GetSizeCheck()->setChecked(true);
        group->GetOperatorList()->setCurrentText(">");
        group->accept();
        return group->result();
    });
    ASSERT_TRUE(frame->RunCommand(Cmd::EditUnselectGroup));
    EXPECT_TRUE(Selected().empty());
    EXPECT_FALSE(Enabled(Cmd::EditUnselectGroup));
}
