// The file commands of the main frame: Delete, Rename, Rename Series, Cut,
// Copy, Paste, Copy To, Move To, Make Directory and the selection commands,
// each with its enabling rule.
#pragma once

class CMainFrame;
class CommandRegistry;

void BindFileCommands(CMainFrame& frame, CommandRegistry& commands);
