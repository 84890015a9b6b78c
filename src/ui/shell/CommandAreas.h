// The one place where each feature's commands are bound to the frame's
// command registry. Every binder takes the window as a CommandContext
// (FramePorts.h): the file list, the status texts, the window's own moves,
// the shown picture, the settings and the favorites, never its widgets.
#pragma once

class CMainFrame;
struct CommandContext;
class CommandRegistry;

// Binds every feature's commands; the frame calls it once, after its own.
void BindCommandAreas(CMainFrame& frame, CommandRegistry& commands);

// The window's parts as the binders see them.
CommandContext ContextOf(CMainFrame& frame);
