// Quality, smoothing and coding dialog of the JPEG writer.
#pragma once

#include <QDialog>

class QCheckBox;
class QSlider;

class CJPEGOptions : public QDialog {
    Q_OBJECT
  public:
    CJPEGOptions(int quality, int smoothing, bool progressive, bool optimize, QWidget* parent = nullptr);
    int Quality() const;
    int Smoothing() const;
    bool Progressive() const;
    bool Optimize() const;

  private:
    QSlider* m_quality;
    QSlider* m_smoothing;
    QCheckBox* m_progressive;
    QCheckBox* m_optimize;
};
