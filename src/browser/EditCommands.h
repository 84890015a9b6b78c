// The Edit menu's picture commands: Undo and Copy image.
#pragma once

class CMainFrame;
class CommandRegistry;

void BindEditCommands(CMainFrame& frame, CommandRegistry& commands);
