// Camera data and lossless JPEG turns on a 24 MP photograph (6000 x 4000,
// camera tags written by exiftool):
//  - ReadFacts: the properties pane's read; bytes_read is what the process
//    read per call (/proc/self/io rchar), against file_bytes.
//  - VelkorTurn / Jpegtran: a quarter turn written in place with the
//    metadata (ours through the atomic writer, orientation 1) against
//    `jpegtran -rotate 90 -copy all`. cpu_ms is the CPU time of one turn
//    (ours: this process; jpegtran: its child process), steadier than the
//    wall time on a shared machine.
#include "CameraFiles.h"
#include "TestSupport.h"
#include "engine/edit/LosslessJpeg.h"
#include "engine/metadata/Metadata.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <time.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

const vktest::TempDir& Dir()
{
    static vktest::TempDir* dir = new vktest::TempDir;
    return *dir;
}

// The photograph, made once; "" when exiftool is missing.
const std::string& Photo()
{
    static const std::string path = [] {
        const std::string p = Dir().File("photo.jpg");
        return vktest::MakeCameraJpeg(p, 6000, 4000) ? p : std::string();
    }();
    return path;
}

uint64_t BytesRead()
{
    std::ifstream io("/proc/self/io");
    std::string key;
    uint64_t value = 0;
    while (io >> key >> value)
        if (key == "rchar:")
            return value;
    return 0;
}

// CPU seconds of this process and of its finished children.
double CpuSeconds()
{
    timespec self;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &self);
    rusage children;
    getrusage(RUSAGE_CHILDREN, &children);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; };
    return double(self.tv_sec) + double(self.tv_nsec) * 1e-9 + seconds(children.ru_utime) +
           seconds(children.ru_stime);
}

void ReadFacts(benchmark::State& state)
{
    if (Photo().empty())
        return state.SkipWithError("exiftool missing");
    uint64_t read = 0;
    for (auto _ : state) {
        const uint64_t before = BytesRead();
        PhotoMetadata m = ReadPhotoMetadata(Photo());
        read += BytesRead() - before;
        benchmark::DoNotOptimize(m.facts.make);
    }
    state.counters["bytes_read"] = double(read) / double(state.iterations());
    state.counters["file_bytes"] = double(vktest::ReadFile(Photo()).size());
}

// Each iteration turns a fresh copy; the copy is not timed.
template <class Turn> void TurnBench(benchmark::State& state, Turn turn)
{
    if (Photo().empty())
        return state.SkipWithError("exiftool missing");
    const std::string bytes = vktest::ReadFile(Photo());
    const std::string work = Dir().File("work.jpg");
    double cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        vktest::WriteFile(work, bytes);
        state.ResumeTiming();
        const double start = CpuSeconds();
        turn(work);
        cpu += CpuSeconds() - start;
    }
    state.counters["cpu_ms"] = cpu * 1000 / double(state.iterations());
}

void VelkorTurn(benchmark::State& state)
{
    TurnBench(state, [](const std::string& path) { TurnJpegFile(path, JpegTurn::Rotate90, false); });
}

void Jpegtran(benchmark::State& state)
{
    if (!vktest::HasProgram("jpegtran"))
        return state.SkipWithError("jpegtran missing");
    const std::string out = Dir().File("peer.jpg");
    TurnBench(state, [&](const std::string& path) {
        vktest::Run("jpegtran -rotate 90 -copy all -outfile " + vktest::Quote(out) + " " +
                    vktest::Quote(path));
    });
}

} // namespace

BENCHMARK(ReadFacts)->Unit(benchmark::kMicrosecond);
BENCHMARK(VelkorTurn)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();
BENCHMARK(Jpegtran)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();
