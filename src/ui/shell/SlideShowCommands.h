// The slide show in the frame: Run (F3), Stop (F4) and Tools > Slide show,
// and what the frame does with each step of the worker. A step waits while
// a command or a picture job is under way (vkjob::PictureHold) and shows
// the file it decoded, found in the list by name.
#pragma once

#include "ui/shell/FramePorts.h"
#include <QElapsedTimer>

#include <QObject>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CommandRegistry;
class CSlideShow;
struct SlideStep;

// Binds Run (F3), Stop (F4) and Tools > Slide show to a show owned by the frame.
void BindSlideShowCommands(const CommandContext& ctx, CommandRegistry& commands);

class CSlideShowControl : public QObject {
    Q_OBJECT
  public:
    explicit CSlideShowControl(const CommandContext& ctx);
    ~CSlideShowControl() override;

    // Enabling rules of the three commands.
    bool CanRun() const;
    bool CanStop() const { return m_running; }
    bool CanSlideShow() const;

    // Run: viewer mode only. Slide show: switches to the viewer first.
    void Run();
    void RunFromBrowser();
    // Ends the show at once; a decode still running is dropped.
    void Stop();
    bool IsRunning() const { return m_running; }
    // Steps shown since the show started (for tests).
    int GetStepCount() const { return m_steps; }
    // A step arrived and waits for a command or job to end (for tests).
    bool HasHeldStep() const { return m_heldStep != nullptr; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override; // Escape stops

  private:
    void OnStep(uint64_t generation, SlideStep& step);
    std::vector<std::string> ListedNames() const;
    // Hands a changed file list to the running show.
    void OnListChanged();

    CommandContext m_ctx; // the window's ports
    std::unique_ptr<CSlideShow> m_show;
    // Shows stopped while decoding: they end on their own and go at the next Run.
    std::vector<std::unique_ptr<CSlideShow>> m_retired;
    bool m_running = false;
    uint64_t m_generation = 0;             // of the show running; older shows' steps are dropped
    std::shared_ptr<SlideStep> m_heldStep; // arrived during a command or job
    bool m_firstStep = false;
    int m_steps = 0;
    QElapsedTimer m_clock;
    qint64 m_lastLoadTime = 0;
};
