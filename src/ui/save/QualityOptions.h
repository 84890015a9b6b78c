// The option dialog of the newer formats' writers (WebP, AVIF, JPEG XL,
// HEIC): an image quality and what else the target's row names: lossless,
// the encoder's speed, a JPEG XL distance instead of the quality, the
// effort. It shows and sets the row's remembered values and nothing else.
#pragma once

#include "engine/save/SaveOptions.h"

#include <QDialog>

class QCheckBox;
class QDoubleSpinBox;
class QSlider;

class CQualityOptions : public QDialog {
    Q_OBJECT
  public:
    CQualityOptions(const SaveOptionsOf& options, const SaveOptionValues& values, QWidget* parent = nullptr);
    // Writes the answers into the values the row names.
    void Apply(SaveOptionValues& values) const;

  private:
    void UpdateEnabled();

    SaveOptionsOf m_options;
    QSlider* m_quality = nullptr;
    QCheckBox* m_lossless = nullptr;
    QCheckBox* m_byDistance = nullptr;
    QDoubleSpinBox* m_distance = nullptr;
    QSlider* m_speed = nullptr;
    QSlider* m_effort = nullptr;
};
