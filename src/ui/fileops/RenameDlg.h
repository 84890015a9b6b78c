// The small name dialogs: "Rename" (a prompt and a name), "Rename Series"
// (a base name and its scope) and "Make Directory". Every name field takes
// at most 32 characters.
#pragma once

#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QRadioButton;

inline constexpr int kNameFieldLength = 32;

class CRenameDlg : public QDialog {
    Q_OBJECT
  public:
    CRenameDlg(const std::string& prompt, const std::string& name, QWidget* parent = nullptr);
    std::string GetName() const;
    QLineEdit* GetEdit() const { return m_edit; }
    QLabel* GetPrompt() const { return m_prompt; }

  private:
    QLabel* m_prompt = nullptr;
    QLineEdit* m_edit = nullptr;
};

class CRenameSeriesDlg : public QDialog {
    Q_OBJECT
  public:
    // `scope`: 0 all files in the folder, 1 selected files only.
    CRenameSeriesDlg(const std::string& base, int scope, QWidget* parent = nullptr);
    std::string GetBase() const;
    int GetScope() const;
    QLineEdit* GetEdit() const { return m_edit; }
    QRadioButton* GetAllButton() const { return m_all; }
    QRadioButton* GetSelectedButton() const { return m_selected; }

  private:
    QLineEdit* m_edit = nullptr;
    QRadioButton* m_all = nullptr;
    QRadioButton* m_selected = nullptr;
};

class CMakeDirectoryDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CMakeDirectoryDlg(QWidget* parent = nullptr);
    std::string GetName() const;
    QLineEdit* GetEdit() const { return m_edit; }

  private:
    QLineEdit* m_edit = nullptr;
};
