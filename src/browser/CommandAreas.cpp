#include "CommandAreas.h"

#include "FileMenuCommands.h"
#include "GoCommands.h"
#include "HelpCommands.h"
#include "SlideShowCommands.h"
#include "UndoCopyCommands.h"
#include "ViewCommands.h"
#include "ZoomCommands.h"
#include "edit/EditCommands.h"
#include "fileops/FileCommands.h"
#include "print/PrintCommands.h"
#include "save/SaveCommands.h"
#include "search/SearchCommands.h"
#include "settings/SettingsCommands.h"

void BindCommandAreas(CMainFrame& frame, CommandRegistry& commands)
{
    BindFileMenuCommands(frame, commands);
    BindUndoCopyCommands(frame, commands);
    BindViewCommands(frame, commands);
    BindZoomCommands(frame, commands);
    BindGoCommands(frame, commands);
    BindHelpCommands(frame, commands);
    BindFileCommands(frame, commands);
    vkedit::BindEditCommands(frame, commands);
    vksave::BindSaveCommands(frame, commands);
    BindSettingsCommands(frame, commands);
    BindPrintCommands(frame, commands);
    BindSearchCommands(frame, commands);
    BindSlideShowCommands(frame, commands);
}
