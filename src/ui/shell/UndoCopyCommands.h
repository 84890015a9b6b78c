// The Edit menu's commands on the shown picture itself: Undo and Copy image
// (the picture edits are bound in edit/EditCommands).
#pragma once

class CommandRegistry;
struct CommandContext;

void BindUndoCopyCommands(const CommandContext& context, CommandRegistry& commands);
