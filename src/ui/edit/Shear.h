// The Shear dialog: angle, anti-aliasing and corner.
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QRadioButton;

class CShearDlg : public QDialog {
    Q_OBJECT
  public:
    // corner 0 Up-Left, 1 Down-Left.
    CShearDlg(int angle, bool antiAlias, int corner, QWidget* parent = nullptr);
    int Angle() const { return m_angle; }
    bool AntiAlias() const;
    int Corner() const;
    void accept() override;

  private:
    QLineEdit* m_edit;
    QCheckBox* m_antiAlias;
    QRadioButton* m_upLeft;
    QRadioButton* m_downLeft;
    int m_angle;
};
