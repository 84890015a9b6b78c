// Copy, move and paste runs: every overwrite policy, every Confirm Replace
// answer, the checks before a run, cancel, and the worker around the run.
#include "FileOpsTestSupport.h"
#include "models/fileops/Paste.h"

#include <QObject>

#include <gtest/gtest.h>

#include <deque>

using namespace vkfileops;
using vkfotest::List;
using vktest::FileExists;
using vktest::ReadFile;
using vktest::TempDir;
using vktest::WriteFile;

namespace {

// A source and a destination folder with a scripted user.
struct PasteFixture {
    TempDir src, dst;
    std::vector<std::string> messages;
    std::vector<ReplaceQuestion> questions;
    std::deque<ReplaceReply> replies;
    std::vector<int> percents;
    std::vector<std::string> shown;

    PasteHooks Hooks()
    {
        PasteHooks hooks;
        hooks.message = [this](const std::string& text) { messages.push_back(text); };
        hooks.progress = [this](int p) { percents.push_back(p); };
        hooks.showName = [this](const std::string& name) { shown.push_back(name); };
        hooks.confirmReplace = [this](const ReplaceQuestion& q) {
            questions.push_back(q);
            if (replies.empty())
                return ReplaceReply{ReplaceAnswer::Cancel, ""};
            ReplaceReply r = replies.front();
            replies.pop_front();
            return r;
        };
        return hooks;
    }

    PasteRequest Request(std::vector<std::string> names, OverwritePolicy policy, bool isCopy = true)
    {
        PasteRequest r;
        r.isCopy = isCopy;
        r.sourceDir = src.Path();
        r.destinationDir = dst.Path();
        r.names = std::move(names);
        r.policy = policy;
        for (const auto& n : r.names)
            r.totalSize += ReadFile(src.File(n)).size();
        return r;
    }

    PasteResult Run(std::vector<std::string> names, OverwritePolicy policy, bool isCopy = true)
    {
        return RunPaste(Request(std::move(names), policy, isCopy), Hooks());
    }
};

} // namespace

TEST(Paste, ChecksBeforeTheRun)
{
    EXPECT_EQ(PastePreflight("/a/b", "/a/b", 10, 100), "You must select another directory.");
    EXPECT_EQ(PastePreflight("/a/b/", "/a/b", 10, 100), "You must select another directory.");
    EXPECT_EQ(PastePreflight("/a/b", "/a/B", 10, 100), "");
    EXPECT_EQ(PastePreflight("/a", "/b", 5000000000ull, 4999999999ull),
              "Not enough free space on target drive.");
    EXPECT_EQ(PastePreflight("/a", "/b", 5000000000ull, 5000000000ull), "");
    EXPECT_EQ(PasteConfirmText(true, 3, "/x", "/y"), "Copy 3 file(s)\n\nFrom: /x\nTo:    /y");
    EXPECT_EQ(PasteConfirmText(false, 1, "/x", "/y"), "Move 1 file(s)\n\nFrom: /x\nTo:    /y");
    EXPECT_EQ(FileLine(1234, 0).rfind("1234 bytes,  ", 0), 0u);
}

TEST(Paste, PoliciesReplaceSkipAndRename)
{
    PasteFixture f;
    WriteFile(f.src.File("a.bmp"), "new a");
    WriteFile(f.src.File("b.bmp"), "new b");
    WriteFile(f.src.File("c.bmp"), "new c");
    WriteFile(f.dst.File("a.bmp"), "old a");

    PasteResult r = f.Run({"a.bmp", "b.bmp"}, OverwritePolicy::Skip);
    EXPECT_EQ(r.written, 1);
    EXPECT_EQ(r.skipped, 1);
    EXPECT_EQ(ReadFile(f.dst.File("a.bmp")), "old a");
    EXPECT_EQ(ReadFile(f.dst.File("b.bmp")), "new b");

    r = f.Run({"a.bmp"}, OverwritePolicy::Replace);
    EXPECT_EQ(r.written, 1);
    EXPECT_EQ(ReadFile(f.dst.File("a.bmp")), "new a");
    EXPECT_TRUE(f.questions.empty());

    // Rename: the first try is _2, later tries continue the run's counter.
    WriteFile(f.dst.File("a_2.bmp"), "x");
    WriteFile(f.dst.File("a_3.bmp"), "x");
    WriteFile(f.dst.File("b_2.bmp"), "x");
    r = f.Run({"a.bmp", "b.bmp", "c.bmp"}, OverwritePolicy::Rename);
    EXPECT_EQ(r.written, 3);
    EXPECT_EQ(r.writtenNames, (std::vector<std::string>{"a_4.bmp", "b_5.bmp", "c.bmp"}));
    EXPECT_EQ(ReadFile(f.dst.File("a_4.bmp")), "new a");
    EXPECT_EQ(ReadFile(f.dst.File("b_5.bmp")), "new b");
    EXPECT_EQ(ReadFile(f.dst.File("a_3.bmp")), "x");

    // The split is at the last dot, whatever the extension's length.
    WriteFile(f.src.File("photo.jpeg"), "p");
    WriteFile(f.dst.File("photo.jpeg"), "q");
    WriteFile(f.src.File("ab"), "s");
    WriteFile(f.dst.File("ab"), "t");
    r = f.Run({"photo.jpeg", "ab"}, OverwritePolicy::Rename);
    EXPECT_EQ(r.writtenNames, (std::vector<std::string>{"photo_2.jpeg", "ab_2"}));
    EXPECT_TRUE(f.messages.empty());
    EXPECT_EQ(List(f.src.Path()), (std::vector<std::string>{"a.bmp", "ab", "b.bmp", "c.bmp", "photo.jpeg"}));
}

TEST(Paste, EveryConfirmReplaceAnswer)
{
    PasteFixture f;
    for (const char* n : {"1.gif", "2.gif", "3.gif", "4.gif"}) {
        WriteFile(f.src.File(n), std::string("new ") + n);
        WriteFile(f.dst.File(n), std::string("old ") + n);
    }

    // Replace, Skip and Cancel act on one file each.
    f.replies = {{ReplaceAnswer::Replace, ""}, {ReplaceAnswer::Skip, ""}, {ReplaceAnswer::Cancel, ""}};
    PasteResult r = f.Run({"1.gif", "2.gif", "3.gif"}, OverwritePolicy::Ask);
    EXPECT_EQ(r.written, 1);
    EXPECT_EQ(r.skipped, 2);
    EXPECT_EQ(ReadFile(f.dst.File("1.gif")), "new 1.gif");
    EXPECT_EQ(ReadFile(f.dst.File("2.gif")), "old 2.gif");
    EXPECT_EQ(ReadFile(f.dst.File("3.gif")), "old 3.gif");
    ASSERT_EQ(f.questions.size(), 3u);
    EXPECT_EQ(f.questions[1].destinationPath, f.dst.File("2.gif"));
    EXPECT_EQ(f.questions[1].sourcePath, f.src.File("2.gif"));
    EXPECT_EQ(f.questions[1].renameText, "2");
    EXPECT_EQ(f.questions[1].destinationLine.rfind("9 bytes,  ", 0), 0u);

    // Replace All answers once for the rest of the run.
    f.questions.clear();
    f.replies = {{ReplaceAnswer::ReplaceAll, ""}};
    r = f.Run({"2.gif", "3.gif", "4.gif"}, OverwritePolicy::Ask);
    EXPECT_EQ(r.written, 3);
    EXPECT_EQ(f.questions.size(), 1u);
    EXPECT_EQ(ReadFile(f.dst.File("4.gif")), "new 4.gif");

    // Skip All likewise; the flags do not outlive the run.
    for (const char* n : {"1.gif", "2.gif"})
        WriteFile(f.dst.File(n), "old");
    f.questions.clear();
    f.replies = {{ReplaceAnswer::SkipAll, ""}};
    r = f.Run({"1.gif", "2.gif"}, OverwritePolicy::Ask);
    EXPECT_EQ(r.skipped, 2);
    EXPECT_EQ(f.questions.size(), 1u);
    f.replies = {{ReplaceAnswer::Skip, ""}};
    f.Run({"1.gif"}, OverwritePolicy::Ask);
    EXPECT_EQ(f.questions.size(), 2u);

    // Rename: an empty field and a taken name ask again; a free name is used
    // with the old extension.
    WriteFile(f.dst.File("taken.gif"), "t");
    f.questions.clear();
    f.replies = {{ReplaceAnswer::Rename, ""},
                 {ReplaceAnswer::Rename, "taken"},
                 {ReplaceAnswer::Rename, "a/b"},
                 {ReplaceAnswer::Rename, "fresh"}};
    r = f.Run({"1.gif"}, OverwritePolicy::Ask);
    EXPECT_EQ(f.questions.size(), 4u);
    EXPECT_EQ(r.writtenNames, std::vector<std::string>{"fresh.gif"});
    EXPECT_EQ(ReadFile(f.dst.File("fresh.gif")), "new 1.gif");
    EXPECT_EQ(ReadFile(f.dst.File("taken.gif")), "t");
    ASSERT_EQ(f.messages.size(), 2u);
    EXPECT_EQ(f.messages[0], "This file already exists.");
    EXPECT_EQ(f.questions[2].renameText, "taken"); // the field keeps what was typed
}

TEST(Paste, ReplaceAllOlderGoesByModificationTime)
{
    PasteFixture f;
    for (const char* n : {"older.png", "newer.png", "same.png"}) {
        WriteFile(f.src.File(n), "src");
        vkfotest::SetMtime(f.src.File(n), 1500000000);
        WriteFile(f.dst.File(n), "dst");
    }
    vkfotest::SetMtime(f.dst.File("older.png"), 1400000000);
    vkfotest::SetMtime(f.dst.File("newer.png"), 1600000000);
    vkfotest::SetMtime(f.dst.File("same.png"), 1500000000);

    f.replies = {{ReplaceAnswer::ReplaceAllOlder, ""}};
    // The answer is given at the newer file, so it is kept, and holds after.
    PasteResult r = f.Run({"newer.png", "older.png", "same.png"}, OverwritePolicy::Ask);
    EXPECT_EQ(f.questions.size(), 1u);
    EXPECT_EQ(r.written, 1);
    EXPECT_EQ(ReadFile(f.dst.File("older.png")), "src");
    EXPECT_EQ(ReadFile(f.dst.File("newer.png")), "dst");
    EXPECT_EQ(ReadFile(f.dst.File("same.png")), "dst");
    // The replaced copy carries the source's time, so a second run keeps it.
    EXPECT_EQ(vkfotest::Mtime(f.dst.File("older.png")), 1500000000);
}

TEST(Paste, MoveWritesThenRemovesTheSourceAndKeepsSkippedFiles)
{
    PasteFixture f;
    WriteFile(f.src.File("a.tga"), "a");
    WriteFile(f.src.File("b.tga"), "b");
    WriteFile(f.dst.File("b.tga"), "old b");
    PasteResult r = f.Run({"a.tga", "b.tga"}, OverwritePolicy::Skip, false);
    EXPECT_EQ(r.written, 1);
    EXPECT_EQ(List(f.src.Path()), std::vector<std::string>{"b.tga"});
    EXPECT_EQ(ReadFile(f.dst.File("a.tga")), "a");
    EXPECT_EQ(ReadFile(f.dst.File("b.tga")), "old b");

    r = f.Run({"b.tga"}, OverwritePolicy::Rename, false);
    EXPECT_EQ(r.writtenNames, std::vector<std::string>{"b_2.tga"});
    EXPECT_TRUE(List(f.src.Path()).empty());

    // Across file systems: copied, flushed, then the source is removed.
    vkfotest::SmallMount other("8m");
    if (!other.Ok())
        GTEST_SKIP() << "no tmpfs mount allowed here";
    vkfotest::MakeFile(f.src.File("big.pcx"), 5 << 20);
    const std::string bytes = ReadFile(f.src.File("big.pcx"));
    PasteRequest req = f.Request({"big.pcx"}, OverwritePolicy::Ask, false);
    req.destinationDir = other.Path();
    r = RunPaste(req, f.Hooks());
    EXPECT_EQ(r.written, 1);
    EXPECT_EQ(ReadFile(other.File("big.pcx")), bytes);
    EXPECT_FALSE(FileExists(f.src.File("big.pcx")));
    EXPECT_GE(f.percents.size(), 3u);
    EXPECT_EQ(f.percents.back(), 100);
}

TEST(Paste, FailuresAreReportedAndTheRunGoesOn)
{
    PasteFixture f;
    WriteFile(f.src.File("here.bmp"), "here");
    PasteResult r = f.Run({"gone.bmp", "here.bmp"}, OverwritePolicy::Ask);
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(r.written, 1);
    ASSERT_EQ(f.messages.size(), 1u);
    EXPECT_EQ(f.messages[0].rfind("Can't copy " + f.src.File("gone.bmp") + "\n", 0), 0u);

    // The rename loop ends, naming the file, when the destination refuses
    // new files (no endless search for a free name).
    f.messages.clear();
    if (!vkfotest::LockFolder(f.dst.Path(), true))
        GTEST_SKIP() << "folders cannot be locked here";
    r = f.Run({"here.bmp"}, OverwritePolicy::Rename);
    vkfotest::LockFolder(f.dst.Path(), false);
    EXPECT_EQ(r.failed, 1);
    ASSERT_EQ(f.messages.size(), 1u);
    EXPECT_NE(f.messages[0].find(f.src.File("here.bmp")), std::string::npos);
    EXPECT_EQ(List(f.dst.Path()), std::vector<std::string>{"here.bmp"});
}

TEST(Paste, FullDestinationLeavesSourcesIntact)
{
    PasteFixture f;
    vkfotest::SmallMount small("1m");
    if (!small.Ok())
        GTEST_SKIP() << "no tmpfs mount allowed here";
    vkfotest::MakeFile(f.src.File("one.ras"), 700 << 10);
    vkfotest::MakeFile(f.src.File("two.ras"), 700 << 10);
    PasteRequest req = f.Request({"one.ras", "two.ras"}, OverwritePolicy::Ask, false);
    req.destinationDir = small.Path();
    const PasteResult r = RunPaste(req, f.Hooks());
    EXPECT_EQ(r.written, 1);
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(List(small.Path()), std::vector<std::string>{"one.ras"});
    EXPECT_EQ(List(f.src.Path()), std::vector<std::string>{"two.ras"});
    EXPECT_EQ(ReadFile(f.src.File("two.ras")).size(), size_t(700 << 10));
}

TEST(Paste, ProgressAndCancel)
{
    PasteFixture f;
    for (const char* n : {"e1", "e2", "e3"})
        WriteFile(f.src.File(n), "");
    PasteResult r = f.Run({"e1", "e2", "e3"}, OverwritePolicy::Ask);
    EXPECT_EQ(r.written, 3);
    EXPECT_EQ(f.percents, std::vector<int>{0}); // a total of 0 bytes stays at 0
    EXPECT_EQ(f.shown, (std::vector<std::string>{"e1", "e2", "e3"}));

    // Cancel within the first chunk of a large file: nothing of it remains,
    // and later files are not touched.
    vkfotest::MakeFile(f.src.File("big"), 24 << 20);
    WriteFile(f.src.File("small"), "s");
    PasteHooks hooks = f.Hooks();
    int checks = 0;
    hooks.aborted = [&] { return ++checks > 2; };
    r = RunPaste(f.Request({"big", "small"}, OverwritePolicy::Ask), hooks);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.written, 0);
    EXPECT_EQ(List(f.dst.Path()), (std::vector<std::string>{"e1", "e2", "e3"}));
}

TEST(Paste, WorkerRunsTheJobAndReportsToItsOwner)
{
    PasteFixture f;
    WriteFile(f.src.File("a.bmp"), "a");
    WriteFile(f.dst.File("a.bmp"), "old");
    QObject owner;
    CPasteThread worker(&owner);
    PasteHooks hooks = f.Hooks();
    // The question goes to the owner's thread, as the dialog does it.
    hooks.confirmReplace = [&](const ReplaceQuestion& q) {
        return worker.AskOwner<ReplaceReply>(
            [&f, q] {
                f.questions.push_back(q);
                return ReplaceReply{ReplaceAnswer::Replace, ""};
            },
            ReplaceReply{ReplaceAnswer::Cancel, ""});
    };
    std::atomic<bool> done{false};
    PasteResult result;
    worker.SetJob({f.Request({"a.bmp"}, OverwritePolicy::Ask), hooks, [&](const PasteResult& r) {
                       result = r;
                       worker.PostToOwner([&] { done = true; });
                   }});
    worker.Start();
    worker.PostCommand(CThread::CmdJob);
    ASSERT_TRUE(vkfotest::WaitFor([&] { return done.load(); }));
    EXPECT_EQ(result.written, 1);
    EXPECT_EQ(f.questions.size(), 1u);
    EXPECT_EQ(ReadFile(f.dst.File("a.bmp")), "a");
    EXPECT_EQ(CThread::ClassLockCount("CPasteThread"), 1);
}

TEST(Paste, EachCopyHasItsNameBeforeTheNextFileStarts)
{
    PasteFixture f;
    std::vector<std::string> names;
    for (int i = 0; i < 12; ++i) {
        names.push_back("s" + std::to_string(i) + ".pgm");
        WriteFile(f.src.File(names.back()), std::to_string(i));
    }
    // A clash in the middle: a source named like a number is not lost.
    WriteFile(f.src.File("a.bmp"), "new a");
    WriteFile(f.src.File("a_2.bmp"), "source a_2");
    WriteFile(f.dst.File("a.bmp"), "old a");
    names.insert(names.begin() + 6, {"a.bmp", "a_2.bmp"});

    // What the destination holds as each file starts: every earlier copy
    // under its name, no copy waiting unnamed for a later flush.
    std::vector<std::vector<std::string>> seen;
    PasteHooks hooks = f.Hooks();
    hooks.showName = [&](const std::string&) { seen.push_back(List(f.dst.Path())); };
    const PasteResult r = RunPaste(f.Request(names, OverwritePolicy::Rename), hooks);
    EXPECT_EQ(r.written, 14);
    ASSERT_EQ(seen.size(), 14u);
    for (size_t i = 0; i < seen.size(); ++i)
        EXPECT_EQ(seen[i].size(), i + 1) << i;
    EXPECT_EQ(r.writtenNames[6], "a_2.bmp");
    EXPECT_EQ(r.writtenNames[7], "a_2_2.bmp");
    EXPECT_EQ(ReadFile(f.dst.File("a_2_2.bmp")), "source a_2");
    EXPECT_EQ(List(f.dst.Path()).size(), 15u);

    // A cancel keeps the copies completed before it.
    PasteFixture g;
    for (int i = 0; i < 20; ++i)
        WriteFile(g.src.File("k" + std::to_string(i)), "k");
    std::vector<std::string> some;
    for (int i = 0; i < 20; ++i)
        some.push_back("k" + std::to_string(i));
    hooks = g.Hooks();
    int checks = 0;
    hooks.aborted = [&] { return ++checks > 25; };
    const PasteResult c = RunPaste(g.Request(some, OverwritePolicy::Ask), hooks);
    EXPECT_TRUE(c.cancelled);
    EXPECT_GT(c.written, 0);
    EXPECT_LT(c.written, 20);
    EXPECT_EQ(List(g.dst.Path()).size(), size_t(c.written));
}

TEST(Paste, VanishedDestinationStopsTheRunWithOneMessage)
{
    PasteFixture f;
    std::vector<std::string> names;
    for (int i = 0; i < 5; ++i) {
        names.push_back("v" + std::to_string(i) + ".png");
        WriteFile(f.src.File(names.back()), "v");
    }
    PasteHooks hooks = f.Hooks();
    int started = 0;
    std::vector<std::string> failures;
    hooks.failed = [&](const std::string& text) { failures.push_back(text); };
    hooks.showName = [&](const std::string&) {
        if (++started == 2)
            vktest::Run("rm -rf " + vktest::Quote(f.dst.Path()));
    };
    const PasteResult r = RunPaste(f.Request(names, OverwritePolicy::Ask), hooks);
    ::mkdir(f.dst.Path().c_str(), 0700);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.written, 1);
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(started, 2);
    EXPECT_TRUE(failures.empty());
    EXPECT_EQ(f.messages, std::vector<std::string>{"The folder " + f.dst.Path() +
                                                   " no longer exists.\nNothing more is copied."});
    EXPECT_EQ(List(f.src.Path()).size(), 5u);
}
