#include "ui/edit/Rotate.h"

#include "ui/widgets/DialogParts.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

CRotateDlg::CRotateDlg(int angle, int direction, int quality, QWidget* parent)
    : QDialog(parent), m_angle(angle)
{
    setWindowTitle("Rotate");
    m_edit = new QLineEdit(QString::number(angle), this);
    m_edit->setObjectName("angle");
    auto* label = new QLabel("Angle:", this);
    label->setBuddy(m_edit);
    m_cw = new QRadioButton("&CW", this);
    m_ccw = new QRadioButton("CC&W", this);
    m_cw->setObjectName("cw");
    m_ccw->setObjectName("ccw");
    (direction == 1 ? m_ccw : m_cw)->setChecked(true);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_edit);
    row->addWidget(m_cw);
    row->addWidget(m_ccw);

    auto* qualityBox = new QGroupBox("Image Quality", this);
    m_quality = new QComboBox(qualityBox);
    m_quality->setObjectName("quality");
    m_quality->addItems({"Low", "Medium (Anti-aliasing)", "High (Interpolation)"});
    m_quality->setCurrentIndex(quality >= 0 && quality <= 2 ? quality : 2);
    (new QVBoxLayout(qualityBox))->addWidget(m_quality);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(qualityBox);
    layout->addWidget(vkdlg::OkCancel(this));
}

int CRotateDlg::Direction() const
{
    return m_ccw->isChecked() ? 1 : 0;
}
int CRotateDlg::Quality() const
{
    return m_quality->currentIndex();
}

void CRotateDlg::accept()
{
    if (vkdlg::ReadInteger(m_edit, 1, 359, m_angle))
        QDialog::accept();
}
