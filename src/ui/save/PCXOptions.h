// Pixel depth dialog of the PCX and BMP writers.
#pragma once

#include "ui/widgets/DialogParts.h"

#include <QDialog>

class CPCXOptions : public QDialog {
    Q_OBJECT
  public:
    // title: "BMP Options", "PCX Options".
    CPCXOptions(const QString& title, int depthChoice, QWidget* parent = nullptr);
    // Radio index: 0 for 8 bpp, 1 for 24 bpp, -1 when none is set.
    int DepthChoice() const;

  private:
    vkdlg::PixelDepthGroup m_depth;
};
