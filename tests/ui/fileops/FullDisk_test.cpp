// Paste and Rename Series onto a full disk: a clear message, every file
// intact, nothing partial left.
#include "FileOpsTestSupport.h"
#include "FrameFixture.h"
#include "models/fileops/Paste.h"
#include "ui/fileops/RenameDlg.h"

#include <QLineEdit>
#include <QRadioButton>

#include <algorithm>

using vktest::FilesIn;
using vktest::ReadFile;

namespace {

class FullDiskFiles : public vkuitest::FrameTest {};

// The bytes of every file, whatever its name.
std::vector<std::string> Contents(const std::string& dir)
{
    std::vector<std::string> contents;
    for (const auto& [name, bytes] : FilesIn(dir))
        contents.push_back(bytes);
    std::sort(contents.begin(), contents.end());
    return contents;
}

} // namespace

TEST_F(FullDiskFiles, PasteSaysSoAndKeepsEveryFile)
{
    vktest::SmallMount disk("1m");
    VK_REQUIRE_MOUNT(disk);
    vkfotest::MakeFile(pics.File("a.ras"), 200 << 10, 'n');
    vkfotest::MakeFile(pics.File("b.ras"), 200 << 10, 'o');
    vkfotest::MakeFile(pics.File("c.ras"), 200 << 10, 'p');
    vkfotest::MakeFile(disk.File("a.ras"), 100 << 10, 'A');
    vkfotest::MakeFile(disk.File("c.ras"), 50 << 10, 'C');
    ASSERT_TRUE(disk.Fill());
    const auto sources = FilesIn(pics.Path());
    const auto before = FilesIn(disk.Path());

    // The window refuses before touching a file.
    CSettings settings;
    settings.confirmCopyMove = 0;
    WriteSettings(settings);
    ASSERT_TRUE(Start(pics.Path()));
    vkui::setDialogHandler([](QDialog&) { return int(QDialog::Rejected); });
    SelectRows({0, 1, 2});
    ASSERT_TRUE(frame->RunCommand(Cmd::EditCopy));
    ASSERT_TRUE(vkplatform::EnterDirectory(disk.Path()));
    frame->MoveTo(disk.Path());
    ask.shown.clear();
    ASSERT_TRUE(frame->RunCommand(Cmd::EditPaste));
    EXPECT_EQ(ask.shown, std::vector<std::string>{"Not enough free space on target drive."});
    EXPECT_EQ(FilesIn(disk.Path()), before);

    // The room runs out during a run that replaces files: a.ras is
    // replaced, b.ras and c.ras fail with the reason, and the old c.ras
    // stays whole.
    ASSERT_TRUE(disk.Fill(250 << 10));
    vkfileops::PasteRequest request;
    request.isCopy = true;
    request.sourceDir = pics.Path();
    request.destinationDir = disk.Path();
    request.names = {"a.ras", "b.ras", "c.ras"};
    request.policy = OverwritePolicy::Replace;
    request.totalSize = 600 << 10;
    std::vector<std::string> messages;
    vkfileops::PasteHooks hooks;
    hooks.message = [&](const std::string& text) { messages.push_back(text); };
    const vkfileops::PasteResult result = vkfileops::RunPaste(request, hooks);
    EXPECT_EQ(result.written, 1);
    EXPECT_EQ(result.failed, 2);
    ASSERT_EQ(messages.size(), 2u);
    for (const std::string& text : messages)
        EXPECT_NE(text.find("No space left on device"), std::string::npos) << text;
    auto after = FilesIn(disk.Path());
    EXPECT_EQ(after["a.ras"], sources.at("a.ras"));
    EXPECT_EQ(after["c.ras"], before.at("c.ras"));
    after.erase(".filler");
    EXPECT_EQ(after.size(), 2u) << "nothing partial beside them";
    EXPECT_EQ(FilesIn(pics.Path()), sources);
}

TEST_F(FullDiskFiles, RenameSeriesKeepsEveryFile)
{
    vktest::SmallMount disk("1m");
    VK_REQUIRE_MOUNT(disk);
    vkuitest::WriteBmp(disk.File("a.bmp"), 40, 30, 1);
    vkuitest::WriteBmp(disk.File("b.bmp"), 40, 30, 2);
    vkuitest::WriteBmp(disk.File("c.bmp"), 40, 30, 3);
    ASSERT_TRUE(disk.Fill());
    const auto before = Contents(disk.Path());
    ASSERT_TRUE(Start(disk.Path()));
    vkui::setDialogHandler([](QDialog& d) { return vkfotest::RenameSeriesOfAll(d, "pic"); });
    ASSERT_TRUE(frame->RunCommand(Cmd::EditRenameSeries));
    EXPECT_EQ(vkfotest::List(disk.Path()),
              (std::vector<std::string>{".filler", "pic1.bmp", "pic2.bmp", "pic3.bmp"}));
    EXPECT_EQ(Contents(disk.Path()), before);
}
