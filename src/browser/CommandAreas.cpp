#include "CommandAreas.h"

#include "HelpCommands.h"

void BindCommandAreas(CMainFrame& frame, CommandRegistry& commands)
{
    BindHelpCommands(frame, commands);
}
