#include "ui/shell/UndoCopyCommands.h"

#include "ui/browser/Preview.h"
#include "ui/shell/CommandRegistry.h"
#include "ui/shell/FramePorts.h"
#include "ui/widgets/PictureJob.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>

namespace {

void Undo(const CommandContext& context)
{
    CPreview& view = context.picture;
    // The snapshot and the picture exchange storage: no copy, no wait.
    const int sizeChanged = view.GetPicture().Undo();
    view.Relayout(sizeChanged != 0, false);
    context.status.UpdateTitleAndProperties(false);
    context.status.UpdateCommandUI();
}

void CopyImage(const CPreview& view)
{
    const QImage image = view.ToImage();
    if (!image.isNull())
        QGuiApplication::clipboard()->setImage(image);
}

} // namespace

void BindUndoCopyCommands(const CommandContext& context, CommandRegistry& commands)
{
    CPreview& view = context.picture;
    auto hasImage = [&view] { return view.HasImage(); };
    commands.Bind(Cmd::EditUndo, {.enabled =
                                      [&view] {
                                          return view.HasImage() && !vkjob::IsRunning() &&
                                                 view.GetPicture().IsUndoAvailable();
                                      },
                                  .run = [context] { Undo(context); }});
    commands.Bind(Cmd::EditCopyImage, {.enabled = hasImage, .run = [&view] { CopyImage(view); }});
    commands.Bind(Cmd::CopyImageToClipboard, {.enabled = hasImage, .run = [&view] { CopyImage(view); }});
}
