// A 24 MP camera RAW file (a 6000 x 4000 Bayer DNG with a full-size JPEG
// preview of a photograph at quality 90, the largest a camera embeds): the
// time from the view's request to its first paint (the preview at a reduced
// DCT scale, through the view's loader, for a 1400 x 900 window; goal under
// 100 ms), against extracting the preview with LibRaw's own dcraw_emu -e;
// and the full development, ours against dcraw_emu -w.
#include "RawFiles.h"
#include "TestSupport.h"
#include "WindowBench.h"
#include "engine/picture/AnyPicDecoder.h"
#include "ui/browser/PreviewLoader.h"

#include <QApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <vector>

#include <unistd.h>

namespace {

const std::string& RawFile()
{
    static vktest::TempDir dir;
    static const std::string path = [] {
        const std::string ppm = dir.File("preview.ppm"), jpg = dir.File("preview.jpg");
        // A photograph when one is at hand: a camera's preview is one, and
        // the test pattern's noise costs its decoder far more.
        const std::string photo = "/usr/share/backgrounds/Painting-Colors_by__herobrine7gamer.jpg";
        if (access(photo.c_str(), R_OK) == 0)
            vktest::Run(vktest::ImageMagick() + " " + vktest::Quote(photo) + " -resize 6000x4000! " +
                        vktest::Quote(ppm));
        else
            vktest::WriteTestPpm(ppm, 6000, 4000, 0, 7);
        vktest::RunWith(vktest::ImageMagick() + " {in} -quality 90 {out}", ppm, jpg);
        const std::string dng = dir.File("shot.dng");
        vktest::WriteBayerDng(dng, {.width = 6000,
                                    .height = 4000,
                                    .previewJpeg = vktest::ReadFile(jpg),
                                    .previewWidth = 6000,
                                    .previewHeight = 4000});
        return dng;
    }();
    return path;
}

// Wall milliseconds of a shell command, the best of `rounds`.
double CommandMs(const std::string& command, int rounds)
{
    double best = 1e12;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        vktest::Run(command + " >/dev/null 2>&1");
        best = std::min(best, double(timer.nsecsElapsed()) * 1e-6);
    }
    return best;
}

void BM_RawFirstPaint(benchmark::State& state)
{
    vkbench::OffscreenApp();
    const std::string& path = RawFile();
    std::mutex mutex;
    std::condition_variable painted;
    bool first = false, done = false;
    CPreviewLoader loader([&](std::shared_ptr<PreviewLoadResult> result) {
        const std::lock_guard lock(mutex);
        first = true;
        done = done || !result->interim;
        painted.notify_one();
    });
    std::vector<double> times;
    uint64_t id = 0;
    for (auto _ : state) {
        {
            const std::lock_guard lock(mutex);
            first = done = false;
        }
        QElapsedTimer timer;
        timer.start();
        loader.Request({.id = ++id,
                        .path = path,
                        .clientWidth = 1400,
                        .clientHeight = 900,
                        .shrink = true,
                        .reducedFirst = true});
        std::unique_lock lock(mutex);
        painted.wait(lock, [&] { return first; });
        const double seconds = double(timer.nsecsElapsed()) * 1e-9;
        // The whole preview follows; the next request waits for it, so that
        // one picture's work does not slow the next one's first paint.
        painted.wait(lock, [&] { return done; });
        lock.unlock();
        times.push_back(seconds * 1e3);
        state.SetIterationTime(seconds);
    }
    const double ours = vkbench::Median(times);
    const double peer = CommandMs("cd /tmp && dcraw_emu -e " + vktest::Quote(path), 3);
    state.counters["first_paint_ms"] = ours;
    state.counters["dcraw_emu_e_ms"] = peer;
    state.counters["ratio"] = peer > 0 ? ours / peer : 0;
    std::printf("first paint of a 24 MP DNG from its preview: %.1f ms (goal < 100); dcraw_emu -e extracts "
                "it in %.1f ms; ratio %.2f\n",
                ours, peer, peer > 0 ? ours / peer : 0);
}
BENCHMARK(BM_RawFirstPaint)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

void BM_RawDevelop(benchmark::State& state)
{
    const std::string& path = RawFile();
    double ours = 0;
    for (auto _ : state) {
        CAnyPicDecoder decoder;
        CWinBmp bmp;
        QElapsedTimer timer;
        timer.start();
        decoder.DecodeFile(path, bmp, 32);
        ours = double(timer.nsecsElapsed()) * 1e-6;
        state.SetIterationTime(ours * 1e-3);
    }
    const double peer = CommandMs("dcraw_emu -w " + vktest::Quote(path), 1);
    state.counters["develop_ms"] = ours;
    state.counters["dcraw_emu_w_ms"] = peer;
    state.counters["ratio"] = peer > 0 ? ours / peer : 0;
    std::printf("developing it whole: %.0f ms; dcraw_emu -w %.0f ms (writing its PPM); ratio %.2f\n", ours,
                peer, peer > 0 ? ours / peer : 0);
}
BENCHMARK(BM_RawDevelop)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
