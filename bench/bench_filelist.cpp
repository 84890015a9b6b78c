// Filling the file list of a directory of 100,000 image files, in both sort
// orders, next to `ls -f` (directory order) and `ls` (sorted) on the same
// directory. Counters: ratio to ls and the peak resident memory.
#include "TestSupport.h"
#include "models/browser/DirectoryFill.h"

#include <QLocale>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int kFiles = 100000;

const std::string& Directory()
{
    static vktest::TempDir dir;
    static bool made = [] {
        // kFiles image files and a tenth as many others that are skipped.
        const char* exts[] = {"jpg", "png", "JPG", "gif", "bmp", "tif", "pcx", "Png"};
        unsigned state = 12345;
        for (int i = 0; i < kFiles + kFiles / 10; ++i) {
            state = state * 1103515245u + 12345u;
            std::string name = (state & 0x100) ? "IMG_" : "photo ";
            name += std::to_string(state % 1000000) + "_" + std::to_string(i) + "." +
                    (i < kFiles ? exts[(state >> 20) % 8] : "txt");
            const int fd = ::open(dir.File(name).c_str(), O_CREAT | O_WRONLY, 0644);
            if (fd >= 0)
                ::close(fd);
        }
        return true;
    }();
    (void)made;
    return dir.Path();
}

double SecondsOf(const std::string& command)
{
    // Best of three, so a cold cache does not count against ls.
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0)
            return 0;
        best =
            std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

double LsUnsorted()
{
    static double s = SecondsOf("ls -f " + vktest::Quote(Directory()) + " > /dev/null");
    return s;
}

double LsSorted()
{
    static double s = SecondsOf("ls " + vktest::Quote(Directory()) + " > /dev/null");
    return s;
}

double PeakMegabytes()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

void Fill(benchmark::State& state, bool byName, const char* locale)
{
    const std::string& dir = Directory();
    QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
    vkfill::ShownTypes shown;
    shown.fill(true);
    size_t count = 0;
    double total = 0;
    int runs = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        auto names = vkfill::ListImageFiles(dir, byName, shown);
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ++runs;
        count = names.size();
        benchmark::DoNotOptimize(names.data());
    }
    const double mean = total / runs;
    state.counters["entries"] = static_cast<double>(count);
    state.counters["ratio_vs_ls_f"] = LsUnsorted() > 0 ? mean / LsUnsorted() : 0;
    state.counters["ratio_vs_ls"] = LsSorted() > 0 ? mean / LsSorted() : 0;
    state.counters["peak_rss_MB"] = PeakMegabytes();
    QLocale::setDefault(QLocale::system());
}

void BM_FillByName(benchmark::State& state)
{
    Fill(state, true, "C");
}
void BM_FillByNameEnglish(benchmark::State& state)
{
    Fill(state, true, "en_US");
}
void BM_FillByExtension(benchmark::State& state)
{
    Fill(state, false, "C");
}

void BM_LsUnsorted(benchmark::State& state)
{
    const std::string command = "ls -f " + vktest::Quote(Directory()) + " > /dev/null";
    for (auto _ : state)
        benchmark::DoNotOptimize(std::system(command.c_str()));
}

void BM_LsSorted(benchmark::State& state)
{
    const std::string command = "ls " + vktest::Quote(Directory()) + " > /dev/null";
    for (auto _ : state)
        benchmark::DoNotOptimize(std::system(command.c_str()));
}

} // namespace

BENCHMARK(BM_LsUnsorted)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LsSorted)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FillByExtension)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FillByName)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FillByNameEnglish)->Unit(benchmark::kMillisecond)->Iterations(5);
