#include "ui/save/PICTOptions.h"

#include "ui/widgets/DialogParts.h"

#include <QCheckBox>
#include <QVBoxLayout>

CPICTOptions::CPICTOptions(bool rle, QWidget* parent) : QDialog(parent)
{
    setWindowTitle("PICT Options");
    m_rle = new QCheckBox("&RLE compressed", this);
    m_rle->setObjectName("rle");
    m_rle->setChecked(rle);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_rle);
    layout->addWidget(vkdlg::OkCancel(this));
}

bool CPICTOptions::Rle() const
{
    return m_rle->isChecked();
}
