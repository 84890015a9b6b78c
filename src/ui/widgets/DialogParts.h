// Small pieces the option and edit dialogs share: the OK and Cancel row,
// the pixel depth choice, and the range checks of typed numbers with the toolkit's usual messages.
#pragma once

#include <QDialogButtonBox>
#include <QString>

class QDialog;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class QSlider;
class QWidget;

namespace vkdlg {

// OK and Cancel, accepting and rejecting the dialog; `mnemonics` gives
// them "&OK" and "&Cancel".
QDialogButtonBox* OkCancel(QDialog* dialog, bool mnemonics = false);

// The "Pixel depth" group of the writers' option dialogs: "&8 bpp" and
// "&24 bpp" (objects depth8 and depth24), 8 bpp checked for choice 0 and
// 24 bpp for any other.
struct PixelDepthGroup {
    PixelDepthGroup(QWidget* parent, int choice);
    // 0 for 8 bpp, 1 for 24 bpp, -1 when neither is checked.
    int Choice() const;
    QGroupBox* group;
    QRadioButton* depth8;
    QRadioButton* depth24;
};

// A ticked horizontal slider of minimum..maximum filling `box`, set to
// `value` (clamped), with the texts of its ends under it (null for none).
QSlider* AddSlider(QGroupBox* box, const char* name, int value, int minimum, int maximum, const char* left,
                   const char* right);

// The whole number in `edit` when it lies in minimum..maximum; otherwise
// shows "Please enter an integer between A and B.", selects the field and
// returns false.
bool ReadInteger(QLineEdit* edit, int minimum, int maximum, int& value);
// The same for a decimal number ("Please enter a number between A and B.").
bool ReadNumber(QLineEdit* edit, double minimum, double maximum, double& value);
// A width and a height typed in a size unit, each checked as ReadNumber
// does, as whole pixels; a zero, negative or non-numeric size is refused.
bool ReadPixelSize(QLineEdit* widthEdit, QLineEdit* heightEdit, int unit, int& width, int& height);

} // namespace vkdlg
