#include "ui/fileops/PasteDlg.h"

#include "ui/fileops/ConfirmReplaceDlg.h"
#include "ui/widgets/MessageService.h"

#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

CPasteDlg::CPasteDlg(const vkfileops::PasteRequest& request, QWidget* parent)
    : CFileProgressDlg(parent), m_request(request), m_worker(this)
{
    setWindowTitle(request.isCopy ? "Copy" : "Move");
    auto* form = new QFormLayout;
    m_from = new QLabel(QString::fromStdString(request.sourceDir), this);
    m_to = new QLabel(QString::fromStdString(request.destinationDir), this);
    m_from->setTextFormat(Qt::PlainText);
    m_to->setTextFormat(Qt::PlainText);
    form->addRow("From:", m_from);
    form->addRow("To:", m_to);
    m_layout->insertLayout(0, form);
}

CPasteDlg::~CPasteDlg()
{
    m_worker.Kill(0, true);
}

vkfileops::ReplaceReply CPasteDlg::AskReplace(const vkfileops::ReplaceQuestion& question)
{
    return m_worker.AskOwner<vkfileops::ReplaceReply>(
        [this, question] {
            CConfirmReplaceDlg dialog(question, this);
            const int result = vkui::execDialog(dialog);
            return vkfileops::ReplaceReply{CConfirmReplaceDlg::AnswerOf(result), dialog.GetRenameText()};
        },
        vkfileops::ReplaceReply{vkfileops::ReplaceAnswer::Cancel, ""});
}

void CPasteDlg::StartWorker()
{
    vkfileops::PasteHooks hooks;
    hooks.showName = [this](const std::string& name) { PostName(name); };
    hooks.progress = [this](int percent) { PostProgress(percent); };
    hooks.message = [this](const std::string& text) { AskMessage(text); };
    hooks.failed = [this](const std::string& text) { ReportFailure(text); };
    hooks.confirmReplace = [this](const vkfileops::ReplaceQuestion& q) { return AskReplace(q); };
    m_worker.ResetAbort();
    m_worker.SetOwner(this, 0);
    m_worker.SetJob({m_request, hooks, [this](const vkfileops::PasteResult& result) {
                         m_worker.PostToOwner([this, result] { m_result = result; });
                         PostFinished();
                     }});
    m_worker.Start();
    m_worker.SetPriority(15);
    m_worker.PostCommand(CThread::CmdJob);
}
