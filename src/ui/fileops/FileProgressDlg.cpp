#include "ui/fileops/FileProgressDlg.h"

#include "ui/widgets/MessageService.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

CFileProgressDlg::CFileProgressDlg(QWidget* parent)
    : QDialog(parent), m_failures([](const std::string& text, bool offerSkipAll) {
          return vkui::ask(QString::fromStdString(text),
                           offerSkipAll ? vkui::Buttons::OkSkipAll : vkui::Buttons::Ok,
                           vkui::Icon::Warning) == vkui::Answer::SkipAll;
      })
{
    m_layout = new QVBoxLayout(this);
    m_name = new QLabel(this);
    m_name->setMinimumWidth(320);
    m_name->setTextFormat(Qt::PlainText);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_cancel = new QPushButton("Cancel", this);
    m_cancel->setAutoDefault(false);
    connect(m_cancel, &QPushButton::clicked, this, &CFileProgressDlg::reject);

    m_layout->addWidget(m_name);
    m_layout->addWidget(m_progress);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(m_cancel);
    row->addStretch(1);
    m_layout->addLayout(row);
}

void CFileProgressDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_started)
        return;
    m_started = true;
    // Start once the dialog is on screen, as a queued call to itself.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_closing)
                StartWorker();
        },
        Qt::QueuedConnection);
}

void CFileProgressDlg::reject()
{
    if (m_closing)
        return;
    // The job ends within one file or chunk of the abort; wait for that, so
    // the folder is re-read with nothing half done.
    CThread& worker = Worker();
    if (worker.IsRunning()) {
        worker.RequestAbort();
        int32_t code = 0;
        worker.Stop(code, -1);
    }
    m_closing = true;
    m_cancelled = true;
    vkui::ask("User abort!", vkui::Buttons::Ok, vkui::Icon::Information);
    ShowFailureSummary();
    QDialog::reject();
}

void CFileProgressDlg::PostName(const std::string& name)
{
    Worker().PostToOwner([this, text = QString::fromStdString(name)] { m_name->setText(text); });
}

void CFileProgressDlg::PostProgress(int percent)
{
    Worker().PostToOwner([this, percent] { m_progress->setValue(percent); });
}

void CFileProgressDlg::AskMessage(const std::string& text)
{
    Worker().AskOwner<int>(
        [text] {
            vkui::ask(QString::fromStdString(text), vkui::Buttons::Ok, vkui::Icon::Warning);
            return 0;
        },
        0);
}

void CFileProgressDlg::ReportFailure(const std::string& text)
{
    Worker().AskOwner<int>(
        [this, text] {
            m_failures.Report(text);
            return 0;
        },
        0);
}

bool CFileProgressDlg::AskYesNo(const std::string& question)
{
    return Worker().AskOwner<bool>(
        [question] {
            return vkui::ask(QString::fromStdString(question), vkui::Buttons::YesNo, vkui::Icon::Question) ==
                   vkui::Answer::Yes;
        },
        false);
}

void CFileProgressDlg::ShowFailureSummary()
{
    const std::string summary = m_failures.Summary();
    if (!summary.empty())
        vkui::ask(QString::fromStdString(summary), vkui::Buttons::Ok, vkui::Icon::Warning);
}

void CFileProgressDlg::PostFinished()
{
    Worker().PostToOwner([this] {
        if (m_closing)
            return;
        m_closing = true;
        ShowFailureSummary();
        accept();
    });
}
