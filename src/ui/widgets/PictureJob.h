// Long picture work (an edit, a save, a count) off the GUI thread. The
// caller's code stays sequential: Run returns when the work is done, but
// meanwhile the GUI thread keeps painting and running timers and queued
// calls; user input waits until the end, the wait cursor shows, and the
// window refuses to close. The work must not touch widgets.
#pragma once

#include <functional>

class CPreview;
class QObject;
class QWidget;

namespace vkjob {

// Held (GUI thread, counted) while a command or a job works on the shown
// picture or the current file: the slide show keeps its next step back
// until the last hold ends, so nothing swaps the picture or moves the
// current file under them. Every Run holds one.
class PictureHold {
  public:
    PictureHold();
    ~PictureHold();
    PictureHold(const PictureHold&) = delete;
    PictureHold& operator=(const PictureHold&) = delete;
};
bool IsPictureHeld();
// Queues `then` on the GUI thread once no hold is left (at once when none
// is). Dropped when `context` goes first.
void WhenPictureFree(QObject* context, std::function<void()> then);

// Runs `work` on a worker thread as described above. An exception thrown
// by the work is rethrown here, on the GUI thread. False, without running
// it, while another job runs.
bool Run(QWidget* window, const std::function<void()>& work);
bool IsRunning();

// Waits, as Run does, until the view has no load pending, so that the
// picture a job reads is the one the user chose and no load replaces it
// while the job runs.
void WaitForView(CPreview& view);

// The most GUI-thread CPU time in milliseconds spent at a stretch without
// handling events during the last Run.
double LongestGuiStretch();

} // namespace vkjob
