// The file commands of the main frame: Delete, Rename, Rename Series, Cut,
// Copy, Paste, Copy To, Move To, Make Directory and the selection commands,
// each with its enabling rule.
#pragma once

class CommandRegistry;
struct CommandContext;

void BindFileCommands(const CommandContext& ctx, CommandRegistry& commands);
