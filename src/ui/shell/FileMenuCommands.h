// The File menu: Open, Save As, Preview, Reload, Viewer, Browser and Exit.
#pragma once

class CMainFrame;
class CommandRegistry;

void BindFileMenuCommands(CMainFrame& frame, CommandRegistry& commands);
