// Find Images and Compare Directories as commands of the frame: the
// dialogs run with the settings they keep, and the browser goes to the
// files chosen in them.
#pragma once

#include <string>
#include <vector>

class CommandRegistry;
struct CommandContext;

void RunFindImages(const CommandContext& ctx);
void RunCompareDirectories(const CommandContext& ctx);
// Binds Find Images (Ctrl+F) and Compare Directories, both always enabled.
void BindSearchCommands(const CommandContext& ctx, CommandRegistry& commands);

// Makes `dir` the browser's current folder; false after "Folder not exist."
bool GoToFolder(const CommandContext& ctx, const std::string& dir);
// Selects the entries named (ignoring case) and shows the current file;
// returns how many were found.
int SelectNamedFiles(const CommandContext& ctx, const std::vector<std::string>& names);
