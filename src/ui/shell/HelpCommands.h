// Help > Contents, How to use Help and About.
#pragma once

class CMainFrame;
class CommandRegistry;

void BindHelpCommands(CMainFrame& frame, CommandRegistry& commands);
