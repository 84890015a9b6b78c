#include "ui/shell/CommandAreas.h"

#include "ui/browser/Preview.h"
#include "ui/shell/EditCommands.h"
#include "ui/shell/FileCommands.h"
#include "ui/shell/FileMenuCommands.h"
#include "ui/shell/GoCommands.h"
#include "ui/shell/HelpCommands.h"
#include "ui/shell/MainFrm.h"
#include "ui/shell/PageCommands.h"
#include "ui/shell/PhotoCommands.h"
#include "ui/shell/PrintCommands.h"
#include "ui/shell/SaveCommands.h"
#include "ui/shell/SearchCommands.h"
#include "ui/shell/SettingsCommands.h"
#include "ui/shell/SlideShowCommands.h"
#include "ui/shell/UndoCopyCommands.h"
#include "ui/shell/ViewCommands.h"
#include "ui/shell/ZoomCommands.h"

CommandContext ContextOf(CMainFrame& frame)
{
    return {frame, frame, frame, *frame.GetView(), frame.GetSettings(), frame.GetFavorites(), &frame};
}

void BindCommandAreas(CMainFrame& frame, CommandRegistry& commands)
{
    const CommandContext context = ContextOf(frame);
    BindFileMenuCommands(context, commands);
    BindUndoCopyCommands(context, commands);
    BindViewCommands(context, commands);
    BindZoomCommands(context, commands);
    BindGoCommands(context, commands);
    BindHelpCommands(context, commands);
    BindFileCommands(context, commands);
    vkedit::BindEditCommands(context, commands);
    vksave::BindSaveCommands(context, commands);
    BindPhotoCommands(context, commands);
    BindPageCommands(context, commands);
    BindSettingsCommands(context, commands);
    BindPrintCommands(context, commands);
    BindSearchCommands(context, commands);
    BindSlideShowCommands(context, commands);
}
