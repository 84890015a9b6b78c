// The first paint of a 16.8 MP progressive JPEG (5008 x 3352, a real
// photograph from /usr/share/backgrounds stretched, 4:4:4 and 4:2:0, made
// once and kept in /tmp): the time from the view's request to the loader's
// first delivery for a 1280 x 800 window, from the DC values read directly
// against libjpeg's first scan (the path before), and against djpeg
// -scale 1/8 as a whole process. Medians of several runs, wall and CPU
// (the machine is shared). Goal: under 80 ms.
#include "TestSupport.h"
#include "WindowBench.h"
#include "ui/browser/PreviewLoader.h"

#include <QApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr const char* kFolder = "/tmp/velkor_bench_progressive";
constexpr const char* kPhoto = "/usr/share/backgrounds/Kleiber_by_Lukas_Baubkus.jpg";

// The progressive file with cjpeg's sampling option, made once.
std::string ProgressiveFile(const std::string& sample)
{
    const std::string folder = kFolder, ppm = folder + "/photo.ppm";
    const std::string path = folder + "/p" + (sample == "1x1" ? "444" : "420") + ".jpg";
    if (vktest::FileExists(path))
        return path;
    vktest::Run("mkdir -p " + vktest::Quote(folder));
    if (!vktest::FileExists(ppm)) {
        if (vktest::FileExists(kPhoto))
            vktest::Run(vktest::ImageMagick() + " " + vktest::Quote(kPhoto) + " -resize '5008x3352!' " +
                        vktest::Quote(ppm));
        else
            vktest::WriteTestPpm(ppm, 5008, 3352);
    }
    vktest::Run("cjpeg -progressive -quality 92 -sample " + sample + " -outfile " + vktest::Quote(path) +
                " " + vktest::Quote(ppm));
    return path;
}

double ProcessCpuMs()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

double ChildrenCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    auto ms = [](const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) * 1e-3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

struct Figures {
    double wall = 0, cpu = 0; // medians, milliseconds
};

// The loader's first delivery, `rounds` times. Each round waits for the
// full picture too, so no decode runs on into the next.
Figures FirstPaint(const std::string& path, bool dcPreview, int rounds)
{
    std::mutex mutex;
    std::condition_variable delivered;
    int deliveries = 0;
    CPreviewLoader loader([&](std::shared_ptr<PreviewLoadResult>) {
        const std::lock_guard lock(mutex);
        ++deliveries;
        delivered.notify_one();
    });
    loader.SetDcPreview(dcPreview);
    std::vector<double> walls, cpus;
    uint64_t id = 0;
    for (int round = 0; round < rounds; ++round) {
        {
            const std::lock_guard lock(mutex);
            deliveries = 0;
        }
        const double cpu = ProcessCpuMs();
        QElapsedTimer timer;
        timer.start();
        loader.Request({.id = ++id,
                        .path = path,
                        .clientWidth = 1280,
                        .clientHeight = 800,
                        .shrink = true,
                        .reducedFirst = true});
        std::unique_lock lock(mutex);
        delivered.wait(lock, [&] { return deliveries > 0; });
        walls.push_back(double(timer.nsecsElapsed()) * 1e-6);
        cpus.push_back(ProcessCpuMs() - cpu);
        delivered.wait(lock, [&] { return deliveries > 1; });
    }
    return {vkbench::Median(walls), vkbench::Median(cpus)};
}

Figures Command(const std::string& command, int rounds)
{
    std::vector<double> walls, cpus;
    for (int i = 0; i < rounds; ++i) {
        const double cpu = ChildrenCpuMs();
        QElapsedTimer timer;
        timer.start();
        vktest::Run(command + " >/dev/null 2>&1");
        walls.push_back(double(timer.nsecsElapsed()) * 1e-6);
        cpus.push_back(ChildrenCpuMs() - cpu);
    }
    return {vkbench::Median(walls), vkbench::Median(cpus)};
}

void BM_ProgressiveFirstPaint(benchmark::State& state)
{
    vkbench::OffscreenApp();
    const std::string sample = state.range(0) == 444 ? "1x1" : "2x2";
    const std::string path = ProgressiveFile(sample);
    constexpr int kRounds = 9;
    Figures dc, old, djpeg;
    for (auto _ : state) {
        dc = FirstPaint(path, true, kRounds);
        old = FirstPaint(path, false, kRounds);
        djpeg = Command("djpeg -scale 1/8 -outfile /dev/null " + vktest::Quote(path), kRounds);
        state.SetIterationTime(dc.wall * 1e-3);
    }
    state.counters["dc_ms"] = dc.wall;
    state.counters["libjpeg_first_scan_ms"] = old.wall;
    state.counters["djpeg_ms"] = djpeg.wall;
    std::printf("first paint of a 5008 x 3352 progressive JPEG, %s, median of %d (wall / CPU ms):\n"
                "  DC preview          %6.1f / %6.1f  (goal < 80)\n"
                "  libjpeg first scan  %6.1f / %6.1f  ratio %.2f\n"
                "  djpeg -scale 1/8    %6.1f / %6.1f  ratio %.2f\n",
                state.range(0) == 444 ? "4:4:4" : "4:2:0", kRounds, dc.wall, dc.cpu, old.wall, old.cpu,
                dc.wall / std::max(old.wall, 1e-3), djpeg.wall, djpeg.cpu,
                dc.wall / std::max(djpeg.wall, 1e-3));
}
BENCHMARK(BM_ProgressiveFirstPaint)
    ->Arg(444)
    ->Arg(420)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace
