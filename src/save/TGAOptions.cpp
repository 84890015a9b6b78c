#include "TGAOptions.h"

#include "edit/DialogParts.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

CTGAOptions::CTGAOptions(int mode, bool rle, int depthChoice, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(mode == 0 ? "RAS Options" : "TGA Options");
    m_rle = new QCheckBox("&RLE compressed", this);
    m_rle->setObjectName("rle");
    m_rle->setChecked(rle);
    auto* group = new QGroupBox("Pixel depth", this);
    m_depth8 = new QRadioButton("&8 bpp", group);
    m_depth24 = new QRadioButton("&24 bpp", group);
    m_depth8->setObjectName("depth8");
    m_depth24->setObjectName("depth24");
    auto* inner = new QVBoxLayout(group);
    inner->addWidget(m_depth8);
    inner->addWidget(m_depth24);
    (depthChoice == 0 ? m_depth8 : m_depth24)->setChecked(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_rle);
    layout->addWidget(group);
    layout->addWidget(vkdlg::OkCancel(this));
}

bool CTGAOptions::Rle() const { return m_rle->isChecked(); }

int CTGAOptions::DepthChoice() const
{
    return m_depth8->isChecked() ? 0 : m_depth24->isChecked() ? 1 : -1;
}
