#include "ui/save/PNGOptions.h"

#include "ui/widgets/DialogParts.h"

#include <QCheckBox>
#include <QVBoxLayout>

CPNGOptions::CPNGOptions(const QString& title, bool interlaced, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(title);
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
