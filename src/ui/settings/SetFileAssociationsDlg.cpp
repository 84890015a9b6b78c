#include "ui/settings/SetFileAssociationsDlg.h"

#include "ui/widgets/MessageService.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QVBoxLayout>

CSetFileAssociationsDlg::CSetFileAssociationsDlg(const vkshell::AssociationChecks& checks, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle("Set File Associations");
    auto* group = new QGroupBox("File types");
    auto* grid = new QGridLayout(group);
    const auto& boxes = vkshell::AssociationBoxes();
    for (size_t i = 0; i < boxes.size(); ++i) {
        m_boxes[i] = new QCheckBox(boxes[i].label);
        m_boxes[i]->setChecked(checks[i]);
        grid->addWidget(m_boxes[i], int(i % 5), int(i / 5));
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
}

vkshell::AssociationChecks CSetFileAssociationsDlg::GetChecks() const
{
    vkshell::AssociationChecks checks{};
    for (size_t i = 0; i < m_boxes.size(); ++i)
        checks[i] = m_boxes[i]->isChecked();
    return checks;
}

bool RunSetFileAssociations(const CSettings& settings, QWidget* parent)
{
    CSetFileAssociationsDlg dialog(vkshell::InitialChecks(settings), parent);
    if (vkui::execDialog(dialog) != QDialog::Accepted)
        return false;
    vkshell::AssociateChecked(CFileAssociation::ForThisProgram(), dialog.GetChecks());
    return true;
}
