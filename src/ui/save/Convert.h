// The Convert dialog: destination format, "R&eplace original" and the
// overwrite policy.
#pragma once

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;

class CConvertDlg : public QDialog {
    Q_OBJECT
  public:
    CConvertDlg(int formatIndex, bool replaceOriginal, int policy, QWidget* parent = nullptr);
    int FormatIndex() const;
    bool ReplaceOriginal() const;
    int Policy() const;

  private:
    QComboBox* m_format;
    QCheckBox* m_replace;
    QButtonGroup* m_policy;
};
