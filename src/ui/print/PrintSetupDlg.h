// CPrintSetupDlg: "Print Setup", the page layout of printed pictures:
// position, margins, info line, size and thumbnail pages. Lengths show in
// the user's image size unit and are kept in page units.
#pragma once

#include "models/settings/Settings.h"

#include <QDialog>

#include <map>
#include <utility>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;

class CPrintSetupDlg : public QDialog {
    Q_OBJECT
  public:
    // `imageWidth` x `imageHeight`: the picture loaded in the view (pixels).
    CPrintSetupDlg(const CSettings& settings, int imageWidth, int imageHeight, QWidget* parent = nullptr);

    // The settings after OK: every value within its range.
    CSettings GetValues() const;

    void OnSizeMode(int mode);
    void OnWidthEdited();
    void OnHeightEdited();

    QLineEdit* GetMarginEdit(int index) const { return m_margins[index]; } // left, top, right, bottom
    QLineEdit* GetWidthEdit() const { return m_width; }
    QLineEdit* GetHeightEdit() const { return m_height; }
    QCheckBox* GetConstrain() const { return m_constrain; }
    QButtonGroup* GetSizeGroup() const { return m_size; }
    QButtonGroup* GetVerticalGroup() const { return m_vertical; }
    QButtonGroup* GetHorizontalGroup() const { return m_horizontal; }
    QCheckBox* GetInfoBox(int index) const { return m_info[index]; } // path, name, dimensions, size
    QComboBox* GetAlignList() const { return m_align; }
    QComboBox* GetInfoPositionList() const { return m_infoPosition; }
    QComboBox* GetThumbnailsList() const { return m_thumbnails; }

  private:
    QString Shown(int32_t pageUnits, int decimals = 4) const;
    // Shows a length and remembers it, so that an edit left as shown gives
    // back the exact value and not its rounded display.
    void Show(QLineEdit* edit, int32_t pageUnits);
    int32_t Stored(const QLineEdit* edit, int32_t fallback) const;

    CSettings m_values;
    std::map<const QLineEdit*, std::pair<QString, int32_t>> m_shown;
    int m_imageWidth;
    int m_imageHeight;
    double m_proportion = 1.0;
    bool m_guard = false;
    QButtonGroup* m_vertical = nullptr;
    QButtonGroup* m_horizontal = nullptr;
    QLineEdit* m_margins[4] = {};
    QCheckBox* m_info[4] = {};
    QComboBox* m_align = nullptr;
    QComboBox* m_infoPosition = nullptr;
    QButtonGroup* m_size = nullptr;
    QLineEdit* m_width = nullptr;
    QLineEdit* m_height = nullptr;
    QCheckBox* m_constrain = nullptr;
    QComboBox* m_thumbnails = nullptr;
};

// Runs the dialog on `settings`; true after OK (the settings updated).
bool RunPrintSetup(CSettings& settings, int imageWidth, int imageHeight, QWidget* parent);
