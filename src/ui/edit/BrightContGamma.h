// The one-value dialog of Gamma, Brightness and Contrast.
#pragma once

#include <QDialog>

class QLineEdit;

class CBrightContGammaDlg : public QDialog {
    Q_OBJECT
  public:
    enum Kind { Gamma = 0, Brightness = 1, Contrast = 2 };
    explicit CBrightContGammaDlg(int kind, QWidget* parent = nullptr);
    int Value() const { return m_value; }
    void accept() override;

  private:
    QLineEdit* m_edit;
    int m_value = 0;
};
