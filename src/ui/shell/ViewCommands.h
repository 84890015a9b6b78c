// The View menus: toolbar and status bar, the preview's position, sorting,
// refresh and auto-refresh, and the viewer's steps through the folder.
#pragma once

class CMainFrame;
class CommandRegistry;

void BindViewCommands(CMainFrame& frame, CommandRegistry& commands);
