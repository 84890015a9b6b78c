#include "ui/save/PNGOptions.h"

#include "ui/widgets/DialogParts.h"

#include <QCheckBox>
#include <QVBoxLayout>

CPNGOptions::CPNGOptions(int mode, bool interlaced, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(mode == 0 ? "GIF Options" : "PNG Options");
    m_interlaced = new QCheckBox("&Interlaced", this);
    m_interlaced->setObjectName("interlaced");
    m_interlaced->setChecked(interlaced);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_interlaced);
    layout->addWidget(vkdlg::OkCancel(this));
}

bool CPNGOptions::Interlaced() const
{
    return m_interlaced->isChecked();
}
