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

void BindCommandAreas(CMainFrame& frame, CommandRegistry& commands)
{
    // The parts of the window a binder that needs no more sees.
    const CommandContext context{frame, frame, *frame.GetView(), frame.GetSettings(), frame.GetFavorites(),
                                 &frame};
    BindFileMenuCommands(frame, commands);
    BindUndoCopyCommands(context, commands);
    BindViewCommands(frame, commands);
    BindZoomCommands(context, commands);
    BindGoCommands(context, commands);
    BindHelpCommands(frame, commands);
    BindFileCommands(context, commands);
    vkedit::BindEditCommands(frame, commands);
    vksave::BindSaveCommands(frame, commands);
    BindPhotoCommands(frame, commands);
    BindPageCommands(context, commands);
    BindSettingsCommands(frame, commands);
    BindPrintCommands(context, commands);
    BindSearchCommands(context, commands);
    BindSlideShowCommands(frame, commands);
}
