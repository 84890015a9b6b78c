// RLE and pixel depth dialog of the Targa and Sun raster writers.
#pragma once

#include "ui/widgets/DialogParts.h"

#include <QDialog>

class QCheckBox;

class CTGAOptions : public QDialog {
    Q_OBJECT
  public:
    // title: "RAS Options", "TGA Options".
    CTGAOptions(const QString& title, bool rle, int depthChoice, QWidget* parent = nullptr);
    bool Rle() const;
    // 0 for 8 bpp, 1 for 24 bpp, -1 when none is set.
    int DepthChoice() const;

  private:
    QCheckBox* m_rle;
    vkdlg::PixelDepthGroup m_depth;
};
