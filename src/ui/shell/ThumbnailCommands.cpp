#include "ui/shell/ThumbnailCommands.h"

#include "ui/shell/CommandRegistry.h"
#include "ui/shell/FramePorts.h"

void BindThumbnailCommands(const CommandContext& context, FileViewPort& views, CommandRegistry& commands)
{
    // The file list shows in the browser only; the viewer keeps its choice.
    FileListPort& files = context.files;
    commands.Bind(Cmd::ViewThumbnails,
                  {
                      .enabled = [&files] { return files.IsBrowserMode(); },
                      .checked = [&views] { return views.IsThumbnailView(); },
                      .run = [&views] { views.SetThumbnailView(!views.IsThumbnailView()); },
                  });
}
