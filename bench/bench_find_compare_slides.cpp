// Find Images over a tree of 100,000 files next to `find` with the same
// criteria, in wall and CPU time, and through the dialog; Compare
// Directories of two folders of 20,000 and of 100,000 files (and the
// pairwise comparison it replaces, on 2,000 files); the slide show with
// delay 0 over 12-megapixel JPEGs next to `djpeg` decoding the same files.
// Prints figures; never fails on a time.
//   bench_find_compare_slides [find]     # "find": the Find figures only
#include "TestSupport.h"
#include "models/browser/SlideShow.h"
#include "models/search/CompareDirectories.h"
#include "models/search/FindImageSearch.h"
#include "ui/search/FindImages.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QThread>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(const std::function<void()>& work, int rounds = 3)
{
    double best = 1e9;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

// The best wall and CPU seconds (user and system, of this process and of
// the commands it ran) of several rounds. CPU time says more than wall time
// on a shared machine.
struct Timing {
    double wall = 1e9;
    double cpu = 1e9;

    static double CpuNow()
    {
        double total = 0;
        for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
            rusage usage{};
            ::getrusage(who, &usage);
            for (const timeval& t : {usage.ru_utime, usage.ru_stime})
                total += double(t.tv_sec) + double(t.tv_usec) * 1e-6;
        }
        return total;
    }

    void Add(const std::function<void()>& work)
    {
        const double cpuStart = CpuNow();
        const auto start = Clock::now();
        work();
        wall = std::min(wall, std::chrono::duration<double>(Clock::now() - start).count());
        cpu = std::min(cpu, CpuNow() - cpuStart);
    }
};

void MakeFile(const std::string& path, size_t size, time_t modified)
{
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    if (fd < 0)
        return;
    if (size)
        (void)::ftruncate(fd, off_t(size));
    ::close(fd);
    const timeval times[2] = {{modified, 0}, {modified, 0}};
    ::utimes(path.c_str(), times);
}

const char* kExts[] = {"jpg", "png", "JPG", "gif", "bmp", "tif", "pcx", "txt", "jpeg", "ppm"};

void BenchFind()
{
    vktest::TempDir tree;
    int files = 0;
    for (int a = 0; a < 10; ++a) {
        const std::string top = tree.File("top" + std::to_string(a));
        ::mkdir(top.c_str(), 0755);
        for (int b = 0; b < 100; ++b) {
            const std::string dir = top + "/sub" + std::to_string(b);
            ::mkdir(dir.c_str(), 0755);
            for (int f = 0; f < 100; ++f, ++files)
                MakeFile(dir + "/IMG_" + std::to_string(files) + "." + kExts[files % 10],
                         size_t(files % 3000), time_t(946684800 + files * 60));
        }
    }
    std::printf("Find over %d files in 1,010 folders (%s)\n", files, tree.Path().c_str());
    struct Case {
        const char* what;
        vkfind::FindCriteria criteria;
        std::string findArgs;
    };
    std::string allImages = "\\( ";
    for (int i = 0; i < vkfind::kImageExtensionCount; ++i)
        allImages += std::string(i ? "-o " : "") + "-iname '*." + vkfind::ImageExtension(i) + "' ";
    allImages += "\\)";
    Case cases[3];
    cases[0].what = "all image types";
    cases[0].findArgs = "-type f " + allImages;
    cases[1].what = "name IMG_4242, extension jpg";
    cases[1].criteria.name = "IMG_4242";
    cases[1].criteria.extension = "jpg";
    cases[1].findArgs = "-type f -iname 'IMG_4242.jpg'";
    cases[2].what = "all image types, size > 2 KB";
    cases[2].criteria.sizeCompare = vkfind::SizeAbove;
    cases[2].criteria.sizeBytes = 2048;
    cases[2].findArgs = "-type f " + allImages + " -size +2048c";
    for (Case& c : cases) {
        c.criteria.lookIn = tree.Path();
        uint64_t found = 0;
        std::string out;
        const std::string command = "find " + vktest::Quote(tree.Path()) + " " + c.findArgs + " | wc -l";
        auto ours = [&] {
            found = vkfind::SearchTree(
                        c.criteria, [] { return false; }, [](const std::string&) {})
                        .found;
        };
        auto peer = [&] {
            out.clear();
            vktest::Run(command, &out);
        };
        // Both warm the cache first, then take turns, so a burst of load
        // elsewhere on the machine falls on both alike.
        ours();
        peer();
        Timing mine, theirs;
        for (int round = 0; round < 5; ++round) {
            mine.Add(ours);
            theirs.Add(peer);
        }
        std::printf(
            "  %-30s velkor %6.3f s, CPU %6.3f s (%llu found)   find %6.3f s, CPU %6.3f s (%s found)   "
            "ratio %.2f, CPU %.2f\n",
            c.what, mine.wall, mine.cpu, (unsigned long long)found, theirs.wall, theirs.cpu,
            std::to_string(std::stoll(out)).c_str(), mine.wall / theirs.wall, mine.cpu / theirs.cpu);
        // The same search as a user runs it: Find Now in the dialog until
        // the count shows, with the worker thread and the result list.
        CFindImagesDlg dialog(tree.Path(), false, false);
        dialog.GetNameEdit()->setText(QString::fromStdString(c.criteria.name));
        int extension = 0;
        for (int i = 0; i < vkfind::kImageExtensionCount; ++i)
            if (c.criteria.extension == vkfind::ImageExtension(i))
                extension = i + 1;
        dialog.GetExtensionBox()->setCurrentIndex(extension);
        if (c.criteria.sizeBytes) {
            dialog.GetSizeCheck()->setChecked(true);
            dialog.GetSizeCompareBox()->setCurrentIndex(c.criteria.sizeCompare);
            dialog.GetSizeEdit()->setText(QString::number(c.criteria.sizeBytes));
        }
        Timing inDialog;
        for (int round = 0; round < 5; ++round)
            inDialog.Add([&] {
                dialog.OnFindNow();
                while (dialog.IsSearching())
                    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            });
        std::printf("  %-30s dialog %6.3f s, CPU %6.3f s (%d listed)\n", "", inDialog.wall, inDialog.cpu,
                    dialog.GetResultList()->count());
    }
}

void BenchCompare(int count)
{
    vktest::TempDir src, dst;
    for (int i = 0; i < count; ++i) {
        // Half the names occur on both sides; sizes and dates collide often.
        MakeFile(src.File("IMG_" + std::to_string(i) + "." + kExts[i % 7]), size_t(i % 500),
                 time_t(1e9 + i % 1000));
        MakeFile(dst.File("IMG_" + std::to_string(i + count / 2) + "." + kExts[(i + 1) % 7]), size_t(i % 500),
                 time_t(1e9 + i % 1000));
    }
    std::printf("Compare %d files against %d\n", count, count);
    struct Case {
        const char* what;
        bool name, ext, size, date;
    } cases[] = {{"name", true, false, false, false},
                 {"name, size, date", true, false, true, true},
                 {"size", false, false, true, false},
                 {"extension jpg only (every pair)", false, true, false, false}};
    for (const Case& c : cases) {
        vkcompare::CompareCriteria criteria;
        criteria.byName = c.name;
        criteria.byExtension = c.ext;
        criteria.bySize = c.size;
        criteria.byDate = c.date;
        criteria.extensionText = "jpg";
        size_t rows = 0;
        double listing = 0;
        const double total = Seconds([&] {
            const auto start = Clock::now();
            const auto s = vkcompare::ListCandidates(src.Path(), criteria);
            const auto d = vkcompare::ListCandidates(dst.Path(), criteria);
            listing = std::chrono::duration<double>(Clock::now() - start).count();
            const auto r = vkcompare::Compare(criteria, s, d, [] { return false; });
            rows = r.source.size() + r.destination.size();
        });
        std::printf("  %-32s %7.3f s in all (reading both folders %.3f s), %zu rows\n", c.what, total,
                    listing, rows);
    }
}

void BenchPairwise(int count)
{
    std::vector<vkcompare::CandidateFile> s(static_cast<size_t>(count)), d(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        s[size_t(i)].title = "IMG_" + std::to_string(i);
        d[size_t(i)].title = "IMG_" + std::to_string(i + count / 2);
    }
    vkcompare::CompareCriteria criteria;
    criteria.byName = true;
    size_t matches = 0;
    const double pairwise = Seconds(
        [&] {
            for (const auto& a : s)
                for (const auto& b : d)
                    matches += vkcompare::Matches(criteria, a, b);
        },
        1);
    const double indexed = Seconds([&] { vkcompare::Compare(criteria, s, d, [] { return false; }); });
    std::printf(
        "  pairwise %d x %d by name: %.3f s; by lookup %.4f s; pairwise 100,000 x 100,000 would take about "
        "%.0f s\n",
        count, count, pairwise, indexed, pairwise * (1e5 / count) * (1e5 / count));
}

void BenchSlideShow()
{
    if (!vktest::HasProgram("cjpeg") || !vktest::HasProgram("djpeg")) {
        std::printf("Slide show: cjpeg/djpeg missing, skipped\n");
        return;
    }
    vktest::TempDir dir;
    CWinBmp picture;
    vktest::MakeTestPicture(picture, 4000, 3000);
    vktest::WriteFile(dir.File("source.ppm"), vktest::ToPpm(picture));
    std::vector<std::string> names;
    for (int i = 0; i < 6; ++i) {
        names.push_back("slide" + std::to_string(i) + ".jpg");
        vktest::Run("cjpeg -quality " + std::to_string(80 + i) + " -outfile " +
                    vktest::Quote(dir.File(names.back())) + " " + vktest::Quote(dir.File("source.ppm")));
    }
    ::unlink(dir.File("source.ppm").c_str());
    const int passes = 3;
    const int total = passes * int(names.size());

    std::string loop;
    for (const auto& n : names)
        loop += "djpeg -outfile /dev/null " + vktest::Quote(dir.File(n)) + "; ";
    const double djpeg = Seconds([&] { vktest::Run(loop); }) / double(names.size());

    CAnyPicDecoder decoder;
    const double decode = Seconds([&] {
                              for (const auto& n : names) {
                                  CPicture p;
                                  decoder.DecodeFile(dir.File(n), p, 32);
                              }
                          }) /
                          double(names.size());

    QObject owner;
    CSlideShow show;
    int steps = 0;
    show.SetOwner(&owner, 0);
    show.SetStepHandler([&](SlideStep& step) {
        ++steps;
        show.StepShown(step.serial);
    });
    show.Configure(0, 0, true, names, -1, dir.Path(), 1);
    const auto start = Clock::now();
    show.Start();
    show.PostCommand(CThread::CmdJob);
    while (steps < total) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    const double shown = std::chrono::duration<double>(Clock::now() - start).count();
    show.SignalStop();
    int32_t code = 0;
    show.Stop(code, -1);
    std::printf(
        "Slide show, delay 0, 4000 x 3000 JPEGs: %.2f pictures/s; decoding alone %.2f/s; djpeg %.2f/s; "
        "show / djpeg %.0f %%\n",
        total / shown, 1 / decode, 1 / djpeg, 100.0 * (total / shown) * djpeg);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    BenchFind();
    if (argc > 1 && std::string(argv[1]) == "find")
        return 0;
    BenchCompare(20000);
    BenchCompare(100000);
    BenchPairwise(2000);
    BenchSlideShow();
    return 0;
}
