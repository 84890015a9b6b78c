#include "ui/save/QualityOptions.h"

#include "engine/save/JXLEncoder.h"
#include "ui/widgets/DialogParts.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

CQualityOptions::CQualityOptions(const SaveOptionsOf& options, const SaveOptionValues& values,
                                 QWidget* parent)
    : QDialog(parent), m_options(options)
{
    setWindowTitle(options.title);
    auto* layout = new QVBoxLayout(this);
    if (options.lossless) {
        m_lossless = new QCheckBox("&Lossless", this);
        m_lossless->setObjectName("lossless");
        m_lossless->setChecked(values.*options.lossless != 0);
        connect(m_lossless, &QCheckBox::toggled, this, &CQualityOptions::UpdateEnabled);
        layout->addWidget(m_lossless);
    }
    if (options.quality) {
        auto* box = new QGroupBox("Image quality", this);
        m_quality = vkdlg::AddSlider(box, "quality", values.*options.quality, 0, 100,
                                     "Low (best compression)", "High");
        layout->addWidget(box);
    }
    if (options.distance && options.quality) {
        // A distance instead of the quality: what the slider gives is shown
        // until the distance is chosen.
        auto* box = new QGroupBox("Distance", this);
        auto* row = new QHBoxLayout(box);
        m_byDistance = new QCheckBox("Set the &distance:", box);
        m_byDistance->setObjectName("byDistance");
        m_byDistance->setChecked(values.*options.distance >= 0);
        m_distance = new QDoubleSpinBox(box);
        m_distance->setObjectName("distance");
        m_distance->setDecimals(2);
        m_distance->setSingleStep(0.1);
        m_distance->setRange(0.0, double(CJXLEncoder::kMaxDistance));
        m_distance->setValue(values.*options.distance >= 0
                                 ? values.*options.distance / 100.0
                                 : double(CJXLEncoder::DistanceOf(values.*options.quality)));
        row->addWidget(m_byDistance);
        row->addWidget(m_distance);
        layout->addWidget(box);
        connect(m_byDistance, &QCheckBox::toggled, this, &CQualityOptions::UpdateEnabled);
        connect(m_quality, &QSlider::valueChanged, this, [this](int quality) {
            if (!m_byDistance->isChecked())
                m_distance->setValue(double(CJXLEncoder::DistanceOf(quality)));
        });
    }
    if (options.speed) {
        auto* box = new QGroupBox("Encoder speed", this);
        m_speed = vkdlg::AddSlider(box, "speed", values.*options.speed, 0, 10, "Slow (smallest)", "Fast");
        layout->addWidget(box);
    }
    if (options.effort) {
        auto* box = new QGroupBox("Effort", this);
        m_effort = vkdlg::AddSlider(box, "effort", values.*options.effort, 1, 9, "Fast", "Slow (smallest)");
        layout->addWidget(box);
    }
    layout->addWidget(vkdlg::OkCancel(this, true));
    UpdateEnabled();
}

void CQualityOptions::UpdateEnabled()
{
    const bool lossy = !m_lossless || !m_lossless->isChecked();
    const bool byDistance = m_byDistance && m_byDistance->isChecked();
    if (m_quality)
        m_quality->setEnabled(lossy && !byDistance);
    if (m_byDistance)
        m_byDistance->setEnabled(lossy);
    if (m_distance)
        m_distance->setEnabled(lossy && byDistance);
}

void CQualityOptions::Apply(SaveOptionValues& values) const
{
    if (m_quality)
        values.*m_options.quality = m_quality->value();
    if (m_lossless)
        values.*m_options.lossless = m_lossless->isChecked() ? 1 : 0;
    if (m_distance)
        values.*m_options.distance =
            m_byDistance->isChecked() ? int(std::lround(m_distance->value() * 100)) : -1;
    if (m_speed)
        values.*m_options.speed = m_speed->value();
    if (m_effort)
        values.*m_options.effort = m_effort->value();
}
