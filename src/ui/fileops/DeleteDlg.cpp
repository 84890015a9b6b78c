#include "ui/fileops/DeleteDlg.h"

CDeleteDlg::CDeleteDlg(const vkfileops::DeleteRequest& request, QWidget* parent)
    : CFileProgressDlg(parent), m_request(request), m_worker(this)
{
    setWindowTitle("Delete");
}

CDeleteDlg::~CDeleteDlg()
{
    m_worker.Kill(0, true);
}

void CDeleteDlg::StartWorker()
{
    vkfileops::DeleteHooks hooks;
    hooks.showName = [this](const std::string& name) { PostName(name); };
    hooks.progress = [this](int percent) { PostProgress(percent); };
    hooks.message = [this](const std::string& text) { ReportFailure(text); };
    hooks.confirm = [this](const std::string& question) { return AskYesNo(question); };
    m_worker.ResetAbort();
    m_worker.SetOwner(this, 0);
    m_worker.SetJob({m_request, hooks, [this](const vkfileops::DeleteResult& result) {
                         m_worker.PostToOwner([this, result] { m_result = result; });
                         PostFinished();
                     }});
    m_worker.Start();
    m_worker.SetPriority(15);
    m_worker.PostCommand(CThread::CmdJob);
}
