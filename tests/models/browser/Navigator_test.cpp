// The navigator model alone: entering and recording folders, recovering
// from a vanished one, the start folder and the recent folders.
#include "TestSupport.h"
#include "models/browser/FileList.h"
#include "models/browser/Navigator.h"
#include "models/platform/Folders.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

class NavigatorTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        m_old = vkplatform::WorkingDirectory();
        fs::create_directories(root.File("a/b/c"));
    }
    void TearDown() override { vkplatform::EnterDirectory(m_old); }

    vktest::TempDir root;
    CFileList files;
    CNavigator nav{files};

  private:
    std::string m_old;
};

} // namespace

// The frame's tests walk the common paths (Back, "..", refresh after a
// deletion, start-up, recent folders); these are the edges they do not reach.
TEST_F(NavigatorTest, EdgesOfEnteringRecordingAndRecovering)
{
    ASSERT_TRUE(CNavigator::Enter(root.Path()));
    EXPECT_FALSE(CNavigator::Enter(""));
    EXPECT_FALSE(CNavigator::Enter(root.File("missing")));
    EXPECT_EQ(vkplatform::WorkingDirectory(), root.Path()) << "a failed enter changes nothing";
    nav.Record(root.File("a/"));
    EXPECT_EQ(files.GetCurrentDir(), root.File("a")) << "no trailing separator";
    EXPECT_TRUE(vknav::SameDir(root.File("a/"), root.File("a")));
    EXPECT_FALSE(vknav::SameDir(root.File("A"), root.File("a"))) << "case counts";

    // The folder is still there: nothing recorded.
    ASSERT_TRUE(CNavigator::Enter(root.File("a/b/c")));
    nav.Record(root.File("a/b/c"));
    EXPECT_EQ(nav.EnterCurrentOrNearest(), CNavigator::Recovery::Same);
    EXPECT_EQ(files.GetPreviousDir(), root.File("a"));
    EXPECT_EQ(vknav::EnterNearestAncestor("/"), "") << "the walk ends at the root";
    EXPECT_EQ(vknav::EnterNearestAncestor(""), "");
    EXPECT_EQ(vknav::EnterNearestAncestor(root.File("a/x/y/z")), root.File("a"));

    // Home only when asked for, and a missing home is passed over.
    CFileList other;
    CNavigator fresh(other);
    ASSERT_TRUE(CNavigator::Enter(root.Path()));
    EXPECT_EQ(fresh.EnterStart("", false, root.File("a")), root.Path());
    EXPECT_EQ(fresh.EnterStart("", true, root.File("missing")), root.Path());

    // A recent folder given with a trailing separator is the same folder.
    nav.SetRecentFolders({root.File("a"), root.File("a/b")});
    nav.Record(root.File("a/"));
    EXPECT_EQ(nav.AddRecentFolder(), 0u);
    EXPECT_EQ(nav.FindRecentFolder(root.File("a/b/")), 1);
    EXPECT_EQ(nav.FindRecentFolder(root.File("z")), -1);
}

TEST(NavigatorPaths, TypedPathsBecomeCleanAbsolutePaths)
{
    EXPECT_EQ(vknav::ResolveTypedPath("  /pics/2024/  ", "/home/u", "/home/u"), "/pics/2024");
    EXPECT_EQ(vknav::ResolveTypedPath("2024/../2023", "/pics", "/home/u"), "/pics/2023");
    EXPECT_EQ(vknav::ResolveTypedPath("..", "/pics", "/home/u"), "/");
    EXPECT_EQ(vknav::ResolveTypedPath("~", "/pics", "/home/u"), "/home/u");
    EXPECT_EQ(vknav::ResolveTypedPath("~/Pictures", "/pics", "/home/u"), "/home/u/Pictures");
    // A name that starts with "~" is a name.
    EXPECT_EQ(vknav::ResolveTypedPath("~old", "/pics", "/home/u"), "/pics/~old");
    EXPECT_EQ(vknav::ResolveTypedPath("//pics//x", "/", "/home/u"), "/pics/x");
    EXPECT_EQ(vknav::ResolveTypedPath("   ", "/pics", "/home/u"), "");
}

TEST(ViewerNeighbour, TheFileItselfElseTheNextElseThePrevious)
{
    const std::vector<std::string> before = {"a", "b", "c", "d"};
    EXPECT_EQ(vknav::NeighbourAfterRefill(before, 1, {"a", "b", "c", "d", "e"}), 1);
    EXPECT_EQ(vknav::NeighbourAfterRefill(before, 1, {"a", "d"}), 1) << "b and c went: d";
    EXPECT_EQ(vknav::NeighbourAfterRefill(before, 3, {"a", "b"}), 1) << "the end went: b";
    EXPECT_EQ(vknav::NeighbourAfterRefill(before, 2, {"x", "y"}), 0) << "nothing old is left";
    EXPECT_EQ(vknav::NeighbourAfterRefill(before, 2, {}), -1);
}

TEST(UnreadableFolder, SaysWhichFolderAndWhy)
{
    vktest::TempDir dir;
    EXPECT_EQ(vknav::FolderReadProblem(dir.Path()), "");
    vktest::WriteFile(dir.File("file"), "x");
    EXPECT_EQ(vknav::FolderReadProblem(dir.File("file")),
              "Cannot read the folder " + dir.File("file") + ": " + std::strerror(ENOTDIR) + ".");
    EXPECT_EQ(vknav::UnreadableFolderText("/a", EACCES), "Cannot read the folder /a: Permission denied.");
}
