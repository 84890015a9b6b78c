// The base of the Delete and Paste progress dialogs: the name of the file
// being worked on, a progress bar and Cancel. Once shown it starts its
// worker; the worker's reports arrive as queued calls, its messages are
// shown through the message service, and Cancel aborts the job within one
// file or chunk, says "User abort!" and closes the dialog. Failures of
// files are shown as CFailureReport says, its summary when the run ends.
#pragma once

#include "models/fileops/FailureReport.h"
#include "models/fileops/Thread.h"

#include <QDialog>

#include <string>

class QLabel;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

class CFileProgressDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CFileProgressDlg(QWidget* parent = nullptr);

    QLabel* GetNameLabel() const { return m_name; }
    QProgressBar* GetProgressBar() const { return m_progress; }
    QPushButton* GetCancelButton() const { return m_cancel; }
    // True when the dialog was closed by Cancel.
    bool WasCancelled() const { return m_cancelled; }

    // Cancel: abort the worker, "User abort!", close.
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;
    // Starts the worker with its job; called once, after the dialog is shown.
    virtual void StartWorker() = 0;
    virtual CThread& Worker() = 0;

    // Helpers for the worker's hooks (called on the worker thread).
    void PostName(const std::string& name);
    void PostProgress(int percent);
    void AskMessage(const std::string& text);
    void ReportFailure(const std::string& text);
    bool AskYesNo(const std::string& question);
    // The job has ended: close unless already closed.
    void PostFinished();

    QVBoxLayout* m_layout = nullptr;

  private:
    void ShowFailureSummary();

    vkfileops::CFailureReport m_failures;
    QLabel* m_name = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_cancel = nullptr;
    bool m_started = false;
    bool m_closing = false;
    bool m_cancelled = false;
};
