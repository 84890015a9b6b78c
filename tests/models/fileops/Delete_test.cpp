// Delete runs: the questions, deleting for good, into the trash, links,
// refusing folders, cancel, and the worker.
#include "FileOpsTestSupport.h"
#include "ScopedEnv.h"
#include "models/fileops/Delete.h"

#include <gtest/gtest.h>

using namespace vkfileops;
using vkfotest::List;
using vktest::FileExists;
using vktest::ReadFile;
using vktest::TempDir;
using vktest::WriteFile;

namespace {

struct DeleteFixture {
    TempDir dir;
    std::vector<std::string> messages;
    std::vector<int> percents;
    std::vector<std::string> shown;

    DeleteHooks Hooks()
    {
        DeleteHooks h;
        h.message = [this](const std::string& t) { messages.push_back(t); };
        h.progress = [this](int p) { percents.push_back(p); };
        h.showName = [this](const std::string& n) { shown.push_back(n); };
        return h;
    }
    DeleteRequest Request(std::vector<std::string> names, bool trash)
    {
        DeleteRequest r;
        r.dir = dir.Path();
        r.names = std::move(names);
        r.useRecycleBin = trash;
        for (const auto& n : r.names)
            r.totalSize += ReadFile(dir.File(n)).size();
        return r;
    }
};

} // namespace

TEST(Delete, QuestionsFollowTheTwoSettings)
{
    EXPECT_EQ(DeleteQuestion(1, true, false), "Do you really want to delete the 1 selected file?\n\n");
    EXPECT_EQ(DeleteQuestion(1, false, true), "");
    EXPECT_EQ(DeleteQuestion(5, false, true), "Do you really want to delete the 5 selected files?\n\n");
    EXPECT_EQ(DeleteQuestion(5, true, false), "");
    EXPECT_EQ(DeleteQuestion(0, true, true), "");
}

TEST(Delete, ForGoodFileByFileWithProgress)
{
    DeleteFixture f;
    std::vector<std::string> names;
    for (int i = 0; i < 5; ++i) {
        names.push_back("e" + std::to_string(i) + ".bmp");
        WriteFile(f.dir.File(names.back()), "");
    }
    DeleteResult r = RunDelete(f.Request(names, false), f.Hooks());
    EXPECT_EQ(r.deleted, 5);
    EXPECT_TRUE(List(f.dir.Path()).empty());
    EXPECT_EQ(f.percents, std::vector<int>(6, 0)); // all empty: the bar stays at 0
    EXPECT_EQ(f.shown, names);

    vkfotest::MakeFile(f.dir.File("a.bmp"), 300);
    vkfotest::MakeFile(f.dir.File("b.bmp"), 100);
    f.percents.clear();
    r = RunDelete(f.Request({"a.bmp", "b.bmp"}, false), f.Hooks());
    EXPECT_EQ(f.percents, (std::vector<int>{0, 75, 100}));
    EXPECT_TRUE(f.messages.empty());

    // A link is deleted itself; what it points to stays.
    WriteFile(f.dir.File("target.png"), "t");
    ASSERT_EQ(::symlink("target.png", f.dir.File("link.png").c_str()), 0);
    r = RunDelete(f.Request({"link.png"}, false), f.Hooks());
    EXPECT_EQ(r.deleted, 1);
    EXPECT_EQ(List(f.dir.Path()), std::vector<std::string>{"target.png"});
}

TEST(Delete, RefusedFileGivesOneMessageAndTheRunGoesOn)
{
    DeleteFixture f;
    ::mkdir(f.dir.File("locked").c_str(), 0755);
    WriteFile(f.dir.File("locked/x.bmp"), "x");
    WriteFile(f.dir.File("y.bmp"), "y");
    if (!vkfotest::LockFolder(f.dir.File("locked"), true))
        GTEST_SKIP() << "folders cannot be locked here";
    const DeleteResult r = RunDelete(f.Request({"locked/x.bmp", "y.bmp"}, false), f.Hooks());
    vkfotest::LockFolder(f.dir.File("locked"), false);
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(r.deleted, 1);
    ASSERT_EQ(f.messages.size(), 1u);
    EXPECT_EQ(f.messages[0], "Can't delete " + f.dir.File("locked/x.bmp") + "\nThis is a read-only file.");
    EXPECT_TRUE(FileExists(f.dir.File("locked/x.bmp")));
    EXPECT_FALSE(FileExists(f.dir.File("y.bmp")));
}

TEST(Delete, IntoTheTrash)
{
    DeleteFixture f;
    TempDir data;
    vktest::ScopedEnv env({"XDG_DATA_HOME"});
    vktest::ScopedEnv::Set("XDG_DATA_HOME", data.Path());
    WriteFile(f.dir.File("photo.jpg"), "jpeg bytes");
    WriteFile(f.dir.File("target.png"), "t");
    ASSERT_EQ(::symlink("target.png", f.dir.File("link.png").c_str()), 0);

    const DeleteResult r = RunDelete(f.Request({"photo.jpg", "link.png"}, true), f.Hooks());
    EXPECT_EQ(r.deleted, 2) << (f.messages.empty() ? "" : f.messages[0]);
    EXPECT_EQ(List(f.dir.Path()), std::vector<std::string>{"target.png"});

    const std::string trash = data.File("Trash");
    EXPECT_EQ(ReadFile(trash + "/files/photo.jpg"), "jpeg bytes");
    const std::string info = ReadFile(trash + "/info/photo.jpg.trashinfo");
    EXPECT_EQ(info.rfind("[Trash Info]\n", 0), 0u) << info;
    EXPECT_NE(info.find("\nPath=" + f.dir.File("photo.jpg") + "\n"), std::string::npos) << info;
    EXPECT_NE(info.find("\nDeletionDate=20"), std::string::npos) << info;
    // The link went into the trash as a link.
    struct stat st {};
    ASSERT_EQ(::lstat((trash + "/files/link.png").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFile(f.dir.File("target.png")), "t");

    // A file that is gone gives the trash's message.
    f.messages.clear();
    DeleteRequest gone = f.Request({}, true);
    gone.names = {"gone.jpg"};
    EXPECT_EQ(RunDelete(gone, f.Hooks()).failed, 1);
    EXPECT_EQ(f.messages, std::vector<std::string>{"Can't delete " + f.dir.File("gone.jpg") +
                                                   "\nThe file does not exist."});
}

TEST(Delete, WithoutATrashOnTheirDriveFilesGoForGoodOnlyWhenTheUserSaysSo)
{
    TempDir data;
    vktest::ScopedEnv env({"XDG_DATA_HOME"});
    vktest::ScopedEnv::Set("XDG_DATA_HOME", data.Path());
    vkfotest::SmallMount disk("1m");
    if (!disk.Ok())
        GTEST_SKIP() << "no tmpfs mount allowed here";
    // The drive's trash folder cannot be made: a file holds its name.
    WriteFile(disk.File(".Trash-" + std::to_string(::geteuid())), "");
    DeleteFixture f;
    std::vector<std::string> questions;
    bool yes = false;
    DeleteHooks hooks = f.Hooks();
    hooks.confirm = [&](const std::string& q) {
        questions.push_back(q);
        return yes;
    };
    DeleteRequest request;
    request.dir = disk.Path();
    request.names = {"1.png", "2.png"};
    for (const auto& n : request.names)
        WriteFile(disk.File(n), n);

    DeleteResult r = RunDelete(request, hooks);
    EXPECT_EQ(r.kept, 2);
    EXPECT_EQ(r.deleted, 0);
    ASSERT_EQ(questions.size(), 1u); // once a run
    EXPECT_EQ(questions[0].rfind("Can't move " + disk.File("1.png") + " to the trash.\n", 0), 0u)
        << questions[0];
    EXPECT_NE(questions[0].find("Delete it and the other files without a trash for good?"),
              std::string::npos);
    EXPECT_TRUE(f.messages.empty());
    EXPECT_EQ(List(disk.Path()).size(), 3u);

    yes = true;
    questions.clear();
    r = RunDelete(request, hooks);
    EXPECT_EQ(r.deleted, 2);
    EXPECT_EQ(questions.size(), 1u);
    EXPECT_EQ(List(disk.Path()).size(), 1u);
    EXPECT_TRUE(List(data.File("Trash/files")).empty()); // never copied home
}

TEST(Delete, CancelAndTheWorker)
{
    DeleteFixture f;
    for (const char* n : {"1.bmp", "2.bmp", "3.bmp"})
        WriteFile(f.dir.File(n), n);
    DeleteHooks hooks = f.Hooks();
    int checks = 0;
    hooks.aborted = [&] { return ++checks > 1; };
    DeleteResult r = RunDelete(f.Request({"1.bmp", "2.bmp", "3.bmp"}, false), hooks);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.deleted, 1);
    EXPECT_EQ(List(f.dir.Path()), (std::vector<std::string>{"2.bmp", "3.bmp"}));

    QObject owner;
    std::atomic<bool> done{false};
    {
        CDeleteThread worker(&owner);
        worker.SetJob({f.Request({"2.bmp", "3.bmp"}, false), f.Hooks(), [&](const DeleteResult& res) {
                           if (res.deleted == 2)
                               worker.PostToOwner([&] { done = true; });
                       }});
        worker.Start();
        worker.PostCommand(CThread::CmdJob);
        vkfotest::WaitFor([&] { return done.load(); });
    }
    EXPECT_TRUE(done);
    EXPECT_TRUE(List(f.dir.Path()).empty());
    EXPECT_EQ(CThread::ClassLockCount("CDeleteThread"), 0);
}
