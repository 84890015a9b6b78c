// Nothing is lost when the window's writes are cut short: Save As killed
// at random moments while it replaces a file; Save As, Convert and the
// settings written at close onto a full disk.
#include "EditSaveFixture.h"
#include "KillWhileWriting.h"
#include "SmallMount.h"
#include "engine/save/SaveDispatch.h"
#include "models/settings/Favorites.h"

#include <QComboBox>

#include <climits>
#include <cstdlib>
#include <random>

using namespace vkuitest;
using vktest::ReadFile;
using vktest::TempDir;

namespace {

// The window's side of the kill test, run by it as a child process: shows
// big.bmp of VELKOR_CRASH_DIR and saves it as PNG over out.png there,
// saying on VELKOR_CRASH_READY_FD when the save begins.
class CrashChild : public EditSaveTest {};

class FullDiskWindow : public EditSaveTest {};

} // namespace

TEST_F(CrashChild, SaveAsOverTheOldFile)
{
    const char* dir = std::getenv("VELKOR_CRASH_DIR");
    if (!dir)
        GTEST_SKIP() << "run by CrashConsistency.SaveAsKilledWhileReplacing";
    ASSERT_TRUE(Start(dir));
    SelectRow(RowOf("big.bmp"));
    ASSERT_TRUE(frame->GetView()->HasImage());
    SaveDialogAnswers(std::string(dir) + "/out.png");
    dialogs.Ok(); // PNG options
    if (const char* fd = std::getenv("VELKOR_CRASH_READY_FD")) {
        if (::write(std::atoi(fd), "r", 1) != 1)
            ADD_FAILURE() << "no one waits";
        ::close(std::atoi(fd));
    }
    ASSERT_TRUE(vksave::SaveAs(ContextOf(*frame), "big.bmp"));
}

TEST(CrashConsistency, SaveAsKilledWhileReplacing)
{
    TempDir pics, scratch;
    // A few megabytes, so that the write takes a measurable time.
    WriteBmp(pics.File("big.bmp"), 1200, 900, 3);
    CWinBmp old;
    vktest::MakeTestPicture(old, 300, 200, 4);
    ASSERT_TRUE(SavePicture(kSavePng, pics.File("out.png"), old, SaveOptionValues()));
    const std::string oldBytes = ReadFile(pics.File("out.png"));

    char exe[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    ASSERT_GT(n, 0);
    exe[n] = '\0';
    // The child's own folders go into the scratch folder, which a kill cannot leave behind.
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QByteArray::fromStdString(scratch.Path()));
    qputenv("VELKOR_CRASH_DIR", QByteArray::fromStdString(pics.Path()));
    vktest::KillWhileWriting run({exe, "--gtest_filter=CrashChild.SaveAsOverTheOldFile"},
                                 pics.File("out.png"), scratch.File("log"), true);
    const bool calibrated = run.Calibrate(oldBytes);
    const unsigned seed = std::random_device()();
    vktest::KillOutcomes outcomes;
    if (calibrated)
        outcomes = run.Run(vktest::KillIterations(20), seed, {"big.bmp"});
    qunsetenv("VELKOR_CRASH_DIR");
    if (oldTmp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", oldTmp);
    ASSERT_TRUE(calibrated) << run.Log();
    vktest::ExpectNothingLost(outcomes, "window Save As", seed);
}

TEST_F(FullDiskWindow, SaveAsAndConvertSayWhyAndKeepEveryFile)
{
    vktest::SmallMount disk("2m");
    VK_REQUIRE_MOUNT(disk);
    WriteBmp(disk.File("cat.bmp"), 400, 300);
    vktest::WriteFile(disk.File("cat.png"), "the old png");
    ASSERT_TRUE(disk.Fill(16384));
    const auto before = vktest::FilesIn(disk.Path());
    ASSERT_TRUE(Start(disk.Path()));
    SelectRow(RowOf("cat.bmp"));
    ASSERT_TRUE(frame->GetView()->HasImage());
    frame->RunCommand(Cmd::ColorsInvert);

    // Over an existing file, and under a new name.
    for (const char* name : {"cat.png", "new.tif"}) {
        SCOPED_TRACE(name);
        SaveDialogAnswers(disk.File(name));
        dialogs.Ok(); // options
        ask.shown.clear();
        EXPECT_FALSE(vksave::SaveAs(ContextOf(*frame), "cat.bmp"));
        EXPECT_EQ(ask.shown, std::vector<std::string>{"Can't save file."});
        EXPECT_TRUE(Picture().IsModified()) << "the edit is kept";
    }

    // Convert to PNG, replacing the existing one and the original: the
    // write fails, so the source stays.
    frame->GetSettings().useRecycleBin = 0;
    dialogs.Ok([](QDialog& d) {
        Child<QComboBox>(d, "format")->setCurrentIndex(2);
        Check(d, "replace");
        return Check(d, "replaceExisting");
    });
    dialogs.Ok(); // PNG options
    ask.shown.clear();
    vksave::Convert(ContextOf(*frame));
    EXPECT_EQ(ask.shown, std::vector<std::string>{"Can't save file."});
    EXPECT_EQ(vktest::FilesIn(disk.Path()), before) << "every file as it was, nothing partial beside them";
}

TEST_F(FullDiskWindow, SettingsWrittenAtCloseSayWhyAndKeepTheOldFiles)
{
    vktest::SmallMount disk("1m");
    VK_REQUIRE_MOUNT(disk);
    qputenv("VELKOR_CONFIG_DIR", QByteArray::fromStdString(disk.Path()));
    CSettings settings;
    settings.saveOptions.jpegQuality = 77;
    settings.saveSettingsOnExit = 1;
    settings.saveRecentFolders = 1;
    ASSERT_TRUE(settings.Save(CSettings::SettingsPath()));
    ASSERT_TRUE(CSettings::SaveRecentFolders(CSettings::RecentFoldersPath(), {pics.Path()}));
    CFavorites favorites;
    favorites.AddFavorite("home", pics.Path(), "", 0);
    ASSERT_TRUE(favorites.SaveFavorites(CFavorites::FavoritesPath()));
    ASSERT_TRUE(disk.Fill());
    const auto before = vktest::FilesIn(disk.Path());

    WriteBmp(pics.File("a.bmp"), 8, 8);
    ASSERT_TRUE(Start(pics.Path()));
    frame->GetSettings().saveOptions.jpegQuality = 33;
    frame->GetFavorites().AddFavorite("more", "/", "", 0);
    frame->close();
    ASSERT_EQ(ask.shown.size(), 1u);
    EXPECT_EQ(ask.shown[0], "Can't save the settings in " + disk.Path() + ".");
    EXPECT_EQ(vktest::FilesIn(disk.Path()), before) << "every file as it was, nothing partial beside them";
}
