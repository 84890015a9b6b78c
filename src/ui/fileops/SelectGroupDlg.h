// "Select Group" and "Unselect Group": criteria by extension, size and
// modification date. Each criterion's controls are enabled by its check box;
// OK checks the values and keeps the dialog open on a bad one.
#pragma once

#include "models/fileops/SelectGroup.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

class CSelectGroupDlg : public QDialog {
    Q_OBJECT
  public:
    // `unselect` makes the Unselect Group dialog (no "E&xpand selection").
    explicit CSelectGroupDlg(bool unselect = false, QWidget* parent = nullptr);

    vkfileops::GroupCriteria GetCriteria() const;
    void accept() override;

    QCheckBox* GetExtensionCheck() const { return m_useExtension; }
    QComboBox* GetExtensionList() const { return m_extension; }
    QCheckBox* GetSizeCheck() const { return m_useSize; }
    QComboBox* GetOperatorList() const { return m_operator; }
    QLineEdit* GetSizeEdit() const { return m_size; }
    QComboBox* GetUnitList() const { return m_unit; }
    QCheckBox* GetDateCheck() const { return m_useDate; }
    QSpinBox* GetMonth(int which) const { return which ? m_toMonth : m_fromMonth; }
    QSpinBox* GetDay(int which) const { return which ? m_toDay : m_fromDay; }
    QLineEdit* GetYear(int which) const { return which ? m_toYear : m_fromYear; }
    QCheckBox* GetExpandCheck() const { return m_expand; }

  private:
    void UpdateEnabled();

    QCheckBox* m_useExtension = nullptr;
    QComboBox* m_extension = nullptr;
    QCheckBox* m_useSize = nullptr;
    QComboBox* m_operator = nullptr;
    QLineEdit* m_size = nullptr;
    QComboBox* m_unit = nullptr;
    QCheckBox* m_useDate = nullptr;
    QSpinBox* m_fromMonth = nullptr;
    QSpinBox* m_fromDay = nullptr;
    QLineEdit* m_fromYear = nullptr;
    QSpinBox* m_toMonth = nullptr;
    QSpinBox* m_toDay = nullptr;
    QLineEdit* m_toYear = nullptr;
    QCheckBox* m_expand = nullptr;
};
