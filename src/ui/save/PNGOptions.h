// Interlace dialog of the PNG and GIF writers.
#pragma once

#include <QDialog>

class QCheckBox;

class CPNGOptions : public QDialog {
    Q_OBJECT
  public:
    // title: "GIF Options", "PNG Options".
    CPNGOptions(const QString& title, bool interlaced, QWidget* parent = nullptr);
    bool Interlaced() const;

  private:
    QCheckBox* m_interlaced;
};
