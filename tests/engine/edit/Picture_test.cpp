// The fit-to-window rule at its edges: smaller than the window, an exact
// fit, slivers and extreme aspect ratios, empty pictures and windows.
#include "engine/edit/Picture.h"

#include <gtest/gtest.h>

namespace {

constexpr FitRule kFit{.shrink = true, .enlarge = true};
constexpr FitRule kLoad{.shrink = true, .enlarge = true, .tenfoldLimit = true};

PictureSize Size(int w, int h)
{
    return {w, h};
}

} // namespace

TEST(ChooseDisplaySize, SmallerLargerAndExactFits)
{
    const PictureSize window{800, 600};
    // Smaller in both directions: enlarged to fit, or kept without enlarging.
    EXPECT_EQ(ChooseDisplaySize(Size(400, 200), window, kFit), Size(800, 400));
    EXPECT_EQ(ChooseDisplaySize(Size(400, 200), window, {.shrink = true}), Size(400, 200));
    // Larger in one direction: shrunk, or kept without shrinking.
    EXPECT_EQ(ChooseDisplaySize(Size(1600, 600), window, kFit), Size(800, 300));
    EXPECT_EQ(ChooseDisplaySize(Size(1600, 600), window, {.enlarge = true}), Size(1600, 600));
    EXPECT_EQ(ChooseDisplaySize(Size(1000, 6000), window, kFit), Size(100, 600));
    // Exactly the window, or touching it in one direction: its own size
    // (or, after an edit, the size it had).
    EXPECT_EQ(ChooseDisplaySize(window, window, kLoad), window);
    EXPECT_EQ(ChooseDisplaySize(Size(800, 10), window, kLoad), Size(800, 10));
    EXPECT_EQ(ChooseDisplaySize(Size(10, 600), window, kLoad), Size(10, 600));
    EXPECT_EQ(ChooseDisplaySize(Size(800, 10), window, kLoad, true, Size(55, 44)), Size(55, 44));
    EXPECT_EQ(ChooseDisplaySize(Size(400, 200), window, kFit, true, Size(55, 44)), Size(800, 400))
        << "a picture that does not touch is fitted as at load";
    // Neither rule: always its own size.
    EXPECT_EQ(ChooseDisplaySize(Size(4000, 3000), window, {}), Size(4000, 3000));
}

TEST(ChooseDisplaySize, EnlargingStopsAtTenTimes)
{
    const PictureSize window{800, 600};
    EXPECT_EQ(ChooseDisplaySize(Size(16, 12), window, kLoad), Size(160, 120));
    EXPECT_EQ(ChooseDisplaySize(Size(16, 12), window, kFit), Size(800, 600));
    EXPECT_EQ(ChooseDisplaySize(Size(80, 60), window, kLoad), Size(800, 600)) << "exactly ten times";
    // The limit follows the enlarged width, so a narrow picture keeps its shape.
    EXPECT_EQ(ChooseDisplaySize(Size(1, 50), window, kLoad), Size(10, 500));
}

TEST(ChooseDisplaySize, SliversAndExtremeAspectRatios)
{
    const PictureSize window{800, 600};
    // Shrunk so far that a side would round to nothing: one pixel stays.
    EXPECT_EQ(ChooseDisplaySize(Size(1, 100000), window, kFit), Size(1, 600));
    EXPECT_EQ(ChooseDisplaySize(Size(100000, 1), window, kFit), Size(800, 1));
    EXPECT_EQ(ChooseDisplaySize(Size(2000000, 3), window, kFit), Size(800, 1));
    // A one-pixel-wide picture as tall as the window is shown as it is.
    EXPECT_EQ(ChooseDisplaySize(Size(1, 600), window, kFit), Size(1, 600));
    EXPECT_EQ(ChooseDisplaySize(Size(1, 1), window, kFit), Size(600, 600));
    EXPECT_EQ(ChooseDisplaySize(Size(1, 1), Size(1, 1), kFit), Size(1, 1));
    // The largest sides the engine makes: nearly square, so the height binds.
    EXPECT_EQ(ChooseDisplaySize(Size(1000000, 999999), window, kFit), Size(600, 600));
}

TEST(ChooseDisplaySize, EmptyWindowsAndPicturesKeepTheirSize)
{
    for (const PictureSize window : {Size(0, 0), Size(0, 600), Size(800, 0), Size(-5, 600)})
        EXPECT_EQ(ChooseDisplaySize(Size(400, 300), window, kLoad), Size(400, 300))
            << window.width << "x" << window.height;
    EXPECT_EQ(ChooseDisplaySize(Size(0, 0), Size(800, 600), kLoad), Size(0, 0));
    EXPECT_EQ(ChooseDisplaySize(Size(0, 300), Size(800, 600), kLoad), Size(0, 300));
}
