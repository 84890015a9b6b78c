// Small pieces the option and edit dialogs share: the OK and Cancel row,
// and the range checks of typed numbers with the toolkit's usual messages.
#pragma once

#include <QDialogButtonBox>
#include <QString>

class QDialog;
class QLineEdit;

namespace vkdlg {

// OK and Cancel, accepting and rejecting the dialog; `mnemonics` gives
// them "&OK" and "&Cancel".
QDialogButtonBox* OkCancel(QDialog* dialog, bool mnemonics = false);

// The whole number in `edit` when it lies in minimum..maximum; otherwise
// shows "Please enter an integer between A and B.", selects the field and
// returns false.
bool ReadInteger(QLineEdit* edit, int minimum, int maximum, int& value);
// The same for a decimal number ("Please enter a number between A and B.").
bool ReadNumber(QLineEdit* edit, double minimum, double maximum, double& value);

} // namespace vkdlg
