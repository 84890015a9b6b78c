// Tools > Options, Set file associations, Set Wallpaper, and the two
// Favorites commands.
#pragma once

struct CommandContext;
class CommandRegistry;

void BindSettingsCommands(const CommandContext& ctx, CommandRegistry& commands);

// After OK on the Options sheet: re-reads the file list when a shown type
// changed, re-selects what is still listed, keeps or replaces the current
// file, and updates the title and status panes.
void ApplyOptions(const CommandContext& ctx, bool typesChanged);
