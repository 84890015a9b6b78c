#include "ui/save/TGAOptions.h"

#include "ui/widgets/DialogParts.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QVBoxLayout>

CTGAOptions::CTGAOptions(const QString& title, bool rle, int depthChoice, QWidget* parent)
    : QDialog(parent), m_depth(this, depthChoice)
{
    setWindowTitle(title);
    m_rle = new QCheckBox("&RLE compressed", this);
    m_rle->setObjectName("rle");
    m_rle->setChecked(rle);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_rle);
    layout->addWidget(m_depth.group);
    layout->addWidget(vkdlg::OkCancel(this));
}

bool CTGAOptions::Rle() const
{
    return m_rle->isChecked();
}

int CTGAOptions::DepthChoice() const
{
    return m_depth.Choice();
}
