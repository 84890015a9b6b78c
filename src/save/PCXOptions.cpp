#include "PCXOptions.h"

#include "edit/DialogParts.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

CPCXOptions::CPCXOptions(int mode, int depthChoice, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(mode == 1 ? "BMP Options" : "PCX Options");
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
    layout->addWidget(group);
    layout->addWidget(vkdlg::OkCancel(this));
}

int CPCXOptions::DepthChoice() const
{
    return m_depth8->isChecked() ? 0 : m_depth24->isChecked() ? 1 : -1;
}
