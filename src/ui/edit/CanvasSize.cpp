#include "ui/edit/CanvasSize.h"

#include "engine/edit/SizeUnits.h"
#include "engine/picture/Bmp.h"
#include "models/browser/FormatNumber.h"
#include "ui/widgets/DialogParts.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vkdlg {

QString SizeText(int pixels, int unit)
{
    return QString::fromStdString(FormatNumber(PixelsToUnit(pixels, unit), 4));
}

QGroupBox* CurrentSizeGroup(QWidget* parent, int width, int height, int unit)
{
    auto* box = new QGroupBox("Current Size", parent);
    auto* grid = new QGridLayout(box);
    const QString label = UnitLabel(unit);
    grid->addWidget(new QLabel("Width:", box), 0, 0);
    grid->addWidget(new QLabel(SizeText(width, unit) + " " + label, box), 0, 1);
    grid->addWidget(new QLabel("Height:", box), 1, 0);
    grid->addWidget(new QLabel(SizeText(height, unit) + " " + label, box), 1, 1);
    return box;
}

QGroupBox* NewSizeGroup(QWidget* parent, int width, int height, int unit, QLineEdit*& widthEdit,
                        QLineEdit*& heightEdit)
{
    auto* box = new QGroupBox("New Size", parent);
    auto* grid = new QGridLayout(box);
    widthEdit = new QLineEdit(SizeText(width, unit), box);
    heightEdit = new QLineEdit(SizeText(height, unit), box);
    widthEdit->setObjectName("width");
    heightEdit->setObjectName("height");
    auto* w = new QLabel("Width:", box);
    auto* h = new QLabel("Height:", box);
    w->setBuddy(widthEdit);
    h->setBuddy(heightEdit);
    grid->addWidget(w, 0, 0);
    grid->addWidget(widthEdit, 0, 1);
    grid->addWidget(new QLabel(UnitLabel(unit), box), 0, 2);
    grid->addWidget(h, 1, 0);
    grid->addWidget(heightEdit, 1, 1);
    grid->addWidget(new QLabel(UnitLabel(unit), box), 1, 2);
    return box;
}

} // namespace vkdlg

namespace {
// Grid cell (row, column) of each anchor index.
constexpr int kAnchorCells[9][2] = {{1, 1}, {0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 2}, {2, 0}, {2, 1}, {2, 2}};
} // namespace

CCanvasSizeDlg::CCanvasSizeDlg(int width, int height, int unit, int anchor, QWidget* parent)
    : QDialog(parent), m_unit(unit), m_width(width), m_height(height)
{
    setWindowTitle("Canvas Size");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(vkdlg::CurrentSizeGroup(this, width, height, unit));
    layout->addWidget(vkdlg::NewSizeGroup(this, width, height, unit, m_widthEdit, m_heightEdit));

    auto* anchorBox = new QGroupBox("Anchor", this);
    auto* grid = new QGridLayout(anchorBox);
    m_anchor = new QButtonGroup(this);
    for (int i = 0; i < 9; ++i) {
        auto* b = new QRadioButton(anchorBox);
        b->setObjectName(QString("anchor%1").arg(i));
        m_anchor->addButton(b, i);
        grid->addWidget(b, kAnchorCells[i][0], kAnchorCells[i][1], Qt::AlignCenter);
    }
    m_anchor->button(anchor >= 0 && anchor <= 8 ? anchor : 0)->setChecked(true);
    layout->addWidget(anchorBox);
    layout->addWidget(vkdlg::OkCancel(this));
}

int CCanvasSizeDlg::Anchor() const
{
    return std::max(0, m_anchor->checkedId());
}

void CCanvasSizeDlg::accept()
{
    if (vkdlg::ReadPixelSize(m_widthEdit, m_heightEdit, m_unit, m_width, m_height))
        QDialog::accept();
}
