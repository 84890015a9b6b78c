// Long picture work (an edit, a save, a count) off the GUI thread. The
// caller's code stays sequential: Run returns when the work is done, but
// meanwhile the GUI thread keeps painting and running timers and queued
// calls; user input waits until the end, the wait cursor shows, and the
// window refuses to close. The work must not touch widgets.
#pragma once

#include <functional>

class CPreview;
class QWidget;

namespace vkjob {

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
