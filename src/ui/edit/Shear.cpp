#include "ui/edit/Shear.h"

#include "ui/widgets/DialogParts.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

CShearDlg::CShearDlg(int angle, bool antiAlias, int corner, QWidget* parent) : QDialog(parent), m_angle(angle)
{
    setWindowTitle("Shear");
    m_edit = new QLineEdit(QString::number(angle), this);
    m_edit->setObjectName("angle");
    auto* label = new QLabel("Angle (1-89):", this);
    label->setBuddy(m_edit);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_edit);
    m_antiAlias = new QCheckBox("&Anti-aliasing", this);
    m_antiAlias->setObjectName("antiAlias");
    m_antiAlias->setChecked(antiAlias);

    auto* cornerBox = new QGroupBox("Corner", this);
    m_upLeft = new QRadioButton("&Up-Left", cornerBox);
    m_downLeft = new QRadioButton("&Down-Left", cornerBox);
    m_upLeft->setObjectName("upLeft");
    m_downLeft->setObjectName("downLeft");
    (corner == 1 ? m_downLeft : m_upLeft)->setChecked(true);
    auto* c = new QVBoxLayout(cornerBox);
    c->addWidget(m_upLeft);
    c->addWidget(m_downLeft);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(m_antiAlias);
    layout->addWidget(cornerBox);
    layout->addWidget(vkdlg::OkCancel(this));
}

bool CShearDlg::AntiAlias() const
{
    return m_antiAlias->isChecked();
}
int CShearDlg::Corner() const
{
    return m_downLeft->isChecked() ? 1 : 0;
}

void CShearDlg::accept()
{
    if (vkdlg::ReadInteger(m_edit, 1, 89, m_angle))
        QDialog::accept();
}
