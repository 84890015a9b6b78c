#include "DialogParts.h"

#include "browser/MessageService.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>

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

} // namespace vkdlg
