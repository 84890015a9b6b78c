// COptionsDlg: the "Options" sheet with its six pages. The pages edit a
// copy of the settings; OK hands the copy back, Cancel drops it.
#pragma once

#include "models/settings/Settings.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <vector>

class CFileList;
class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QLabel;
class QSlider;
class QTabWidget;

// A page: its controls bound to members of the sheet's settings copy.
class COptionsPage : public QWidget {
    Q_OBJECT
  public:
    explicit COptionsPage(QWidget* parent = nullptr) : QWidget(parent) {}
    // Controls from the values, and back.
    virtual void Load(const CSettings& values);
    virtual void Save(CSettings& values) const;

  protected:
    QAbstractButton* Check(const char* text, int32_t CSettings::*member);
    // A check box bound to the integer at a settings position.
    QAbstractButton* CheckAt(const char* text, int position);
    // Radio buttons with the values 0, 1, 2, ... in order.
    QButtonGroup* Radios(const std::vector<const char*>& texts, int32_t CSettings::*member);
    QComboBox* List(const std::vector<const char*>& items, int32_t CSettings::*member);

  private:
    struct Binding {
        std::function<void(const CSettings&)> load;
        std::function<void(CSettings&)> save;
    };
    std::vector<Binding> m_bindings;
};

class CBrowserPg : public COptionsPage {
    Q_OBJECT
  public:
    explicit CBrowserPg(QWidget* parent = nullptr);
};

class CDisplayPg : public COptionsPage {
    Q_OBJECT
  public:
    explicit CDisplayPg(QWidget* parent = nullptr);
};

class CFilingPg : public COptionsPage {
    Q_OBJECT
  public:
    explicit CFilingPg(QWidget* parent = nullptr);
};

class CSlideShowPg : public COptionsPage {
    Q_OBJECT
  public:
    explicit CSlideShowPg(QWidget* parent = nullptr);
    void Load(const CSettings& values) override;
    void Save(CSettings& values) const override;
    // "no delay", "1 second", "N seconds".
    static QString DelayText(int seconds);
    QSlider* GetSlider() const { return m_slider; }
    QString GetDelayText() const;

  private:
    void OnSlider(int position);
    int m_delay = 0;
    QLabel* m_delayText = nullptr;
    QSlider* m_slider = nullptr;
};

class CViewerPg : public COptionsPage {
    Q_OBJECT
  public:
    explicit CViewerPg(QWidget* parent = nullptr);
};

class CMiscPg : public COptionsPage {
    Q_OBJECT
  public:
    CMiscPg(CFileList& fileList, QWidget* parent = nullptr);
    void Load(const CSettings& values) override;
    void Save(CSettings& values) const override;
    void OnBrowse();
    QString GetFolderText() const;
    bool IsChanged() const { return m_changed; }

  private:
    CFileList& m_fileList;
    QLabel* m_folder = nullptr;
    bool m_changed = false;
};

class COptionsDlg : public QDialog {
    Q_OBJECT
  public:
    // The pages start from `settings`; the file list serves Browse.
    COptionsDlg(const CSettings& settings, CFileList& fileList, QWidget* parent = nullptr);

    // The edited values (every value within its range).
    CSettings GetValues() const;
    QTabWidget* GetTabs() const { return m_tabs; }
    COptionsPage* GetPage(int index) const;

  private:
    CSettings m_start;
    QTabWidget* m_tabs = nullptr;
    std::vector<COptionsPage*> m_pages;
};

// Runs the sheet on `settings`; true after OK, when `settings` holds the
// new values. `typesChanged` tells whether a shown file type changed.
bool RunOptionsDialog(CSettings& settings, CFileList& fileList, QWidget* parent, bool& typesChanged);
