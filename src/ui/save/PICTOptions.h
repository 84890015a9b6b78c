// RLE dialog of the PICT writer.
#pragma once

#include <QDialog>

class QCheckBox;

class CPICTOptions : public QDialog {
    Q_OBJECT
  public:
    CPICTOptions(bool rle, QWidget* parent = nullptr);
    bool Rle() const;

  private:
    QCheckBox* m_rle;
};
