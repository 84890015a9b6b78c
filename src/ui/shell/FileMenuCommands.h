// The File menu: Open, Save As, Preview, Reload, Viewer, Browser and Exit.
#pragma once

struct CommandContext;
class CommandRegistry;

void BindFileMenuCommands(const CommandContext& ctx, CommandRegistry& commands);
