#include "CommandAreas.h"

#include "HelpCommands.h"
#include "SlideShowCommands.h"
#include "edit/EditCommands.h"
#include "fileops/FileCommands.h"
#include "save/SaveCommands.h"
#include "search/SearchCommands.h"

void BindCommandAreas(CMainFrame& frame, CommandRegistry& commands)
{
    BindHelpCommands(frame, commands);
    BindFileCommands(frame, commands);
    vkedit::BindEditCommands(frame, commands);
    vksave::BindSaveCommands(frame, commands);
    BindSearchCommands(frame, commands);
    BindSlideShowCommands(frame, commands);
}
