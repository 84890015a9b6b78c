#include "ui/edit/BrightContGamma.h"

#include "ui/widgets/DialogParts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CBrightContGammaDlg::CBrightContGammaDlg(int kind, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(kind == Brightness ? "Brightness" : kind == Contrast ? "Contrast" : "Gamma Correction");
    m_edit = new QLineEdit("0", this);
    m_edit->setObjectName("value");
    auto* label = new QLabel("Value (-100 to +100) :", this);
    label->setBuddy(m_edit);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_edit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(vkdlg::OkCancel(this));
    m_edit->selectAll();
}

void CBrightContGammaDlg::accept()
{
    if (vkdlg::ReadInteger(m_edit, -100, 100, m_value))
        QDialog::accept();
}
