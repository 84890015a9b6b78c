// The Resize dialog: new size in the chosen unit, proportions kept while
// "&Constrain proportions" is checked.
#pragma once

#include "engine/edit/SizeUnits.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;

class CResizeDlg : public QDialog {
    Q_OBJECT
  public:
    CResizeDlg(int width, int height, int unit, bool constrain, QWidget* parent = nullptr);
    int NewWidth() const { return m_width; }
    int NewHeight() const { return m_height; }
    bool Constrain() const;
    void accept() override;

  private:
    void Follow(QLineEdit* edited);

    QLineEdit* m_widthEdit;
    QLineEdit* m_heightEdit;
    QCheckBox* m_constrain;
    CResizeProportions m_proportions;
    int m_unit;
    int m_width;
    int m_height;
    bool m_updating = false; // stops the two edits updating each other in a loop
};
