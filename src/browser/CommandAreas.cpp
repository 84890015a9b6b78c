#include "CommandAreas.h"

#include "HelpCommands.h"
#include "fileops/FileCommands.h"

void BindCommandAreas(CMainFrame& frame, CommandRegistry& commands)
{
    BindHelpCommands(frame, commands);
    BindFileCommands(frame, commands);
}
