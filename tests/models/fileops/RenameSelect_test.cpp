// Rename, Rename Series, Make Directory and the group selection criteria.
#include "FileOpsTestSupport.h"
#include "models/fileops/Rename.h"
#include "models/fileops/SelectGroup.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace vkfileops;
using vkfotest::List;
using vktest::FileExists;
using vktest::ReadFile;
using vktest::TempDir;
using vktest::WriteFile;

TEST(Rename, FileKeepsItsExtensionAndNeverReplaces)
{
    TempDir dir;
    WriteFile(dir.File("holiday.JPG"), "h");
    WriteFile(dir.File("taken.JPG"), "t");
    std::string newName;
    EXPECT_EQ(RenameFilePrompt("holiday"), "Rename 'holiday' to");
    EXPECT_EQ(RenameFileKeepingExtension(dir.Path(), "holiday.JPG", "trip", newName), RenameOutcome::Ok);
    EXPECT_EQ(newName, "trip.JPG");
    EXPECT_EQ(ReadFile(dir.File("trip.JPG")), "h");

    EXPECT_EQ(RenameFileKeepingExtension(dir.Path(), "trip.JPG", "taken", newName), RenameOutcome::Exists);
    EXPECT_EQ(ReadFile(dir.File("taken.JPG")), "t");
    EXPECT_EQ(ReadFile(dir.File("trip.JPG")), "h");
    // Differing only in case is another name here: allowed when free,
    // refused when taken.
    EXPECT_EQ(RenameFileKeepingExtension(dir.Path(), "trip.JPG", "Taken", newName), RenameOutcome::Ok);
    EXPECT_EQ(RenameFileKeepingExtension(dir.Path(), "Taken.JPG", "taken", newName), RenameOutcome::Exists);
    EXPECT_EQ(RenameFileKeepingExtension(dir.Path(), "Taken.JPG", "Taken", newName), RenameOutcome::Ok);
    EXPECT_EQ(List(dir.Path()), (std::vector<std::string>{"Taken.JPG", "taken.JPG"}));

    for (const char* bad : {"", "a/b", ".."})
        EXPECT_EQ(RenameFileKeepingExtension(dir.Path(), "Taken.JPG", bad, newName), RenameOutcome::Invalid)
            << bad;
    EXPECT_EQ(RenameFileKeepingExtension(dir.Path(), "gone.JPG", "x", newName), RenameOutcome::Failed);
    EXPECT_EQ(List(dir.Path()), (std::vector<std::string>{"Taken.JPG", "taken.JPG"}));
}

TEST(Rename, DirectoryNeverReplacesAndMakeDirectory)
{
    TempDir dir;
    std::string error;
    EXPECT_TRUE(MakeDirectory(dir.Path(), "pics", &error)) << error;
    EXPECT_FALSE(MakeDirectory(dir.Path(), "pics", &error));
    EXPECT_FALSE(MakeDirectory(dir.Path(), "a/b", &error));
    EXPECT_FALSE(MakeDirectory(dir.Path(), "", &error));
    EXPECT_TRUE(MakeDirectory(dir.Path(), "other"));
    WriteFile(dir.File("pics/p.png"), "p");

    EXPECT_EQ(RenameDirectoryPrompt("pics"), "Rename the directory 'pics' to");
    std::string newPath;
    EXPECT_EQ(RenameDirectory(dir.File("pics"), "other", newPath), RenameOutcome::Exists);
    EXPECT_EQ(ReadFile(dir.File("pics/p.png")), "p");
    EXPECT_EQ(RenameDirectory(dir.File("pics"), "Pics", newPath), RenameOutcome::Ok);
    EXPECT_EQ(newPath, dir.File("Pics"));
    EXPECT_EQ(ReadFile(dir.File("Pics/p.png")), "p");
    EXPECT_EQ(RenameDirectory("/", "x", newPath), RenameOutcome::Invalid);
    EXPECT_EQ(List(dir.Path()), (std::vector<std::string>{"Pics", "other"}));
}

TEST(Rename, SeriesSkipsTakenNumbers)
{
    using Plan = std::vector<std::pair<std::string, std::string>>;
    // Over existing numbered names: img2 is taken, so the series goes on.
    const std::vector<std::string> list = {"a.bmp", "b.gif", "c.png", "img2.tif"};
    EXPECT_EQ(PlanRenameSeries(list, list, "img"),
              (Plan{{"a.bmp", "img1.bmp"}, {"b.gif", "img3.gif"}, {"c.png", "img4.png"}}));
    // A file that already has its number keeps it; the others continue.
    const std::vector<std::string> list2 = {"a.bmp", "IMG1.bmp", "c.png"};
    EXPECT_EQ(PlanRenameSeries(list2, list2, "img"), (Plan{{"a.bmp", "img2.bmp"}, {"c.png", "img3.png"}}));
    // Selected files only: unselected numbered names still use up numbers.
    EXPECT_EQ(PlanRenameSeries(list, {"c.png"}, "img"), (Plan{{"c.png", "img1.png"}}));
    EXPECT_EQ(PlanRenameSeries({"x1.png", "y.png"}, {"y.png"}, "x"), (Plan{{"y.png", "x2.png"}}));

    // Carried out: a name taken by a file outside the list is not replaced.
    TempDir dir;
    for (const char* n : {"a.bmp", "b.gif", "c.png", "img2.tif"})
        WriteFile(dir.File(n), n);
    WriteFile(dir.File("img3.gif"), "not listed");
    EXPECT_EQ(RunRenameSeries(dir.Path(), PlanRenameSeries(list, list, "img")), 2);
    EXPECT_EQ(List(dir.Path()),
              (std::vector<std::string>{"b.gif", "img1.bmp", "img2.tif", "img3.gif", "img4.png"}));
    EXPECT_EQ(ReadFile(dir.File("img3.gif")), "not listed");
    EXPECT_EQ(ReadFile(dir.File("b.gif")), "b.gif");
}

namespace {

struct Entry {
    std::string name;
    uint64_t size;
    int64_t mtime;
};

StatusReader ReaderFor(const std::vector<Entry>& entries)
{
    return [entries](const std::string& name, uint64_t& size, int64_t& mtime) {
        for (const auto& e : entries)
            if (e.name == name) {
                size = e.size;
                mtime = e.mtime;
                return true;
            }
        return false;
    };
}

std::vector<std::string> Names(const std::vector<Entry>& entries)
{
    std::vector<std::string> names;
    for (const auto& e : entries)
        names.push_back(e.name);
    return names;
}

} // namespace

TEST(SelectGroup, ChecksOfTheDialog)
{
    GroupCriteria c;
    EXPECT_EQ(ValidateGroupCriteria(c), "");
    EXPECT_FALSE(AnyCriterion(c));
    c.useSize = true;
    c.sizeNumber = 0;
    EXPECT_EQ(ValidateGroupCriteria(c), "Please enter a value between 1 and 2147483647 for file size.");
    c.sizeNumber = 2147483648ull;
    EXPECT_EQ(ValidateGroupCriteria(c), "Please enter a value between 1 and 2147483647 for file size.");
    c.sizeNumber = 2147483647ull;
    EXPECT_EQ(ValidateGroupCriteria(c), "");
    c.useDate = true;
    c.fromYear = 1969;
    EXPECT_EQ(ValidateGroupCriteria(c), "Please enter a value between 1970 and 2037.");
    c.fromYear = 2000;
    c.toYear = 2038;
    EXPECT_EQ(ValidateGroupCriteria(c), "Please enter a value between 1970 and 2037.");
    c.toYear = 2037;
    EXPECT_EQ(ValidateGroupCriteria(c), "");
    // The classic nineteen keep their places; the others follow, sorted too.
    ASSERT_GT(GroupExtensions().size(), 19u);
    EXPECT_TRUE(std::is_sorted(GroupExtensions().begin(), GroupExtensions().begin() + 19));
    EXPECT_TRUE(std::is_sorted(GroupExtensions().begin() + 19, GroupExtensions().end()));
    EXPECT_EQ(GroupExtensions()[7], "jpg");
    EXPECT_EQ(GroupExtensions()[18], "tif");
}

TEST(SelectGroup, EveryCriterion)
{
    const int64_t y2001 = GroupDateTime(2001, 6, 1);
    const std::vector<Entry> files = {
        {"a.jpg", 100, y2001},   {"B.JPG", 5000, y2001},       {"c.png", 1023, GroupDateTime(1999, 1, 1)},
        {"d.jpeg", 1024, y2001}, {"e.tif", 5ull << 30, y2001}, {"noext", 10, y2001},
    };
    const auto names = Names(files);
    const auto status = ReaderFor(files);
    const std::vector<bool> none(files.size(), false);

    GroupCriteria c;
    c.useExtension = true;
    c.extension = "jpg";
    EXPECT_EQ(ApplyGroup(c, false, names, {false, false, true, true, false, false}, status),
              (std::vector<bool>{true, true, false, false, false, false}));
    c.extension = "jpeg"; // offered after the classic choices
    EXPECT_EQ(ApplyGroup(c, false, names, none, status),
              (std::vector<bool>{false, false, false, true, false, false}));

    // Smaller than 1 KB, added to what was selected.
    c = GroupCriteria{};
    c.useSize = true;
    c.sizeOperator = 1;
    c.sizeUnit = 1;
    c.expandSelection = true;
    EXPECT_EQ(ApplyGroup(c, false, names, {false, false, false, false, true, false}, status),
              (std::vector<bool>{true, false, true, false, true, true}));
    c.sizeOperator = 0; // exactly 1 KB
    c.expandSelection = false;
    EXPECT_EQ(ApplyGroup(c, false, names, none, status),
              (std::vector<bool>{false, false, false, true, false, false}));
    // Above 4 GB: 4096 MB is more than 32 bits hold.
    c.sizeOperator = 2;
    c.sizeUnit = 2;
    c.sizeNumber = 4096;
    EXPECT_EQ(GroupSizeBytes(c), 4ull << 30);
    EXPECT_EQ(ApplyGroup(c, false, names, none, status),
              (std::vector<bool>{false, false, false, false, true, false}));
    c.sizeOperator = 0;
    c.sizeNumber = 5120;
    EXPECT_EQ(ApplyGroup(c, false, names, none, status),
              (std::vector<bool>{false, false, false, false, true, false}));

    // Dates: strictly between; an empty range selects nothing.
    c = GroupCriteria{};
    c.useDate = true;
    EXPECT_EQ(ApplyGroup(c, false, names, none, status), none);
    c.fromYear = 2000;
    c.toYear = 2002;
    EXPECT_EQ(ApplyGroup(c, false, names, none, status),
              (std::vector<bool>{true, true, false, true, true, true}));
    EXPECT_FALSE(MatchesGroup(c, "x", 1, GroupDateTime(2000, 1, 1)));
    EXPECT_TRUE(MatchesGroup(c, "x", 1, GroupDateTime(2000, 1, 1) + 1));

    // All criteria together; Unselect Group acts on the selected only.
    c.useExtension = true;
    c.extension = "jpg";
    c.useSize = true;
    c.sizeOperator = 2;
    c.sizeUnit = 0;
    c.sizeNumber = 1000;
    EXPECT_EQ(ApplyGroup(c, false, names, none, status),
              (std::vector<bool>{false, true, false, false, false, false}));
    EXPECT_EQ(ApplyGroup(c, true, names, {true, true, true, false, false, false}, status),
              (std::vector<bool>{true, false, true, false, false, false}));

    // No criterion: nothing changes. Unreadable entries never match.
    const std::vector<bool> some = {true, false, true, false, true, false};
    EXPECT_EQ(ApplyGroup(GroupCriteria{}, false, names, some, status), some);
    EXPECT_EQ(ApplyGroup(GroupCriteria{}, true, names, some, status), some);
    c = GroupCriteria{};
    c.useSize = true;
    c.sizeOperator = 2;
    EXPECT_EQ(ApplyGroup(c, false, {"gone.bmp"}, {true}, status), std::vector<bool>{false});
}

TEST(SelectGroup, SparseFilesAbove4GBOnDisk)
{
    TempDir dir;
    const int fd = ::open(dir.File("huge.tif").c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    const bool sparse = ::ftruncate(fd, off_t(5) << 30) == 0;
    ::close(fd);
    if (!sparse)
        GTEST_SKIP() << "no sparse files here";
    WriteFile(dir.File("small.tif"), "s");
    StatusReader status = [&](const std::string& name, uint64_t& size, int64_t& mtime) {
        struct stat st {};
        if (::stat(dir.File(name).c_str(), &st) != 0)
            return false;
        size = uint64_t(st.st_size);
        mtime = st.st_mtime;
        return true;
    };
    GroupCriteria c;
    c.useSize = true;
    c.sizeOperator = 2;
    c.sizeUnit = 2;
    c.sizeNumber = 4096;
    EXPECT_EQ(ApplyGroup(c, false, {"huge.tif", "small.tif"}, {false, true}, status),
              (std::vector<bool>{true, false}));
}
