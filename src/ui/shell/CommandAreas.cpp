#include "ui/shell/CommandAreas.h"

#include "ui/shell/EditCommands.h"
#include "ui/shell/FileCommands.h"
#include "ui/shell/FileMenuCommands.h"
#include "ui/shell/GoCommands.h"
#include "ui/shell/HelpCommands.h"
#include "ui/shell/PhotoCommands.h"
#include "ui/shell/PrintCommands.h"
#include "ui/shell/SaveCommands.h"
#include "ui/shell/SearchCommands.h"
#include "ui/shell/SettingsCommands.h"
#include "ui/shell/SlideShowCommands.h"
#include "ui/shell/UndoCopyCommands.h"
#include "ui/shell/ViewCommands.h"
#include "ui/shell/ZoomCommands.h"

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
    BindPhotoCommands(frame, commands);
    BindSettingsCommands(frame, commands);
    BindPrintCommands(frame, commands);
    BindSearchCommands(frame, commands);
    BindSlideShowCommands(frame, commands);
}
