// Copy and move figures: one 1 GB file and 10,000 small files copied by a
// paste run and by cp on the same data, and a move within one file system
// against mv. Also the longest gap between two progress reports of the 1 GB
// copy, which bounds how late a Cancel takes effect. Figures only.
#include "TestSupport.h"
#include "models/fileops/Paste.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Data {
    vktest::TempDir root;
    std::vector<std::string> smallNames;
    uint64_t smallTotal = 0;
    uint64_t bigSize = 0;

    Data()
    {
        vktest::Run("mkdir -p " + vktest::Quote(root.File("big")) + " " + vktest::Quote(root.File("small")));
        bigSize = uint64_t(1) << 30;
        vktest::Run("head -c " + std::to_string(bigSize) + " /dev/urandom > " +
                    vktest::Quote(root.File("big/one.bin")));
        std::string bytes(4096, 'x');
        for (int i = 0; i < 10000; ++i) {
            std::string name = "f" + std::to_string(i) + ".bmp";
            bytes[size_t(i) % bytes.size()] = char(i);
            vktest::WriteFile(root.File("small/" + name), bytes.substr(0, 1000 + size_t(i % 7) * 500));
            smallTotal += 1000 + uint64_t(i % 7) * 500;
            smallNames.push_back(name);
        }
    }
};

Data& Shared()
{
    static Data data;
    return data;
}

std::string Fresh(const std::string& name)
{
    const std::string dir = Shared().root.File(name);
    vktest::Run("rm -rf " + vktest::Quote(dir) + " && mkdir -p " + vktest::Quote(dir) + " && sync");
    return dir;
}

double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double PasteSeconds(const std::string& from, const std::vector<std::string>& names, uint64_t total,
                    const std::string& to, bool isCopy, double* longestGap = nullptr)
{
    vkfileops::PasteRequest request;
    request.isCopy = isCopy;
    request.sourceDir = from;
    request.destinationDir = to;
    request.names = names;
    request.totalSize = total;
    vkfileops::PasteHooks hooks;
    Clock::time_point last = Clock::now();
    double gap = 0;
    hooks.aborted = [&] {
        const auto now = Clock::now();
        gap = std::max(gap, std::chrono::duration<double>(now - last).count());
        last = now;
        return false;
    };
    const auto start = Clock::now();
    vkfileops::RunPaste(request, hooks);
    if (longestGap)
        *longestGap = gap;
    return Seconds(start);
}

double ShellSeconds(const std::string& command)
{
    const auto start = Clock::now();
    vktest::Run(command);
    return Seconds(start);
}

void CopyBigVelkor(benchmark::State& state)
{
    Data& d = Shared();
    double gap = 0;
    for (auto _ : state) {
        const std::string to = Fresh("out");
        state.SetIterationTime(PasteSeconds(d.root.File("big"), {"one.bin"}, d.bigSize, to, true, &gap));
    }
    state.counters["MB/s"] =
        benchmark::Counter(double(d.bigSize) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["longest_gap_ms"] = gap * 1000;
}

void CopyBigCp(benchmark::State& state)
{
    Data& d = Shared();
    for (auto _ : state) {
        const std::string to = Fresh("out");
        state.SetIterationTime(
            ShellSeconds("cp " + vktest::Quote(d.root.File("big/one.bin")) + " " + vktest::Quote(to)));
    }
    state.counters["MB/s"] =
        benchmark::Counter(double(d.bigSize) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

// cp leaves the data in memory; a paste flushes it before the copy takes
// its name. cp followed by a flush of the file is the like-for-like figure.
void CopyBigCpFlushed(benchmark::State& state)
{
    Data& d = Shared();
    for (auto _ : state) {
        const std::string to = Fresh("out");
        state.SetIterationTime(ShellSeconds("cp " + vktest::Quote(d.root.File("big/one.bin")) + " " +
                                            vktest::Quote(to) + " && sync " +
                                            vktest::Quote(to + "/one.bin")));
    }
    state.counters["MB/s"] =
        benchmark::Counter(double(d.bigSize) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

// cp --preserve=mode,timestamps matches what a paste keeps; cp alone does
// not flush, a paste flushes each file before it is renamed into place.
void CopySmallVelkor(benchmark::State& state)
{
    Data& d = Shared();
    for (auto _ : state) {
        const std::string to = Fresh("out");
        state.SetIterationTime(PasteSeconds(d.root.File("small"), d.smallNames, d.smallTotal, to, true));
    }
    state.counters["files/s"] = benchmark::Counter(10000, benchmark::Counter::kIsIterationInvariantRate);
}

void CopySmallCp(benchmark::State& state)
{
    Data& d = Shared();
    for (auto _ : state) {
        const std::string to = Fresh("out");
        state.SetIterationTime(ShellSeconds("cp --preserve=mode,timestamps " +
                                            vktest::Quote(d.root.File("small")) + "/* " + vktest::Quote(to)));
    }
    state.counters["files/s"] = benchmark::Counter(10000, benchmark::Counter::kIsIterationInvariantRate);
}

// The same with every copy flushed, as a paste does.
void CopySmallCpFlushed(benchmark::State& state)
{
    Data& d = Shared();
    for (auto _ : state) {
        const std::string to = Fresh("out");
        state.SetIterationTime(ShellSeconds("cp --preserve=mode,timestamps " +
                                            vktest::Quote(d.root.File("small")) + "/* " + vktest::Quote(to) +
                                            " && sync " + vktest::Quote(to) + "/*"));
    }
    state.counters["files/s"] = benchmark::Counter(10000, benchmark::Counter::kIsIterationInvariantRate);
}

// Moves within one file system: the files go there and back, so each
// iteration starts from the same state.
void MoveSmallVelkor(benchmark::State& state)
{
    Data& d = Shared();
    const std::string to = Fresh("moved");
    for (auto _ : state) {
        state.SetIterationTime(PasteSeconds(d.root.File("small"), d.smallNames, d.smallTotal, to, false));
        PasteSeconds(to, d.smallNames, d.smallTotal, d.root.File("small"), false);
    }
    state.counters["files/s"] = benchmark::Counter(10000, benchmark::Counter::kIsIterationInvariantRate);
}

void MoveSmallMv(benchmark::State& state)
{
    Data& d = Shared();
    const std::string to = Fresh("moved");
    for (auto _ : state) {
        state.SetIterationTime(
            ShellSeconds("mv " + vktest::Quote(d.root.File("small")) + "/* " + vktest::Quote(to)));
        vktest::Run("mv " + vktest::Quote(to) + "/* " + vktest::Quote(d.root.File("small")));
    }
    state.counters["files/s"] = benchmark::Counter(10000, benchmark::Counter::kIsIterationInvariantRate);
}

} // namespace

BENCHMARK(CopyBigVelkor)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(CopyBigCp)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(CopyBigCpFlushed)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(CopySmallVelkor)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(CopySmallCp)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(CopySmallCpFlushed)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(MoveSmallVelkor)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(MoveSmallMv)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
