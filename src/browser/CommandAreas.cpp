#include "CommandAreas.h"

#include "HelpCommands.h"
#include "edit/EditCommands.h"
#include "fileops/FileCommands.h"
#include "save/SaveCommands.h"
#include "print/PrintCommands.h"
#include "settings/SettingsCommands.h"

void BindCommandAreas(CMainFrame& frame, CommandRegistry& commands)
{
    BindHelpCommands(frame, commands);
    BindFileCommands(frame, commands);
    vkedit::BindEditCommands(frame, commands);
    vksave::BindSaveCommands(frame, commands);
    BindSettingsCommands(frame, commands);
    BindPrintCommands(frame, commands);
}
