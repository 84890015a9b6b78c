// The one place where each feature's commands are bound to the frame's
// command registry.
#pragma once

class CMainFrame;
class CommandRegistry;

// Binds every feature's commands; the frame calls it once, after its own.
void BindCommandAreas(CMainFrame& frame, CommandRegistry& commands);
