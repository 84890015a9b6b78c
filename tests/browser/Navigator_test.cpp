// The navigator model alone: entering and recording folders, recovering
// from a vanished one, the start folder and the recent folders.
#include "TestSupport.h"
#include "browser/FileList.h"
#include "browser/Navigator.h"
#include "platform/Folders.h"

#include <gtest/gtest.h>

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

TEST_F(NavigatorTest, EnteringAndRecording)
{
    ASSERT_TRUE(CNavigator::Enter(root.Path()));
    EXPECT_FALSE(CNavigator::Enter(""));
    EXPECT_FALSE(CNavigator::Enter(root.File("missing")));
    EXPECT_EQ(vkplatform::WorkingDirectory(), root.Path()) << "a failed enter changes nothing";

    ASSERT_TRUE(CNavigator::Enter(root.File("a/")));
    nav.Record(root.File("a/"));
    EXPECT_EQ(files.GetCurrentDir(), root.File("a")) << "no trailing separator";
    nav.Record(root.File("a/b"));
    EXPECT_EQ(files.GetPreviousDir(), root.File("a"));
    EXPECT_EQ(files.GetCurrentDir(), root.File("a/b"));

    EXPECT_TRUE(vknav::SameDir(root.File("a/"), root.File("a")));
    EXPECT_FALSE(vknav::SameDir(root.File("A"), root.File("a"))) << "case counts";
}

TEST_F(NavigatorTest, RecoveringFromAVanishedFolder)
{
    ASSERT_TRUE(CNavigator::Enter(root.File("a/b/c")));
    nav.Record(root.File("a/b"));
    nav.Record(root.File("a/b/c"));
    EXPECT_EQ(nav.EnterCurrentOrNearest(), CNavigator::Recovery::Same);
    EXPECT_EQ(files.GetPreviousDir(), root.File("a/b")) << "nothing recorded when the folder is there";

    // Two levels vanish at once: the walk skips both.
    fs::remove_all(root.File("a/b"));
    EXPECT_EQ(nav.EnterCurrentOrNearest(), CNavigator::Recovery::Moved);
    EXPECT_EQ(files.GetCurrentDir(), root.File("a"));
    EXPECT_EQ(files.GetPreviousDir(), root.File("a/b/c"));
    EXPECT_EQ(vkplatform::WorkingDirectory(), root.File("a"));

    EXPECT_EQ(vknav::EnterNearestAncestor("/"), "") << "the walk ends at the root";
    EXPECT_EQ(vknav::EnterNearestAncestor(""), "");
    EXPECT_EQ(vknav::EnterNearestAncestor(root.File("a/x/y/z")), root.File("a"));
}

TEST_F(NavigatorTest, TheStartFolder)
{
    ASSERT_TRUE(CNavigator::Enter(root.Path()));
    // The start-up file's folder wins over home.
    EXPECT_EQ(nav.EnterStart(root.File("a/b/pic.bmp"), true, root.File("a")), root.File("a/b"));
    EXPECT_EQ(files.GetCurrentDir(), root.File("a/b"));
    // Its folder missing: start-up fails and nothing is recorded.
    EXPECT_EQ(nav.EnterStart(root.File("gone/pic.bmp"), false, ""), "");
    EXPECT_EQ(files.GetCurrentDir(), root.File("a/b"));

    CFileList other;
    CNavigator fresh(other);
    ASSERT_TRUE(CNavigator::Enter(root.Path()));
    EXPECT_EQ(fresh.EnterStart("", true, root.File("a")), root.File("a"));
    ASSERT_TRUE(CNavigator::Enter(root.Path()));
    EXPECT_EQ(fresh.EnterStart("", false, root.File("a")), root.Path()) << "home only when asked for";
    EXPECT_EQ(fresh.EnterStart("", true, root.File("missing")), root.Path()) << "a missing home is passed over";
}

TEST_F(NavigatorTest, RecentFoldersAreNeverRepeated)
{
    nav.SetRecentFolders({root.File("a"), root.File("a/b")});
    nav.Record(root.File("a/b/c"));
    EXPECT_EQ(nav.AddRecentFolder(), 2u);
    nav.Record(root.File("a/"));
    EXPECT_EQ(nav.AddRecentFolder(), 0u);
    nav.Record(root.File("a/b/c"));
    EXPECT_EQ(nav.AddRecentFolder(), 2u);
    EXPECT_EQ(nav.RecentFolders().size(), 3u);
    EXPECT_EQ(nav.FindRecentFolder(root.File("a/b/")), 1);
    EXPECT_EQ(nav.FindRecentFolder(root.File("z")), -1);
}
