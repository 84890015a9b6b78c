#include "ui/widgets/DialogParts.h"

#include "engine/edit/SizeUnits.h"
#include "engine/picture/Bmp.h"
#include "ui/widgets/MessageService.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace vkdlg {

QDialogButtonBox* OkCancel(QDialog* dialog, bool mnemonics)
{
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    box->button(QDialogButtonBox::Ok)->setText(mnemonics ? "&OK" : "OK");
    box->button(QDialogButtonBox::Cancel)->setText(mnemonics ? "&Cancel" : "Cancel");
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

QSlider* AddSlider(QGroupBox* box, const char* name, int value, int minimum, int maximum, const char* left,
                   const char* right)
{
    auto* slider = new QSlider(Qt::Horizontal, box);
    slider->setObjectName(name);
    slider->setRange(minimum, maximum);
    slider->setValue(std::clamp(value, minimum, maximum));
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(maximum - minimum > 20 ? 10 : 1);
    slider->setMinimumWidth(220);
    auto* grid = new QGridLayout(box);
    grid->addWidget(slider, 0, 0, 1, 2);
    if (left)
        grid->addWidget(new QLabel(left, box), 1, 0, Qt::AlignLeft);
    if (right)
        grid->addWidget(new QLabel(right, box), 1, 1, Qt::AlignRight);
    return slider;
}

PixelDepthGroup::PixelDepthGroup(QWidget* parent, int choice)
    : group(new QGroupBox("Pixel depth", parent)), depth8(new QRadioButton("&8 bpp", group)),
      depth24(new QRadioButton("&24 bpp", group))
{
    depth8->setObjectName("depth8");
    depth24->setObjectName("depth24");
    auto* inner = new QVBoxLayout(group);
    inner->addWidget(depth8);
    inner->addWidget(depth24);
    (choice == 0 ? depth8 : depth24)->setChecked(true);
}

int PixelDepthGroup::Choice() const
{
    return depth8->isChecked() ? 0 : depth24->isChecked() ? 1 : -1;
}

namespace {
bool Refuse(QLineEdit* edit, const QString& text)
{
    vkui::ask(text, vkui::Buttons::Ok, vkui::Icon::Warning);
    edit->setFocus();
    edit->selectAll();
    return false;
}
} // namespace

bool ReadInteger(QLineEdit* edit, int minimum, int maximum, int& value)
{
    bool ok = false;
    const int v = edit->text().trimmed().toInt(&ok);
    if (!ok || v < minimum || v > maximum)
        return Refuse(edit, QString("Please enter an integer between %1 and %2.").arg(minimum).arg(maximum));
    value = v;
    return true;
}

bool ReadNumber(QLineEdit* edit, double minimum, double maximum, double& value)
{
    bool ok = false;
    const double v = edit->text().trimmed().toDouble(&ok);
    if (!ok || !(v >= minimum && v <= maximum))
        return Refuse(edit, QString("Please enter a number between %1 and %2.").arg(minimum).arg(maximum));
    value = v;
    return true;
}

bool ReadPixelSize(QLineEdit* widthEdit, QLineEdit* heightEdit, int unit, int& width, int& height)
{
    double w = 0, h = 0;
    if (!ReadNumber(widthEdit, kSizeMinimum, kSizeMaximum, w) ||
        !ReadNumber(heightEdit, kSizeMinimum, kSizeMaximum, h))
        return false;
    width = UnitToPixels(w, unit, int(kMaxSide));
    height = UnitToPixels(h, unit, int(kMaxSide));
    return true;
}

} // namespace vkdlg
