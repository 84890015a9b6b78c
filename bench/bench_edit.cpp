// Every edit operation on a 6000 x 4000 (24 MP) picture, undo snapshot
// included, as the window runs it. Figures are source pixels per second;
// bench/compare_edit.sh sets them beside ImageMagick and libvips.
#include "TestSupport.h"
#include "engine/edit/PictureEx.h"

#include <benchmark/benchmark.h>

#include <functional>

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

const CWinBmp& Source()
{
    static CWinBmp bmp;
    if (bmp.GetWidth() != kWidth)
        vktest::MakeTestPicture(bmp, kWidth, kHeight);
    return bmp;
}

// Gray levels only, so that Contrast finds few colours and does its work.
const CWinBmp& GraySource()
{
    static CWinBmp bmp;
    if (bmp.GetWidth() != kWidth) {
        bmp.Create(kWidth, kHeight, 32, false);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                bmp.GetLine32(y)[x] = MakePixel(uint8_t(x + y), uint8_t(x + y), uint8_t(x + y));
    }
    return bmp;
}

void Run(benchmark::State& state, const std::function<void(CPictureEx&)>& op,
         const CWinBmp& source = Source())
{
    CPictureEx pic;
    for (auto _ : state) {
        state.PauseTiming();
        pic.CopyFrom(source);
        state.ResumeTiming();
        op(pic);
        benchmark::DoNotOptimize(pic.GetPixels());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kWidth) * kHeight);
}

#define EDIT_BENCH(name, ...)                                                                                \
    void BM_##name(benchmark::State& state)                                                                  \
    {                                                                                                        \
        Run(state, __VA_ARGS__);                                                                             \
    }                                                                                                        \
    BENCHMARK(BM_##name)->Unit(benchmark::kMillisecond)->MinTime(1.0)

EDIT_BENCH(Invert, [](CPictureEx& p) { p.Invert(); });
EDIT_BENCH(SwapRedBlue, [](CPictureEx& p) { p.SwapRedBlue(); });
EDIT_BENCH(Brightness, [](CPictureEx& p) { p.AdjustBrightness(30); });
EDIT_BENCH(
    Contrast, [](CPictureEx& p) { p.AdjustContrast(30); }, GraySource());
EDIT_BENCH(Gamma, [](CPictureEx& p) { p.AdjustGamma(1.5); });
EDIT_BENCH(ColorBalance, [](CPictureEx& p) { p.AdjustColorBalance(10, -20, 30); });
EDIT_BENCH(GrayShades, [](CPictureEx& p) { p.ToGrayShades(); });
EDIT_BENCH(FlipHorizontal, [](CPictureEx& p) { p.FlipLines(); });
EDIT_BENCH(FlipVertical, [](CPictureEx& p) { p.FlipColumns(); });
EDIT_BENCH(Transpose, [](CPictureEx& p) { p.Transpose(); });
EDIT_BENCH(Rotate90, [](CPictureEx& p) { p.Rotate(90, RotateMedium); });
EDIT_BENCH(Rotate180, [](CPictureEx& p) { p.Rotate(180, RotateMedium); });
EDIT_BENCH(Rotate30Low, [](CPictureEx& p) { p.Rotate(30, RotateLow); });
EDIT_BENCH(Rotate30Medium, [](CPictureEx& p) { p.Rotate(30, RotateMedium); });
EDIT_BENCH(Rotate30High, [](CPictureEx& p) { p.Rotate(30, RotateHigh); });
EDIT_BENCH(Shear30, [](CPictureEx& p) { p.Shear(30, ShearUpLeft, true); });
EDIT_BENCH(CanvasGrow, [](CPictureEx& p) { p.CanvasSize(kWidth + 200, kHeight + 200, AnchorCenter); });
EDIT_BENCH(ResizeBoxHalf, [](CPictureEx& p) { p.Resize(kWidth / 2, kHeight / 2); });
EDIT_BENCH(ResizeBilinearDown, [](CPictureEx& p) { p.Resize(kWidth * 3 / 4, kHeight * 5 / 4); });
EDIT_BENCH(ResizeBilinearUp, [](CPictureEx& p) { p.Resize(kWidth * 3 / 2, kHeight * 3 / 2); });
EDIT_BENCH(CountColors, [](CPictureEx& p) { benchmark::DoNotOptimize(p.CountColors()); });

} // namespace
