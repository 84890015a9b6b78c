// Compression dialog of the TIFF writer.
#pragma once

#include <QDialog>

class QButtonGroup;

class CTIFFOptions : public QDialog {
    Q_OBJECT
  public:
    // compression: 0 None, 1 Packbits, 2 LZW.
    CTIFFOptions(int compression, QWidget* parent = nullptr);
    int Compression() const;

  private:
    QButtonGroup* m_group;
};
