// Peak memory of printing thumbnail pages of large photographs: 100 files
// of 6000 x 4000 (24 MP) printed as thumbnails into a PDF. Pictures are
// decoded one at a time and only cell-sized copies are kept, so the peak
// stays near one decoded picture (96 MB) instead of 9.6 GB.
#include "ui/print/PrintJob.h"

#include "TestSupport.h"

#include <QApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

static void BM_PrintThumbnailsOf24MPPictures(benchmark::State& state)
{
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);

    vktest::TempDir dir;
    const int count = int(state.range(0));
    // One smooth 24 MP JPEG (small on disk), linked under 100 names: each
    // name is decoded on its own.
    vktest::Run(vktest::ImageMagick() + " -size 6000x4000 gradient:navy-orange -quality 80 " +
                vktest::Quote(dir.File("photo.jpg")));
    vkprint::PrintRequest request;
    request.printMode = 2;
    request.directory = dir.Path();
    for (int i = 0; i < count; ++i) {
        const std::string file = "p" + std::to_string(1000 + i) + ".jpg";
        vktest::Run("ln -s photo.jpg " + vktest::Quote(dir.File(file)));
        request.allNames.push_back(file);
    }
    request.selectedNames = request.allNames;
    CSettings settings;
    settings.printSizeMode = 3;
    size_t pictureBytes = 0;
    for (auto _ : state) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setResolution(600);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(dir.File("out.pdf")));
        printer.setPageLayout(
            QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        CPrintJob job(settings, request);
        job.Render(printer);
        pictureBytes = job.GetPeakPictureBytes();
        state.counters["pages"] = job.GetPageCount();
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MB"] = double(usage.ru_maxrss) / 1024.0;
    state.counters["peak_picture_MB"] = double(pictureBytes) / (1024.0 * 1024.0);
    state.counters["all_decoded_MB"] = double(count) * 6000.0 * 4000.0 * 4.0 / (1024.0 * 1024.0);
}
BENCHMARK(BM_PrintThumbnailsOf24MPPictures)->Arg(100)->Iterations(1)->Unit(benchmark::kSecond);
