// Single-file copy, rename, move and delete on real files.
#include "FileOpsTestSupport.h"
#include "engine/save/NumberedName.h"
#include "models/fileops/FileCopy.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace vkfileops;
using vkfotest::List;
using vktest::FileExists;
using vktest::ReadFile;
using vktest::TempDir;
using vktest::WriteFile;

// The common names are numbered in the paste tests; these are the edges.
TEST(NumberedName, SplitsAtTheLastDot)
{
    EXPECT_EQ(vkname::NumberedName("my.holiday.JPG", 3), "my.holiday_3.JPG");
    EXPECT_EQ(vkname::NumberedName("x.y", 12), "x_12.y");
    EXPECT_EQ(vkname::NumberedName(".hidden", 2), ".hidden_2");
    EXPECT_EQ(vkname::SplitAtLastDot("name."), (std::pair<std::string, std::string>("name", ".")));
}

TEST(FileCopy, CopiesDataTimeAndModeAndNeverReplacesUnasked)
{
    TempDir dir;
    vkfotest::MakeFile(dir.File("src.bin"), 9 << 20); // more than two chunks
    ::chmod(dir.File("src.bin").c_str(), 0640);
    vkfotest::SetMtime(dir.File("src.bin"), 1000000000);

    std::vector<uint64_t> reports;
    auto progress = [&](uint64_t done) {
        reports.push_back(done);
        return true;
    };
    std::string error;
    ASSERT_EQ(CopyFile(dir.File("src.bin"), dir.File("dst.bin"), false, progress, &error), FileResult::Ok)
        << error;
    EXPECT_EQ(ReadFile(dir.File("dst.bin")), ReadFile(dir.File("src.bin")));
    EXPECT_EQ(vkfotest::Mtime(dir.File("dst.bin")), 1000000000);
    EXPECT_EQ(vkfotest::Mode(dir.File("dst.bin")), 0640u);
    ASSERT_GE(reports.size(), 3u); // moves within a large file
    EXPECT_EQ(reports.back(), uint64_t(9 << 20));
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));

    // An existing target is kept without replace, replaced with it.
    WriteFile(dir.File("old.bin"), "old");
    EXPECT_EQ(CopyFile(dir.File("src.bin"), dir.File("old.bin"), false), FileResult::Exists);
    EXPECT_EQ(ReadFile(dir.File("old.bin")), "old");
    EXPECT_EQ(CopyFile(dir.File("src.bin"), dir.File("old.bin"), true), FileResult::Ok);
    EXPECT_EQ(ReadFile(dir.File("old.bin")), ReadFile(dir.File("src.bin")));

    // A file cannot replace itself, and nothing is lost trying.
    EXPECT_EQ(CopyFile(dir.File("old.bin"), dir.File("old.bin"), true), FileResult::Failed);
    EXPECT_EQ(ReadFile(dir.File("old.bin")), ReadFile(dir.File("src.bin")));

    // Empty files copy too.
    WriteFile(dir.File("empty"), "");
    EXPECT_EQ(CopyFile(dir.File("empty"), dir.File("empty2"), false), FileResult::Ok);
    EXPECT_TRUE(FileExists(dir.File("empty2")));

    // Missing sources and folders fail with a reason; no temporary is left.
    error.clear();
    EXPECT_EQ(CopyFile(dir.File("missing"), dir.File("x"), false, {}, &error), FileResult::Failed);
    EXPECT_FALSE(error.empty());
    ::mkdir(dir.File("sub").c_str(), 0755);
    EXPECT_EQ(CopyFile(dir.File("sub"), dir.File("x"), false), FileResult::Failed);
    EXPECT_EQ(List(dir.Path()),
              (std::vector<std::string>{"dst.bin", "empty", "empty2", "old.bin", "src.bin", "sub"}));
}

TEST(FileCopy, CancelledCopyLeavesNoTrace)
{
    TempDir dir;
    vkfotest::MakeFile(dir.File("big.bin"), 20 << 20);
    int calls = 0;
    auto cancelAfterOneChunk = [&](uint64_t) { return ++calls < 2; };
    EXPECT_EQ(CopyFile(dir.File("big.bin"), dir.File("copy.bin"), false, cancelAfterOneChunk),
              FileResult::Cancelled);
    EXPECT_EQ(calls, 2); // stopped within one chunk
    EXPECT_EQ(List(dir.Path()), std::vector<std::string>{"big.bin"});

    // A cancelled replace keeps the old target as it was.
    WriteFile(dir.File("copy.bin"), "keep me");
    calls = 0;
    EXPECT_EQ(CopyFile(dir.File("big.bin"), dir.File("copy.bin"), true, cancelAfterOneChunk),
              FileResult::Cancelled);
    EXPECT_EQ(ReadFile(dir.File("copy.bin")), "keep me");
    EXPECT_EQ(List(dir.Path()), (std::vector<std::string>{"big.bin", "copy.bin"}));
    // A destination that fills up is tested on whole paste runs (Paste_test).
}

TEST(FileCopy, RenamesNeverReplaceAndCaseMatters)
{
    TempDir dir;
    WriteFile(dir.File("a.jpg"), "a");
    WriteFile(dir.File("b.jpg"), "b");
    EXPECT_EQ(RenameFile(dir.File("a.jpg"), dir.File("b.jpg")), FileResult::Exists);
    EXPECT_EQ(ReadFile(dir.File("a.jpg")), "a");
    EXPECT_EQ(ReadFile(dir.File("b.jpg")), "b");

    // Names that differ only in case are different files here.
    EXPECT_EQ(RenameFile(dir.File("a.jpg"), dir.File("A.jpg")), FileResult::Ok);
    EXPECT_EQ(RenameFile(dir.File("b.jpg"), dir.File("A.jpg")), FileResult::Exists);
    EXPECT_EQ(List(dir.Path()), (std::vector<std::string>{"A.jpg", "b.jpg"}));
    EXPECT_EQ(RenameFile(dir.File("A.jpg"), dir.File("A.jpg")), FileResult::Exists);

    // Folders: neither an empty nor a full folder is replaced.
    ::mkdir(dir.File("one").c_str(), 0755);
    ::mkdir(dir.File("two").c_str(), 0755);
    EXPECT_EQ(RenameFile(dir.File("one"), dir.File("two")), FileResult::Exists);
    WriteFile(dir.File("two/x"), "x");
    EXPECT_EQ(RenameFile(dir.File("one"), dir.File("two")), FileResult::Exists);
    EXPECT_EQ(RenameFile(dir.File("one"), dir.File("three")), FileResult::Ok);
    EXPECT_EQ(RenameFile(dir.File("missing"), dir.File("four")), FileResult::Failed);

    // With replace a file is replaced.
    EXPECT_EQ(RenameFile(dir.File("b.jpg"), dir.File("A.jpg"), true), FileResult::Ok);
    EXPECT_EQ(ReadFile(dir.File("A.jpg")), "b");
}

TEST(FileCopy, MovesWithinAndAcrossFileSystems)
{
    TempDir dir;
    ::mkdir(dir.File("to").c_str(), 0755);
    WriteFile(dir.File("a.png"), "alpha");
    vkfotest::SetMtime(dir.File("a.png"), 1200000000);
    bool kept = true;
    EXPECT_EQ(MoveFile(dir.File("a.png"), dir.File("to/a.png"), false, {}, nullptr, &kept), FileResult::Ok);
    EXPECT_FALSE(kept);
    EXPECT_FALSE(FileExists(dir.File("a.png")));
    EXPECT_EQ(ReadFile(dir.File("to/a.png")), "alpha");

    WriteFile(dir.File("a.png"), "beta");
    EXPECT_EQ(MoveFile(dir.File("a.png"), dir.File("to/a.png"), false), FileResult::Exists);
    EXPECT_EQ(ReadFile(dir.File("a.png")), "beta");
    EXPECT_EQ(MoveFile(dir.File("a.png"), dir.File("to/a.png"), true), FileResult::Ok);
    EXPECT_EQ(ReadFile(dir.File("to/a.png")), "beta");

    vkfotest::SmallMount other("16m");
    if (!other.Ok())
        GTEST_SKIP() << "no tmpfs mount allowed here";
    vkfotest::MakeFile(dir.File("big.bin"), 6 << 20);
    vkfotest::SetMtime(dir.File("big.bin"), 1300000000);
    const std::string bytes = ReadFile(dir.File("big.bin"));
    EXPECT_EQ(MoveFile(dir.File("big.bin"), other.File("big.bin"), false, {}, nullptr, &kept),
              FileResult::Ok);
    EXPECT_FALSE(kept);
    EXPECT_FALSE(FileExists(dir.File("big.bin")));
    EXPECT_EQ(ReadFile(other.File("big.bin")), bytes);
    EXPECT_EQ(vkfotest::Mtime(other.File("big.bin")), 1300000000);
    EXPECT_EQ(List(other.Path()), std::vector<std::string>{"big.bin"});

    // A source that cannot be deleted after the copy: both files stay.
    WriteFile(dir.File("to/locked.png"), "locked");
    if (vkfotest::LockFolder(dir.File("to"), true)) {
        std::string error;
        EXPECT_EQ(MoveFile(dir.File("to/locked.png"), other.File("locked.png"), false, {}, &error, &kept),
                  FileResult::Ok);
        EXPECT_TRUE(kept);
        EXPECT_FALSE(error.empty());
        vkfotest::LockFolder(dir.File("to"), false);
        EXPECT_EQ(ReadFile(dir.File("to/locked.png")), "locked");
        EXPECT_EQ(ReadFile(other.File("locked.png")), "locked");
    } else {
        GTEST_SKIP() << "folders cannot be locked here";
    }
}
