// The Edit menu's commands on the shown picture itself: Undo and Copy image
// (the picture edits are bound in edit/EditCommands).
#pragma once

class CMainFrame;
class CommandRegistry;

void BindUndoCopyCommands(CMainFrame& frame, CommandRegistry& commands);
