// The View menus: toolbar and status bar, thumbnails or names, the preview's position, sorting,
// refresh and auto-refresh, and the viewer's steps through the folder.
#pragma once

struct CommandContext;
class CommandRegistry;

void BindViewCommands(const CommandContext& ctx, CommandRegistry& commands);
