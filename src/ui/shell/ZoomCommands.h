// The preview's zoom (both modes) and the viewer's Zoom menu.
#pragma once

class CMainFrame;
class CommandRegistry;

void BindZoomCommands(CMainFrame& frame, CommandRegistry& commands);
