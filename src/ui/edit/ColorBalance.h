// The Color Balance dialog: red, green and blue, each -100..100.
#pragma once

#include <QDialog>

class QLineEdit;

class CColorBalanceDlg : public QDialog {
    Q_OBJECT
  public:
    CColorBalanceDlg(int red, int green, int blue, QWidget* parent = nullptr);
    int Red() const { return m_values[0]; }
    int Green() const { return m_values[1]; }
    int Blue() const { return m_values[2]; }
    void accept() override;

  private:
    QLineEdit* m_edits[3];
    int m_values[3];
};
