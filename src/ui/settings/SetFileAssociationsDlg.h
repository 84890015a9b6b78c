// CSetFileAssociationsDlg: "Set File Associations", fifteen boxes.
#pragma once

#include "models/settings/Associations.h"

#include <QDialog>

#include <array>

class QCheckBox;

class CSetFileAssociationsDlg : public QDialog {
    Q_OBJECT
  public:
    CSetFileAssociationsDlg(const vkshell::AssociationChecks& checks, QWidget* parent = nullptr);
    vkshell::AssociationChecks GetChecks() const;
    QCheckBox* GetBox(int index) const { return m_boxes[size_t(index)]; }

  private:
    std::array<QCheckBox*, vkshell::kAssociationBoxes> m_boxes{};
};

// The command: the dialog from the settings, then on OK the checked types
// associated with this program (failures skipped silently). The choices
// are not stored. True after OK.
bool RunSetFileAssociations(const CSettings& settings, QWidget* parent);
