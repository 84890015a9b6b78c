// The Go menu: Back, Up One Level and Home.
#pragma once

class CMainFrame;
class CommandRegistry;

void BindGoCommands(CMainFrame& frame, CommandRegistry& commands);
