// Tools > Options, Set file associations, Set Wallpaper, and the two
// Favorites commands.
#pragma once

class CMainFrame;
class CommandRegistry;

void BindSettingsCommands(CMainFrame& frame, CommandRegistry& commands);

// After OK on the Options sheet: re-reads the file list when a shown type
// changed, re-selects what is still listed, keeps or replaces the current
// file, and updates the title and status panes.
void ApplyOptions(CMainFrame& frame, bool typesChanged);
