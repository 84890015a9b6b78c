// The Paste progress dialog ("Copy" or "Move"): copies or moves the
// request's files on its worker; name clashes are asked with the Confirm
// Replace dialog on the GUI thread.
#pragma once

#include "models/fileops/Paste.h"
#include "ui/fileops/FileProgressDlg.h"

class CPasteDlg : public CFileProgressDlg {
    Q_OBJECT
  public:
    CPasteDlg(const vkfileops::PasteRequest& request, QWidget* parent = nullptr);
    ~CPasteDlg() override;
    vkfileops::PasteResult GetResult() const { return m_result; }
    QLabel* GetFromLabel() const { return m_from; }
    QLabel* GetToLabel() const { return m_to; }

  protected:
    void StartWorker() override;
    CThread& Worker() override { return m_worker; }

  private:
    vkfileops::ReplaceReply AskReplace(const vkfileops::ReplaceQuestion& question);

    vkfileops::PasteRequest m_request;
    vkfileops::PasteResult m_result;
    QLabel* m_from = nullptr;
    QLabel* m_to = nullptr;
    CPasteThread m_worker;
};
