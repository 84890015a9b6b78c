// The Delete progress dialog: deletes the request's files on its worker.
#pragma once

#include "models/fileops/Delete.h"
#include "ui/fileops/FileProgressDlg.h"

class CDeleteDlg : public CFileProgressDlg {
    Q_OBJECT
  public:
    CDeleteDlg(const vkfileops::DeleteRequest& request, QWidget* parent = nullptr);
    ~CDeleteDlg() override;
    vkfileops::DeleteResult GetResult() const { return m_result; }

  protected:
    void StartWorker() override;
    CThread& Worker() override { return m_worker; }

  private:
    vkfileops::DeleteRequest m_request;
    vkfileops::DeleteResult m_result;
    CDeleteThread m_worker;
};
