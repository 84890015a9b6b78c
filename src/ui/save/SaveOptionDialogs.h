// The option dialog of each save target. A target's row names its dialog
// kind, its title and the remembered values it shows; this table gives
// each save code the window that asks for them.
#pragma once

#include "engine/picture/FormatRegistry.h"

#include <map>

class QWidget;

namespace vksave {

// Shows the dialog pre-filled from `values` and writes the answers back
// into them; false when it was cancelled (`values` then stay as they were).
using AskSaveOptions = bool (*)(const SaveOptionsOf& options, SaveOptionValues& values, QWidget* parent);

// The dialog of every save code that has options, made from the rows.
const std::map<int, AskSaveOptions>& OptionDialogs();

// Asks with the dialog of `code`; true without asking for a code that has
// no options.
bool AskOptions(int code, SaveOptionValues& values, QWidget* parent);

} // namespace vksave
