// Geometry operations: sizes and offsets, exact agreement with ImageMagick
// for flips, transpose and the 90-degree steps, and rotations that land the
// content where ImageMagick's does.
#include "EditTestHelpers.h"
#include "engine/edit/GeometryOps.h"
#include "engine/picture/TextException.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace edittest;

namespace {

bool HasImageMagick()
{
    return vktest::HasProgram("convert");
}

// A picture whose every pixel is distinct, so any misplaced pixel shows.
void Numbered(CBmp& bmp, int width, int height)
{
    bmp.Create(width, height, 32, false);
    bmp.SetSourceBitsPerPixel(24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bmp.GetLine32(y)[x] = MakePixel(uint8_t(x), uint8_t(y), uint8_t(x * 7 + y * 13));
}

// Centre of the dark blue disc of MakeSmoothPicture.
void DiscCentre(const Pixels& p, double& cx, double& cy)
{
    double sx = 0, sy = 0, n = 0;
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            if (Blue(p.At(x, y)) < 95) {
                sx += x + 0.5;
                sy += y + 0.5;
                ++n;
            }
        }
    }
    cx = n ? sx / n : -1;
    cy = n ? sy / n : -1;
}

bool IsWhite(uint32_t p)
{
    return (p & 0xFFFFFF) == 0xFFFFFF;
}

} // namespace

TEST(GeometryFlipsAndTurns, MatchImageMagickExactly)
{
    if (!HasImageMagick())
        GTEST_SKIP() << "ImageMagick is not installed";
    CPictureEx pic;
    const std::pair<int, int> sizes[] = {{37, 23}, {64, 130}, {1, 5}};
    for (auto [w, h] : sizes) {
        CWinBmp original;
        vktest::MakeTestPicture(original, w, h, unsigned(w));
        auto run = [&](auto op) {
            pic.CopyFrom(original);
            op();
            return Ours(pic);
        };
        EXPECT_EQ(run([&] { pic.FlipLines(); }), ImageMagickResult(original, "-flip")) << w;
        EXPECT_EQ(run([&] { pic.FlipColumns(); }), ImageMagickResult(original, "-flop")) << w;
        EXPECT_EQ(run([&] { pic.Transpose(); }), ImageMagickResult(original, "-transpose")) << w;
        // Quarter turns are exact at every quality, High included (no border).
        for (int quality : {RotateLow, RotateMedium, RotateHigh}) {
            EXPECT_EQ(run([&] { pic.Rotate(90, quality); }), ImageMagickResult(original, "-rotate 90")) << w;
            EXPECT_EQ(run([&] { pic.Rotate(180, quality); }), ImageMagickResult(original, "-rotate 180"))
                << w;
            EXPECT_EQ(run([&] { pic.Rotate(270, quality); }), ImageMagickResult(original, "-rotate 270"))
                << w;
        }
    }
}

TEST(GeometryFlipsAndTurns, SizesResultsAndRoundTrips)
{
    CPictureEx pic;
    Numbered(pic, 3, 2);
    CWinBmp original;
    original.CopyFrom(pic);
    // Transposing twice, and 90 clockwise then undo, give the picture back;
    // the result says whether the size changed.
    EXPECT_EQ(pic.Transpose(), 1);
    EXPECT_EQ(pic.GetWidth(), 2);
    EXPECT_EQ(pic.GetHeight(), 3);
    EXPECT_EQ(pic.Transpose(), 1);
    EXPECT_EQ(Ours(pic), Ours(original));
    // 90 clockwise twice is 180.
    pic.Rotate(90, RotateLow);
    pic.Rotate(90, RotateLow);
    CWinBmp twice;
    twice.CopyFrom(pic);
    pic.CopyFrom(original);
    EXPECT_EQ(pic.Rotate(180, RotateLow), 0);
    EXPECT_EQ(Ours(pic), Ours(twice));
    // A fourth byte travels with its pixel.
    pic.Create(2, 1, 32, true);
    pic.GetLine32(0)[0] = MakePixel(1, 2, 3, 4);
    pic.GetLine32(0)[1] = MakePixel(5, 6, 7, 8);
    pic.FlipColumns();
    EXPECT_EQ(pic.GetLine32(0)[0], MakePixel(5, 6, 7, 8));
}

TEST(GeometryRotate, StepAndResidualTable)
{
    const struct {
        int angle, step, residual;
    } cases[] = {
        {1, 0, -1},      {45, 0, -45},  {46, 90, 44},    {90, 90, 0},    {135, 90, -45},
        {136, 180, 44},  {180, 180, 0}, {225, 180, -45}, {226, 270, 44}, {270, 270, 0},
        {315, 270, -45}, {316, 0, 44},  {330, 0, 30},    {359, 0, 1},
    };
    for (auto c : cases) {
        RotationSplit s = SplitRotation(c.angle);
        EXPECT_EQ(s.step, c.step) << c.angle;
        EXPECT_EQ(s.residual, c.residual) << c.angle;
    }
}

TEST(GeometryRotate, ThreeShearSizes)
{
    for (int quality : {RotateLow, RotateMedium, RotateHigh}) {
        CPictureEx pic;
        Fill(pic, 100, 100, MakePixel(0, 0, 0));
        EXPECT_EQ(pic.Rotate(45, quality), 1);
        EXPECT_EQ(pic.GetWidth(), 144) << quality;
        EXPECT_EQ(pic.GetHeight(), 143) << quality;
        EXPECT_TRUE(IsWhite(pic.GetLine32(0)[0])) << "white corners";
        EXPECT_TRUE(IsWhite(pic.GetLine32(142)[143]));
        EXPECT_EQ(pic.GetLine32(71)[72] & 0xFFFFFF, 0u) << "black middle";
    }
    CPictureEx wide;
    Fill(wide, 200, 100, MakePixel(0, 0, 0));
    wide.Rotate(30, RotateLow);
    EXPECT_EQ(wide.GetWidth(), 224);
    EXPECT_EQ(wide.GetHeight(), 188);
}

TEST(GeometryRotate, HighStaysNearTheBoundingBoxAtEveryAngle)
{
    const std::pair<int, int> sizes[] = {{100, 100}, {200, 100}, {31, 77}};
    for (auto [w, h] : sizes) {
        for (int angle = 1; angle <= 359; ++angle) {
            const double t = DegreesToRadians(angle);
            const double boxW = w * std::fabs(std::cos(t)) + h * std::fabs(std::sin(t));
            const double boxH = w * std::fabs(std::sin(t)) + h * std::fabs(std::cos(t));
            PictureSize s = HighRotationSize(w, h, angle);
            EXPECT_LE(s.width, boxW + 4) << w << "x" << h << " at " << angle;
            EXPECT_LE(s.height, boxH + 4) << w << "x" << h << " at " << angle;
            EXPECT_GE(s.width, boxW - 1) << w << "x" << h << " at " << angle;
            EXPECT_GE(s.height, boxH - 1) << w << "x" << h << " at " << angle;
        }
    }
    // Near half a turn the content is still all there: 179 degrees of a
    // numbered picture keeps almost every pixel.
    CPictureEx pic;
    Numbered(pic, 60, 40);
    pic.Rotate(179, RotateHigh);
    int covered = 0;
    for (int y = 0; y < pic.GetHeight(); ++y)
        for (int x = 0; x < pic.GetWidth(); ++x)
            covered += !IsWhite(pic.GetLine32(y)[x]);
    EXPECT_GT(covered, 60 * 40 * 95 / 100);
}

TEST(GeometryRotate, ArbitraryAnglesLandWhereImageMagickPutsThem)
{
    if (!HasImageMagick())
        GTEST_SKIP() << "ImageMagick is not installed";
    CWinBmp original;
    MakeSmoothPicture(original, 160, 100);
    for (int angle : {30, 100, 200, 330}) {
        Pixels reference = ImageMagickResult(original, "-background white -rotate " + std::to_string(angle));
        ASSERT_GT(reference.width, 0);
        for (int quality : {RotateLow, RotateMedium, RotateHigh}) {
            CPictureEx pic;
            pic.CopyFrom(original);
            pic.Rotate(angle, quality);
            Pixels ours = Ours(pic);
            EXPECT_LE(std::abs(ours.width - reference.width), 4) << angle;
            EXPECT_LE(std::abs(ours.height - reference.height), 4) << angle;
            const int w = std::min(ours.width, reference.width) - 8;
            const int h = std::min(ours.height, reference.height) - 8;
            double psnr = vktest::Psnr(CentreCrop(ours, w, h), CentreCrop(reference, w, h));
            // Without anti-aliasing every sharp edge is jagged.
            EXPECT_GT(psnr, quality == RotateLow ? 20 : 25) << angle << " degrees, quality " << quality;
            // The disc's centre lands where ImageMagick puts it, measured
            // from the picture's centre. Low truncates each of its three
            // shifts, which moves content by up to half a pixel per pass.
            const double tolerance = quality == RotateLow ? 2.5 : 1.0;
            double ox, oy, rx, ry;
            DiscCentre(ours, ox, oy);
            DiscCentre(reference, rx, ry);
            EXPECT_NEAR(ox - ours.width / 2.0, rx - reference.width / 2.0, tolerance)
                << angle << " " << quality;
            EXPECT_NEAR(oy - ours.height / 2.0, ry - reference.height / 2.0, tolerance)
                << angle << " " << quality;
        }
    }
}

TEST(GeometryRotate, AntiAliasingBlendsEdgesOnly)
{
    CPictureEx low, medium;
    Fill(low, 50, 50, MakePixel(0, 0, 0));
    medium.CopyFrom(low);
    low.Rotate(20, RotateLow);
    medium.Rotate(20, RotateMedium);
    ASSERT_EQ(low.GetWidth(), medium.GetWidth());
    int lowGrays = 0, mediumGrays = 0;
    for (int y = 0; y < low.GetHeight(); ++y) {
        for (int x = 0; x < low.GetWidth(); ++x) {
            uint32_t a = low.GetLine32(y)[x] & 0xFFFFFF, b = medium.GetLine32(y)[x] & 0xFFFFFF;
            lowGrays += a != 0 && a != 0xFFFFFF;
            mediumGrays += b != 0 && b != 0xFFFFFF;
        }
    }
    EXPECT_EQ(lowGrays, 0) << "without anti-aliasing only black and white";
    EXPECT_GT(mediumGrays, 50);
    EXPECT_EQ(low.GetLine32(low.GetHeight() / 2)[low.GetWidth() / 2] & 0xFFFFFF, 0u);
    EXPECT_EQ(medium.GetLine32(medium.GetHeight() / 2)[medium.GetWidth() / 2] & 0xFFFFFF, 0u);
}

TEST(GeometryShear, WidthsAndLineShifts)
{
    EXPECT_EQ(ShearWidth(100, 50, 45), 150);
    EXPECT_EQ(ShearWidth(100, 50, 30), 129);

    CPictureEx pic;
    Numbered(pic, 100, 50);
    CWinBmp original;
    original.CopyFrom(pic);
    EXPECT_EQ(pic.Shear(45, ShearDownLeft, false), 1);
    ASSERT_EQ(pic.GetWidth(), 150);
    // Down-Left: line y starts trunc(tan 45 x y) pixels in; tan 45 is just
    // below 1, so line 10 starts at 9.
    EXPECT_EQ(pic.GetLine32(0)[0], original.GetLine32(0)[0]);
    EXPECT_TRUE(IsWhite(pic.GetLine32(10)[8]));
    EXPECT_EQ(pic.GetLine32(10)[9], original.GetLine32(10)[0]);
    EXPECT_EQ(pic.GetLine32(10)[108], original.GetLine32(10)[99]);
    EXPECT_TRUE(IsWhite(pic.GetLine32(10)[109]));

    // Up-Left: the top line moves furthest.
    pic.CopyFrom(original);
    pic.Shear(30, ShearUpLeft, false);
    const int top = int(std::tan(DegreesToRadians(30)) * 50);
    EXPECT_EQ(pic.GetLine32(0)[top], original.GetLine32(0)[0]);
    EXPECT_EQ(pic.GetLine32(49)[0], original.GetLine32(49)[0]);

    // Angles outside 1..89 do nothing at all.
    pic.CopyFrom(original);
    pic.ClearEditState();
    EXPECT_EQ(pic.Shear(0, ShearUpLeft, true), 0);
    EXPECT_EQ(pic.Shear(90, ShearUpLeft, true), 0);
    EXPECT_FALSE(pic.IsModified());
    EXPECT_EQ(Ours(pic), Ours(original));
}

TEST(GeometryShear, AntiAliasingBlendsWithTheBackground)
{
    CPictureEx pic;
    Fill(pic, 10, 4, MakePixel(0, 0, 0));
    pic.Shear(30, ShearDownLeft, true);
    const double s = std::tan(DegreesToRadians(30)) * 3; // line 3
    const int start = int(s);
    const int f = int((s - start) * 4096);
    const int edge = (255 * f + 2048) / 4096;          // first pixel
    const int tail = (255 * (4096 - f) + 2048) / 4096; // pixel after the run
    EXPECT_EQ(Red(pic.GetLine32(3)[start]), edge);
    EXPECT_EQ(Red(pic.GetLine32(3)[start + 5]), 0);
    EXPECT_EQ(Red(pic.GetLine32(3)[start + 10]), tail);
    EXPECT_EQ(Fourth(pic.GetLine32(3)[start + 10]), 255);
}

TEST(GeometryCanvas, AnchorsCropAndGrowWithWhite)
{
    CPictureEx pic;
    Numbered(pic, 100, 100);
    CWinBmp original;
    original.CopyFrom(pic);

    EXPECT_EQ(pic.CanvasSize(50, 50, AnchorCenter), 1);
    EXPECT_EQ(pic.GetLine32(0)[0], original.GetLine32(25)[25]);
    EXPECT_EQ(pic.GetLine32(49)[49], original.GetLine32(74)[74]);
    pic.Undo();
    pic.CanvasSize(50, 50, AnchorTopLeft);
    EXPECT_EQ(pic.GetLine32(49)[49], original.GetLine32(49)[49]);
    pic.Undo();
    pic.CanvasSize(50, 50, AnchorBottomRight);
    EXPECT_EQ(pic.GetLine32(0)[0], original.GetLine32(50)[50]);
    pic.Undo();

    // Growing: offsets per anchor, new area white.
    const struct {
        int anchor, ox, oy;
    } cases[] = {
        {AnchorCenter, 5, 10},     {AnchorTopLeft, 0, 0},       {AnchorTopCenter, 5, 0},
        {AnchorTopRight, 11, 0},   {AnchorMiddleLeft, 0, 10},   {AnchorMiddleRight, 11, 10},
        {AnchorBottomLeft, 0, 21}, {AnchorBottomCenter, 5, 21}, {AnchorBottomRight, 11, 21},
    };
    for (auto c : cases) {
        pic.CopyFrom(original);
        ASSERT_EQ(pic.CanvasSize(111, 121, c.anchor), 1);
        EXPECT_EQ(pic.GetLine32(c.oy)[c.ox], original.GetLine32(0)[0]) << c.anchor;
        EXPECT_EQ(pic.GetLine32(c.oy + 99)[c.ox + 99], original.GetLine32(99)[99]) << c.anchor;
        int white = 0;
        for (int y = 0; y < 121; ++y)
            for (int x = 0; x < 111; ++x)
                white += pic.GetLine32(y)[x] == kBackgroundPixel;
        EXPECT_EQ(white, 111 * 121 - 100 * 100) << c.anchor;
    }
    // Same size: nothing moves, and the size result is 0.
    pic.CopyFrom(original);
    EXPECT_EQ(pic.CanvasSize(100, 100, AnchorBottomRight), 0);
    EXPECT_EQ(Ours(pic), Ours(original));
}

TEST(GeometryResize, BoxAveragesWhenBothSidesShrink)
{
    CPictureEx pic;
    Numbered(pic, 100, 100);
    CWinBmp original;
    original.CopyFrom(pic);
    EXPECT_EQ(pic.Resize(50, 50), 1);
    for (int y : {0, 17, 49}) {
        for (int x : {0, 31, 49}) {
            uint32_t p = pic.GetLine32(y)[x];
            for (int shift : {0, 8, 16}) {
                int sum = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx)
                        sum += int(original.GetLine32(2 * y + dy)[2 * x + dx] >> shift & 0xFF);
                EXPECT_EQ(int(p >> shift & 0xFF), sum / 2 / 2) << x << "," << y;
            }
        }
    }
    if (!HasImageMagick())
        return;
    // ImageMagick's box filter at exactly half rounds where we truncate.
    CWinBmp smooth;
    MakeSmoothPicture(smooth, 120, 90);
    pic.CopyFrom(smooth);
    pic.Resize(60, 45);
    Pixels ref = ImageMagickResult(smooth, "-filter Box -resize 60x45!");
    Pixels ours = Ours(pic);
    ASSERT_EQ(ref.width, 60);
    for (size_t i = 0; i < ours.data.size(); ++i)
        for (int shift : {0, 8, 16})
            ASSERT_LE(std::abs(int(ours.data[i] >> shift & 0xFF) - int(ref.data[i] >> shift & 0xFF)), 1) << i;
}

TEST(GeometryResize, BilinearOtherwiseCloseToImageMagick)
{
    if (!HasImageMagick())
        GTEST_SKIP() << "ImageMagick is not installed";
    CWinBmp smooth;
    MakeSmoothPicture(smooth, 100, 100);
    const std::pair<int, int> sizes[] = {{200, 50}, {250, 230}, {100, 300}};
    for (auto [w, h] : sizes) {
        CPictureEx pic;
        pic.CopyFrom(smooth);
        EXPECT_EQ(pic.Resize(w, h), 1);
        Pixels ref = ImageMagickResult(smooth, "-filter Triangle -resize " + std::to_string(w) + "x" +
                                                   std::to_string(h) + "!");
        EXPECT_GT(vktest::Psnr(Ours(pic), ref), 28) << w << "x" << h;
    }
    // The same size is the identity, and growing keeps the last line and
    // column: they are not replaced by their neighbours.
    CPictureEx numbered;
    Numbered(numbered, 9, 7);
    CWinBmp before;
    before.CopyFrom(numbered);
    EXPECT_EQ(numbered.Resize(9, 7), 0);
    EXPECT_EQ(Ours(numbered), Ours(before));
    numbered.Resize(18, 14);
    EXPECT_EQ(numbered.GetLine32(12)[16], before.GetLine32(6)[8]);
    EXPECT_EQ(numbered.GetLine32(13)[17], before.GetLine32(6)[8]);
    EXPECT_EQ(numbered.GetLine32(0)[0], before.GetLine32(0)[0]);

    // Growing a uniform picture keeps it uniform, to the last line and column.
    CPictureEx flat;
    Fill(flat, 3, 1, MakePixel(10, 200, 30));
    flat.Resize(7, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            ASSERT_EQ(flat.GetLine32(y)[x], MakePixel(10, 200, 30)) << x << "," << y;
}

TEST(GeometryResize, RefusesAnglesAndSizesThatCannotBeMade)
{
    CPictureEx pic;
    Numbered(pic, 20, 10);
    CWinBmp original;
    original.CopyFrom(pic);
    pic.ClearEditState();
    EXPECT_EQ(pic.Rotate(0, RotateHigh), -1);
    EXPECT_EQ(pic.Rotate(360, RotateLow), -1);
    const std::pair<int, int> bad[] = {{0, 5}, {5, 0}, {-3, 5}, {1 << 20, 1 << 20}};
    for (auto [w, h] : bad) {
        EXPECT_THROW(pic.Resize(w, h), CTextException) << w << "x" << h;
        EXPECT_THROW(pic.CanvasSize(w, h, AnchorCenter), CTextException) << w << "x" << h;
    }
    EXPECT_THROW(pic.CanvasSize(5, 5, 9), CTextException);
    EXPECT_FALSE(pic.IsModified());
    EXPECT_EQ(Ours(pic), Ours(original));
}
