// The Rotate dialog: angle, direction and quality.
#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QRadioButton;

class CRotateDlg : public QDialog {
    Q_OBJECT
  public:
    // direction 0 CW, 1 CCW; quality 0 Low, 1 Medium, 2 High.
    CRotateDlg(int angle, int direction, int quality, QWidget* parent = nullptr);
    int Angle() const { return m_angle; }
    int Direction() const;
    int Quality() const;
    // The clockwise angle handed to the picture: a for CW, 360 - a for CCW.
    int ClockwiseAngle() const { return Direction() == 0 ? m_angle : 360 - m_angle; }
    void accept() override;

  private:
    QLineEdit* m_edit;
    QRadioButton* m_cw;
    QRadioButton* m_ccw;
    QComboBox* m_quality;
    int m_angle;
};
