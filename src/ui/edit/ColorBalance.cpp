#include "ui/edit/ColorBalance.h"

#include "ui/widgets/DialogParts.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CColorBalanceDlg::CColorBalanceDlg(int red, int green, int blue, QWidget* parent)
    : QDialog(parent), m_values{red, green, blue}
{
    setWindowTitle("Color Balance");
    auto* form = new QFormLayout;
    const char* labels[] = {"Red:", "Green:", "Blue:"};
    const char* names[] = {"red", "green", "blue"};
    for (int i = 0; i < 3; ++i) {
        m_edits[i] = new QLineEdit(QString::number(m_values[i]), this);
        m_edits[i]->setObjectName(names[i]);
        form->addRow(labels[i], m_edits[i]);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(new QLabel("Values between -100 and +100", this));
    layout->addWidget(vkdlg::OkCancel(this));
}

void CColorBalanceDlg::accept()
{
    int values[3];
    for (int i = 0; i < 3; ++i)
        if (!vkdlg::ReadInteger(m_edits[i], -100, 100, values[i]))
            return;
    std::copy(values, values + 3, m_values);
    QDialog::accept();
}
