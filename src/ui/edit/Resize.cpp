#include "ui/edit/Resize.h"

#include "engine/picture/Bmp.h"
#include "ui/edit/CanvasSize.h"
#include "ui/widgets/DialogParts.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

CResizeDlg::CResizeDlg(int width, int height, int unit, bool constrain, QWidget* parent)
    : QDialog(parent), m_proportions(width, height), m_unit(unit), m_width(width), m_height(height)
{
    setWindowTitle("Resize");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(vkdlg::CurrentSizeGroup(this, width, height, unit));
    layout->addWidget(vkdlg::NewSizeGroup(this, width, height, unit, m_widthEdit, m_heightEdit));
    m_constrain = new QCheckBox("&Constrain proportions", this);
    m_constrain->setObjectName("constrain");
    m_constrain->setChecked(constrain);
    layout->addWidget(m_constrain);
    layout->addWidget(vkdlg::OkCancel(this));
    connect(m_widthEdit, &QLineEdit::textEdited, this, [this] { Follow(m_widthEdit); });
    connect(m_heightEdit, &QLineEdit::textEdited, this, [this] { Follow(m_heightEdit); });
}

bool CResizeDlg::Constrain() const
{
    return m_constrain->isChecked();
}

void CResizeDlg::Follow(QLineEdit* edited)
{
    if (m_updating || !m_constrain->isChecked())
        return;
    bool ok = false;
    const double value = edited->text().trimmed().toDouble(&ok);
    if (!ok)
        return;
    m_updating = true;
    if (edited == m_widthEdit)
        m_heightEdit->setText(
            QString::fromStdString(CResizeProportions::Text(m_proportions.HeightFor(value), m_unit)));
    else
        m_widthEdit->setText(
            QString::fromStdString(CResizeProportions::Text(m_proportions.WidthFor(value), m_unit)));
    m_updating = false;
}

void CResizeDlg::accept()
{
    if (vkdlg::ReadPixelSize(m_widthEdit, m_heightEdit, m_unit, m_width, m_height))
        QDialog::accept();
}
