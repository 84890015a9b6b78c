// Writing a 12 MP picture as BMP, PPM, PGM, Sun raster, Targa and GIF; the
// histogram and median cut of a photo-like picture; GIF LZW alone.
// Figures are megapixels per second.
#include "TestSupport.h"
#include "engine/save/ColorHash.h"
#include "engine/save/LzwEncoder.h"
#include "engine/save/SaveDispatch.h"

#include <benchmark/benchmark.h>
#include <cmath>

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr double kMegapixels = kWidth * double(kHeight) / 1e6;

// Smooth shading with sensor-like noise: well over 800000 colours.
const CWinBmp& Photo()
{
    static CWinBmp* bmp = [] {
        auto* p = new CWinBmp;
        p->Create(kWidth, kHeight, 32, false);
        p->SetSourceBitsPerPixel(24);
        unsigned state = 99;
        for (int y = 0; y < kHeight; ++y) {
            uint32_t* line = p->GetLine32(y);
            for (int x = 0; x < kWidth; ++x) {
                state = state * 1103515245u + 12345u;
                const int noise = int(state >> 28) - 8;
                auto channel = [noise](double v) { return uint8_t(std::clamp(int(v) + noise, 0, 255)); };
                line[x] = MakePixel(channel(128 + 110 * std::sin(x / 410.0 + y / 800.0)),
                                    channel(120 + 100 * std::sin(y / 350.0 - x / 900.0)),
                                    channel(110 + 90 * std::cos((x + y) / 600.0)));
            }
        }
        return p;
    }();
    return *bmp;
}

// At most 256 colours, so 8-bit writers skip the median cut.
const CWinBmp& Paletted()
{
    static CWinBmp* bmp = [] {
        auto* p = new CWinBmp;
        vktest::MakePaletteTestPicture(*p, kWidth, kHeight, 1);
        for (int y = 0; y < kHeight; ++y) {
            uint32_t* line = p->GetLine32(y);
            for (int x = 0; x < kWidth; ++x) {
                const int i = (x / 16 + y / 16 * 7) % 200;
                line[x] = MakePixel(uint8_t(i * 37), uint8_t(i * 91 + 13), uint8_t(i * 5));
            }
        }
        return p;
    }();
    return *bmp;
}

void Report(benchmark::State& state)
{
    state.counters["MP/s"] =
        benchmark::Counter(kMegapixels * double(state.iterations()), benchmark::Counter::kIsRate);
}

void Write(benchmark::State& state, int code, int depth, bool rle, bool photo)
{
    vktest::TempDir dir;
    CWinBmp& bmp = const_cast<CWinBmp&>(photo ? Photo() : Paletted());
    SaveParameters p;
    p.depth = depth;
    p.rle = rle;
    const std::string path = dir.File(std::string("out.") + SaveExtensionOf(code));
    for (auto _ : state)
        SavePicture(code, path, bmp, p);
    Report(state);
}

void BM_Histogram(benchmark::State& state)
{
    Photo();
    for (auto _ : state)
        benchmark::DoNotOptimize(ComputeColorHistogram(Photo(), kMedianCutColorLimit));
    Report(state);
}

void BM_MedianCut(benchmark::State& state)
{
    CWinBmp out;
    out.Create(kWidth, kHeight, 32, false);
    Photo();
    for (auto _ : state)
        MedianCutReduce(Photo(), out, 256);
    Report(state);
}

void BM_GifLzw(benchmark::State& state)
{
    // Indices of the 200-colour picture, in rows.
    std::vector<uint8_t> indices(size_t(kWidth) * kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            indices[size_t(y) * kWidth + size_t(x)] = uint8_t((x / 16 + y / 16 * 7) % 200 ^ (x * y & 3));
    size_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        CGifLzwEncoder lzw(8, [&bytes](const uint8_t*, size_t n) { bytes += n; });
        lzw.Write(indices.data(), indices.size());
        lzw.Finish();
    }
    state.counters["ratio"] = double(indices.size()) / double(bytes);
    Report(state);
}

} // namespace

BENCHMARK(BM_Histogram)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MedianCut)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifLzw)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Write, bmp24, kSaveBmp, 24, false, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Write, bmp8_200colours, kSaveBmp, 8, false, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Write, bmp8_photo, kSaveBmp, 8, false, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Write, ppm, kSavePpm, 24, false, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Write, pgm_200colours, kSavePgm, 24, false, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Write, ras24, kSaveRas, 24, false, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Write, ras24_rle, kSaveRas, 24, true, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Write, ras8_rle_200colours, kSaveRas, 8, true, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Write, tga24, kSaveTga, 24, false, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Write, tga24_rle, kSaveTga, 24, true, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Write, tga8_rle_200colours, kSaveTga, 8, true, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Write, gif_200colours, kSaveGif, 8, false, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Write, gif_photo, kSaveGif, 8, false, true)->Unit(benchmark::kMillisecond);
