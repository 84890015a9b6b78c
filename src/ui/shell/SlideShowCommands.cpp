#include "ui/shell/SlideShowCommands.h"

#include "models/browser/FileList.h"
#include "models/browser/FormatNumber.h"
#include "models/browser/SlideShow.h"
#include "models/browser/StatusTexts.h"
#include "models/platform/Path.h"
#include "models/settings/Settings.h"
#include "ui/browser/Preview.h"
#include "ui/shell/CommandRegistry.h"
#include "ui/widgets/MessageService.h"
#include "ui/widgets/PictureJob.h"

#include <QApplication>
#include <QKeyEvent>

#include <algorithm>
#include <chrono>
#include <random>

namespace {

constexpr const char* kStatusLoadedIn = "  Loaded in ";
constexpr const char* kStatusSeconds = " s";
constexpr const char* kStatusUnknownFormat = " Unknow format";

} // namespace

CSlideShowControl::CSlideShowControl(const CommandContext& ctx) : QObject(ctx.parent), m_ctx(ctx)
{
    m_clock.start();
    const QAbstractItemModel* model = &ctx.files.GetFileList();
    connect(model, &QAbstractItemModel::modelReset, this, &CSlideShowControl::OnListChanged);
    connect(model, &QAbstractItemModel::rowsInserted, this, &CSlideShowControl::OnListChanged);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &CSlideShowControl::OnListChanged);
    connect(model, &QAbstractItemModel::dataChanged, this, &CSlideShowControl::OnListChanged);
}

CSlideShowControl::~CSlideShowControl()
{
    if (m_show)
        m_show->SignalStop();
    for (auto& show : m_retired)
        show->SignalStop();
}

bool CSlideShowControl::CanRun() const
{
    return !m_running && m_ctx.files.GetFileList().Count() > 1;
}

bool CSlideShowControl::CanSlideShow() const
{
    return m_ctx.files.GetFileList().Count() > 1 && m_ctx.picture.HasImage();
}

void CSlideShowControl::RunFromBrowser()
{
    m_ctx.window.SwitchToViewer();
    Run();
}

void CSlideShowControl::Run()
{
    if (m_ctx.files.IsBrowserMode() || !CanRun())
        return;
    // A show stopped during a decode may still be finishing it.
    std::erase_if(m_retired, [](const std::unique_ptr<CSlideShow>& show) { return !show->IsRunning(); });
    if (m_show && m_show->IsRunning())
        m_retired.push_back(std::move(m_show));
    if (!m_show)
        m_show = std::make_unique<CSlideShow>();

    std::vector<std::string> entries = ListedNames();
    const CSettings& settings = m_ctx.settings;
    const uint64_t seed = uint64_t(std::random_device{}()) << 32 ^
                          uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());

    CSlideShow* show = m_show.get();
    show->ResetStop();
    show->SetOwner(this, 0);
    show->Configure(settings.slideSequence, settings.slideDelaySeconds, settings.slideDelayFlip != 0,
                    std::move(entries), m_ctx.files.GetCurrentIndex(),
                    m_ctx.files.GetFileList().GetCurrentDir(), seed);
    const uint64_t generation = ++m_generation;
    show->SetStepHandler([this, generation](SlideStep& step) { OnStep(generation, step); });
    try {
        show->Start();
    } catch (const CThreadException& e) {
        vkui::ask(QString::fromStdString(e.message));
        return;
    }
    show->SetPriority(0);
    m_running = true;
    m_firstStep = true;
    m_steps = 0;
    m_lastLoadTime = m_clock.elapsed();
    show->PostCommand(CThread::CmdJob);
    qApp->installEventFilter(this);
    m_ctx.status.UpdateCommandUI();
}

void CSlideShowControl::Stop()
{
    if (!m_running)
        return;
    m_running = false;
    m_heldStep.reset();
    qApp->removeEventFilter(this);
    if (m_show) {
        m_show->SignalStop();
        int32_t code = 0;
        m_show->Stop(code, 0); // the frame does not wait for the thread
    }
    m_ctx.status.UpdateCommandUI();
}

bool CSlideShowControl::eventFilter(QObject* watched, QEvent* event)
{
    if (m_running && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        QApplication::activeModalWidget() == nullptr && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == m_ctx.parent) {
        Stop();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

std::vector<std::string> CSlideShowControl::ListedNames() const
{
    return m_ctx.files.GetFileList().Entries();
}

void CSlideShowControl::OnListChanged()
{
    if (m_running && m_show)
        m_show->SetEntries(ListedNames());
}

void CSlideShowControl::OnStep(uint64_t generation, SlideStep& step)
{
    if (generation != m_generation || !m_running || !m_show)
        return; // a step of a show that was stopped meanwhile
    if (vkjob::IsPictureHeld()) {
        // A command or job works on the picture or the current file: the
        // step waits for it, and so does the worker.
        m_heldStep = std::make_shared<SlideStep>(std::move(step));
        vkjob::WhenPictureFree(this, [this, generation, held = m_heldStep] {
            if (m_heldStep != held)
                return; // dropped by Stop
            m_heldStep.reset();
            OnStep(generation, *held);
        });
        return;
    }
    // An edit made during the show is asked about before anything moves;
    // Cancel, or a save that did not happen, keeps it and ends the show.
    if (step.ok && step.picture) {
        const vkjob::PictureHold hold;
        if (!m_ctx.picture.AskToSave()) {
            Stop();
            return;
        }
    }
    const qint64 now = m_clock.elapsed();
    // The file decoded is selected by its name; one that left the list is
    // still shown, but selects nothing, so no command acts on another file.
    const std::vector<std::string> names = ListedNames();
    const auto listed = std::find(names.begin(), names.end(), step.name);
    const int row = listed == names.end() ? -1 : int(listed - names.begin());
    m_ctx.files.GetFileList().SelectOnly(row);
    m_ctx.files.SetCurrentIndex(row);
    m_ctx.files.UpdateSelection();
    if (step.ok && step.picture) {
        const CSettings& settings = m_ctx.settings;
        m_ctx.picture.ShowSlide(*step.picture, settings.slideImageSize, settings.slidePosition,
                                QString::fromStdString(step.name), std::move(step.frames));
        m_ctx.picture.GetPicture().SetSourcePath(
            vkpath::Join(m_ctx.files.GetFileList().GetCurrentDir(), step.name));
        step.picture.reset(); // the previous slide, handed back by the swap
        m_ctx.status.DescribeFile(step.name);
        // The time between two steps less the delay; the first step comes
        // at once, so it shows its decoding time alone.
        double seconds = double(now - m_lastLoadTime) * 0.001;
        if (!m_firstStep)
            seconds -= settings.slideDelaySeconds;
        m_ctx.status.SetStatusText(kStatusLoadedIn + QString::fromStdString(FormatNumber(seconds, 3)) +
                                   kStatusSeconds);
        if (!step.warnings.empty()) {
            // Damaged: said over the slide and in the status bar, the show goes on.
            m_ctx.picture.ShowNote(QString::fromStdString(step.warnings.front()));
            m_ctx.status.SetStatusText(
                QString::fromStdString(vktext::PartlyReadStatus(step.warnings.front())));
        }
    } else {
        m_ctx.status.UpdateTitleAndProperties(true);
        m_ctx.status.SetStatusText(kStatusUnknownFormat);
    }
    m_ctx.status.UpdateStatusPane();
    m_ctx.status.UpdateCountPane();
    if (!m_ctx.files.IsBrowserMode())
        m_ctx.status.UpdateInfoPane();
    m_lastLoadTime = now;
    m_firstStep = false;
    ++m_steps;
    m_show->StepShown(step.serial);
}

void BindSlideShowCommands(const CommandContext& ctx, CommandRegistry& commands)
{
    auto* control = new CSlideShowControl(ctx); // a child of the window
    // F3 from the browser starts the show in the viewer, as Tools > Slide show does.
    commands.Bind(Cmd::SlideRun, {.enabled = [control] { return control->CanRun(); },
                                  .run =
                                      [control, &files = ctx.files] {
                                          if (files.IsBrowserMode())
                                              control->RunFromBrowser();
                                          else
                                              control->Run();
                                      }});
    commands.Bind(Cmd::SlideStop, {.enabled = [control] { return control->CanStop(); },
                                   .run = [control] { control->Stop(); }});
    commands.Bind(Cmd::ToolsSlideShow, {.enabled = [control] { return control->CanSlideShow(); },
                                        .run = [control] { control->RunFromBrowser(); }});
}
