#include "ui/save/JPEGOptions.h"

#include "ui/widgets/DialogParts.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QSlider>
#include <QVBoxLayout>

CJPEGOptions::CJPEGOptions(int quality, int smoothing, bool progressive, bool optimize, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle("JPEG Options");
    auto* qualityBox = new QGroupBox("Image quality", this);
    m_quality = vkdlg::AddSlider(qualityBox, "quality", quality, 0, 100, "Low (best compression)", "High");
    auto* smoothingBox = new QGroupBox("Smoothing", this);
    m_smoothing = vkdlg::AddSlider(smoothingBox, "smoothing", smoothing, 0, 100, nullptr, nullptr);
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
