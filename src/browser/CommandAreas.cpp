#include "CommandAreas.h"

#include "HelpCommands.h"
#include "edit/EditCommands.h"
#include "fileops/FileCommands.h"
#include "save/SaveCommands.h"

void BindCommandAreas(CMainFrame& frame, CommandRegistry& commands)
{
    BindHelpCommands(frame, commands);
    BindFileCommands(frame, commands);
    vkedit::BindEditCommands(frame, commands);
    vksave::BindSaveCommands(frame, commands);
}
