// The Colors and Image commands on the view's picture: each asks for its
// values where it has a dialog, runs the edit off the GUI thread with its
// status and error texts, keeps the undo snapshot and refreshes the view.
#pragma once

class CommandRegistry;
struct CommandContext;

namespace vkedit {

// Binds the Colors and Image menus to the frame's commands, one row of the
// edit operations each (Count and Histogram beside them).
void BindEditCommands(const CommandContext& ctx, CommandRegistry& commands);

} // namespace vkedit
