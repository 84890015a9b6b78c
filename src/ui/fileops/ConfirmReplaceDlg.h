// "Confirm Replace": asks what to do with a file whose name is taken at the
// destination. Closes with the number of the answer (1108 Replace, 1107
// Replace All, 1111 Replace All Older, 1110 Skip, 1112 Skip All, 1 Rename,
// 2 Cancel).
#pragma once

#include "models/fileops/Paste.h"

#include <QDialog>

#include <string>

class QLineEdit;
class QPushButton;

class CConfirmReplaceDlg : public QDialog {
    Q_OBJECT
  public:
    CConfirmReplaceDlg(const vkfileops::ReplaceQuestion& question, QWidget* parent = nullptr);

    std::string GetRenameText() const;
    QLineEdit* GetRenameEdit() const { return m_rename; }
    // The button that closes with `answer`.
    QPushButton* GetButton(vkfileops::ReplaceAnswer answer) const;
    static vkfileops::ReplaceAnswer AnswerOf(int result);

    void reject() override; // Escape is Cancel

  private:
    QLineEdit* m_rename = nullptr;
    std::vector<std::pair<vkfileops::ReplaceAnswer, QPushButton*>> m_buttons;
};
