// Saving and editing a 24 MP picture through the window, on the offscreen
// platform: Save As JPEG and PNG, Rotate Arbitrary (High) and Resize. Each
// reports the command's wall time and the longest GUI-thread stretch
// ("max_gui_ms", thread CPU time between two handled events, the paint of
// the result included); the goal is 50 ms.
#include "TestSupport.h"
#include "WindowBench.h"
#include "ui/browser/Preview.h"
#include "ui/shell/CommandAreas.h"
#include "ui/shell/MainFrm.h"
#include "ui/shell/SaveCommands.h"
#include "ui/widgets/MessageService.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <functional>
#include <memory>
#include <unistd.h>

namespace {

double ThreadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

struct Window {
    vktest::TempDir config;
    vktest::TempDir folder;
    std::unique_ptr<CMainFrame> frame;

    Window()
    {
        vkbench::OffscreenApp();
        qputenv("VELKOR_CONFIG_DIR", QByteArray::fromStdString(config.Path()));
        vkui::setAskHandler([](const QString&, vkui::Buttons, vkui::Icon) { return vkui::Answer::No; });
        CWinBmp small;
        vktest::MakeTestPicture(small, 64, 48, 1);
        SaveAsBmpFile(small, folder.File("a.bmp"));
        if (chdir(folder.Path().c_str()) != 0)
            std::perror("chdir");
        frame = std::make_unique<CMainFrame>();
        frame->resize(1280, 800);
        frame->show();
        frame->Startup();
    }
    // A fresh 6000 x 4000 picture in the view.
    void Show24MP()
    {
        CPictureEx picture;
        vktest::MakeTestPicture(picture, 6000, 4000, 7);
        picture.SetSourceBitsPerPixel(24);
        frame->GetView()->ShowPicture(picture);
        frame->GetView()->GetPicture().SetModified(true);
        Settle();
    }
    static void Settle()
    {
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
};

// Runs `command` from the event loop and measures it and the paints after.
void Measure(benchmark::State& state, const std::function<void()>& command)
{
    double longest = 0, wall = 0;
    double last = ThreadCpuMs();
    QTimer tick;
    tick.setInterval(2);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const double now = ThreadCpuMs();
        longest = std::max(longest, now - last);
        last = now;
    });
    tick.start();
    QElapsedTimer t;
    t.start();
    bool done = false;
    QTimer::singleShot(0, [&] {
        last = ThreadCpuMs();
        command();
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    wall = double(t.nsecsElapsed()) / 1e6;
    // The repaint of the result.
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double now = ThreadCpuMs();
    longest = std::max(longest, now - last);
    state.SetIterationTime(wall / 1000.0);
    state.counters["command_ms"] = wall;
    state.counters["max_gui_ms"] = longest;
}

void BM_SaveAs24MP(benchmark::State& state, const char* extension)
{
    Window w;
    vkui::setDialogHandler([](QDialog& d) {
        d.accept();
        return int(QDialog::Accepted);
    });
    const std::string path = w.folder.File(std::string("out.") + extension);
    vkui::setSaveFileHandler(
        [path](const QString&, const QString&, const QStringList&) { return QString::fromStdString(path); });
    for (auto _ : state) {
        w.Show24MP();
        Measure(state, [&] { vksave::SaveAs(ContextOf(*w.frame), "a.bmp"); });
    }
    vkui::setSaveFileHandler({});
    vkui::setDialogHandler({});
}

void BM_Edit24MP(benchmark::State& state, Cmd command)
{
    Window w;
    vkui::setDialogHandler([](QDialog& d) {
        if (auto* quality = d.findChild<QComboBox*>("quality"))
            quality->setCurrentIndex(2); // High (Interpolation)
        if (auto* width = d.findChild<QLineEdit*>("width")) {
            width->setText("4500");
            emit width->textEdited("4500");
        }
        d.accept();
        return d.result();
    });
    for (auto _ : state) {
        w.Show24MP();
        Measure(state, [&] { w.frame->RunCommand(command); });
    }
    vkui::setDialogHandler({});
}

BENCHMARK_CAPTURE(BM_SaveAs24MP, Jpeg, "jpg")->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SaveAs24MP, Png, "png")->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Edit24MP, RotateArbitraryHigh, Cmd::RotateArbitrary)
    ->UseManualTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Edit24MP, Resize, Cmd::ImageResize)
    ->UseManualTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

} // namespace
