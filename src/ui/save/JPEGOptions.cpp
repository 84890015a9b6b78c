#include "ui/save/JPEGOptions.h"

#include "ui/widgets/DialogParts.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

namespace {
QSlider* AddSlider(QGroupBox* box, const char* name, int value, const char* left, const char* right)
{
    auto* slider = new QSlider(Qt::Horizontal, box);
    slider->setObjectName(name);
    slider->setRange(0, 100);
    slider->setValue(std::clamp(value, 0, 100));
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(10);
    slider->setMinimumWidth(220);
    auto* grid = new QGridLayout(box);
    grid->addWidget(slider, 0, 0, 1, 2);
    if (left)
        grid->addWidget(new QLabel(left, box), 1, 0, Qt::AlignLeft);
    if (right)
        grid->addWidget(new QLabel(right, box), 1, 1, Qt::AlignRight);
    return slider;
}
} // namespace

CJPEGOptions::CJPEGOptions(int quality, int smoothing, bool progressive, bool optimize, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle("JPEG Options");
    auto* qualityBox = new QGroupBox("Image quality", this);
    m_quality = AddSlider(qualityBox, "quality", quality, "Low (best compression)", "High");
    auto* smoothingBox = new QGroupBox("Smoothing", this);
    m_smoothing = AddSlider(smoothingBox, "smoothing", smoothing, nullptr, nullptr);
    m_progressive = new QCheckBox("&Progressive", this);
    m_progressive->setObjectName("progressive");
    m_progressive->setChecked(progressive);
    m_optimize = new QCheckBox("Optimize &Huffman codes", this);
    m_optimize->setObjectName("optimize");
    m_optimize->setChecked(optimize);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(qualityBox);
    layout->addWidget(smoothingBox);
    layout->addWidget(m_progressive);
    layout->addWidget(m_optimize);
    layout->addWidget(vkdlg::OkCancel(this, true));
}

int CJPEGOptions::Quality() const
{
    return m_quality->value();
}
int CJPEGOptions::Smoothing() const
{
    return m_smoothing->value();
}
bool CJPEGOptions::Progressive() const
{
    return m_progressive->isChecked();
}
bool CJPEGOptions::Optimize() const
{
    return m_optimize->isChecked();
}
