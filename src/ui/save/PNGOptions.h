// Interlace dialog of the PNG and GIF writers.
#pragma once

#include <QDialog>

class QCheckBox;

class CPNGOptions : public QDialog {
    Q_OBJECT
  public:
    // mode 0 shows it as "GIF Options", 1 as "PNG Options".
    CPNGOptions(int mode, bool interlaced, QWidget* parent = nullptr);
    bool Interlaced() const;

  private:
    QCheckBox* m_interlaced;
};
