// The window's place and pane sizes: the file beside the settings, and what
// is dropped when it cannot be right for the screens there are now.
#include "ScopedEnv.h"
#include "TestSupport.h"
#include "models/settings/Settings.h"
#include "models/settings/WindowState.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

} // namespace

TEST(WindowState, KeptBesideTheSettingsAndReadBack)
{
    vktest::TempDir config;
    vktest::ScopedEnv env({"VELKOR_CONFIG_DIR"});
    vktest::ScopedEnv::Set("VELKOR_CONFIG_DIR", config.Path());
    EXPECT_EQ(CWindowState::FilePath(), config.File("window.ini"));

    CWindowState none;
    EXPECT_FALSE(none.Load());
    EXPECT_TRUE(none.maximised) << "maximised the first time, as always";
    EXPECT_TRUE(none.geometry.isNull());

    CWindowState state;
    state.geometry = QRect(-20, 30, 900, 640); // a little off the left edge is fine
    state.maximised = false;
    state.dirListWidth = 211;
    state.fileListWidth = 333;
    state.propertiesHeight = 150;
    state.colourManaged = false;
    state.thumbnails = true;
    state.thumbnailSize = 256;
    ASSERT_TRUE(state.Save());
    EXPECT_EQ(ReadAll(config.File("window.ini")),
              "x=-20\ny=30\nwidth=900\nheight=640\nmaximised=0\ndirListWidth=211\nfileListWidth=333\n"
              "propertiesHeight=150\ncolourManaged=0\nthumbnails=1\nthumbnailSize=256\ngridWidth=600\n");
    EXPECT_FALSE(std::filesystem::exists(CSettings::SettingsPath())) << "vk.set is not touched";

    CWindowState read;
    ASSERT_TRUE(read.Load());
    EXPECT_EQ(read.geometry, state.geometry);
    EXPECT_FALSE(read.maximised);
    EXPECT_EQ(read.dirListWidth, 211);
    EXPECT_EQ(read.fileListWidth, 333);
    EXPECT_EQ(read.propertiesHeight, 150);
    EXPECT_FALSE(read.colourManaged);
    EXPECT_TRUE(CWindowState().colourManaged) << "on unless switched off";
    EXPECT_TRUE(read.thumbnails);
    EXPECT_EQ(read.thumbnailSize, 256);
    EXPECT_FALSE(CWindowState().thumbnails) << "the list of names unless the grid was chosen";
}

TEST(WindowState, DamagedLinesAndUnreasonableValuesFallBack)
{
    CWindowState state;
    // Half a geometry is none; junk and unknown keys are skipped; CRLF is read.
    state.FromText("x=10\r\ny=zz\nwidth=800\nheight=600\nbogus\nmaximised=0\ndirListWidth=12x\n"
                   "fileListWidth=300\nfuture=1\nthumbnailSize=200\n");
    EXPECT_TRUE(state.geometry.isNull());
    EXPECT_FALSE(state.maximised);
    EXPECT_EQ(state.dirListWidth, CWindowState().dirListWidth);
    EXPECT_EQ(state.fileListWidth, 300);
    state.Validate({QRect(0, 0, 1920, 1080)});
    EXPECT_EQ(state.thumbnailSize, 128) << "the grid has 128 and 256 only";

    const std::vector<QRect> screens = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    auto validated = [&screens](QRect geometry) {
        CWindowState s;
        s.geometry = geometry;
        s.Validate(screens);
        return s.geometry;
    };
    EXPECT_EQ(validated(QRect(100, 100, 800, 600)), QRect(100, 100, 800, 600));
    EXPECT_EQ(validated(QRect(2000, 50, 1000, 700)), QRect(2000, 50, 1000, 700)) << "on the second screen";
    EXPECT_EQ(validated(QRect(-700, 100, 800, 600)), QRect(-700, 100, 800, 600))
        << "its right part is caught";
    // A monitor unplugged, a title bar above the screens, sizes out of reason.
    EXPECT_TRUE(validated(QRect(3500, 100, 800, 600)).isNull());
    EXPECT_TRUE(validated(QRect(100, -400, 800, 600)).isNull());
    EXPECT_TRUE(validated(QRect(100, 1070, 800, 600)).isNull());
    EXPECT_TRUE(validated(QRect(0, 0, 50, 40)).isNull());
    EXPECT_TRUE(validated(QRect(0, 0, 9000, 700)).isNull());

    CWindowState panes;
    panes.dirListWidth = -5;
    panes.fileListWidth = 1 << 30;
    panes.propertiesHeight = 0;
    panes.Validate({});
    EXPECT_EQ(panes.dirListWidth, CWindowState().dirListWidth);
    EXPECT_EQ(panes.fileListWidth, CWindowState().fileListWidth);
    EXPECT_EQ(panes.propertiesHeight, CWindowState().propertiesHeight);
}
