// CCompareDirectoriesDlg: the criteria of Compare Directories - what makes
// two files the same, and the folder to compare the current one with.
#pragma once

#include "models/search/CompareDirectories.h"

#include <QDialog>

#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class CCompareDirectoriesDlg : public QDialog {
    Q_OBJECT
  public:
    CCompareDirectoriesDlg(const vkcompare::CompareCriteria& criteria, const std::string& source,
                           QWidget* parent = nullptr);

    // OK: refuses an empty destination and the source itself, by any name.
    void accept() override;
    void OnBrowse();

    vkcompare::CompareCriteria GetCriteria() const;
    // The destination without a trailing separator; a relative one is
    // taken from the source folder.
    std::string GetDestination() const;
    void SetFolderPicker(std::function<std::string(const std::string& start)> picker)
    {
        m_picker = std::move(picker);
    }

    QCheckBox* GetNameCheck() const { return m_name; }
    QCheckBox* GetExtensionCheck() const { return m_extension; }
    QComboBox* GetExtensionBox() const { return m_extensionText; }
    QCheckBox* GetSizeCheck() const { return m_size; }
    QCheckBox* GetDateCheck() const { return m_date; }
    QCheckBox* GetCaseCheck() const { return m_case; }
    QLineEdit* GetDestinationEdit() const { return m_destination; }
    QLabel* GetSourceLabel() const { return m_source; }

  private:
    std::string m_sourceDir;
    std::function<std::string(const std::string&)> m_picker;
    QCheckBox* m_name = nullptr;
    QCheckBox* m_extension = nullptr;
    QComboBox* m_extensionText = nullptr;
    QCheckBox* m_size = nullptr;
    QCheckBox* m_date = nullptr;
    QCheckBox* m_case = nullptr;
    QLabel* m_source = nullptr;
    QLineEdit* m_destination = nullptr;
    QPushButton* m_browse = nullptr;
};
