// The Canvas Size dialog: new size in the chosen unit and the anchor.
#pragma once

#include <QDialog>

class QButtonGroup;
class QLineEdit;

class CCanvasSizeDlg : public QDialog {
    Q_OBJECT
  public:
    CCanvasSizeDlg(int width, int height, int unit, int anchor, QWidget* parent = nullptr);
    // The new size in pixels, read when the dialog was accepted.
    int NewWidth() const { return m_width; }
    int NewHeight() const { return m_height; }
    int Anchor() const;
    void accept() override;

  private:
    QLineEdit* m_widthEdit;
    QLineEdit* m_heightEdit;
    QButtonGroup* m_anchor;
    int m_unit;
    int m_width;
    int m_height;
};

// The "Current Size" group and the "New Size" edits shared with Resize.
class QGroupBox;
namespace vkdlg {
QGroupBox* CurrentSizeGroup(QWidget* parent, int width, int height, int unit);
QGroupBox* NewSizeGroup(QWidget* parent, int width, int height, int unit, QLineEdit*& widthEdit,
                        QLineEdit*& heightEdit);
// A length in pixels as the edits show it in the unit.
QString SizeText(int pixels, int unit);
} // namespace vkdlg
