// The one place where each feature's commands are bound to the frame's
// command registry. A binder whose handlers need only the file list, the
// status texts, the shown picture, the settings and the favorites takes
// them as a CommandContext (FramePorts.h); one that drives the window
// itself (its modes, toolbars, menus, full screen, favorites box) takes the
// frame.
#pragma once

class CMainFrame;
class CommandRegistry;

// Binds every feature's commands; the frame calls it once, after its own.
void BindCommandAreas(CMainFrame& frame, CommandRegistry& commands);
