#include "ui/shell/ViewCommands.h"

#include "models/browser/FileList.h"
#include "models/settings/Settings.h"
#include "ui/browser/Preview.h"
#include "ui/shell/CommandRegistry.h"
#include "ui/shell/FramePorts.h"
#include "ui/widgets/DisplayColour.h"

namespace {

void SetPreviewPosition(const CommandContext& ctx, int position)
{
    CSettings& settings = ctx.settings;
    if (!ctx.files.IsBrowserMode() || settings.previewPosition == position)
        return;
    settings.previewPosition = position;
    ctx.picture.SetPosition(position);
}

void Sort(const CommandContext& ctx, bool byName)
{
    CSettings& settings = ctx.settings;
    if ((settings.sortByName != 0) == byName)
        return;
    settings.sortByName = byName ? 1 : 0;
    ctx.files.RefillFileList();
}

// Next, Previous, First and Last: viewer mode only.
CommandBinding Step(FileListPort& files, int (*target)(int current, int count), bool forward)
{
    auto count = [&files] { return files.GetFileList().Count(); };
    return {.enabled =
                [&files, count, forward] {
                    const int index = files.GetCurrentIndex();
                    return forward ? index >= 0 && index < count() - 1 : index > 0;
                },
            .run =
                [&files, count, target] {
                    if (!files.IsBrowserMode())
                        files.ShowViewerFile(target(files.GetCurrentIndex(), count()));
                }};
}

} // namespace

void BindViewCommands(const CommandContext& ctx, CommandRegistry& commands)
{
    using enum Cmd;
    CSettings& settings = ctx.settings;
    FileListPort& files = ctx.files;
    WindowPort& window = ctx.window;
    CPreview& view = ctx.picture;

    commands.Bind(ViewToolbar, {.checked = [&window] { return window.IsToolBarVisible(); },
                                .run = [&window] { window.SetToolBarVisible(!window.IsToolBarVisible()); }});
    commands.Bind(ViewStatusBar,
                  {.checked = [&window] { return window.IsStatusBarVisible(); },
                   .run = [&window] { window.SetStatusBarVisible(!window.IsStatusBarVisible()); }});
    for (int position = 0; position < 3; ++position)
        commands.Bind(Cmd(int(PreviewUpperLeft) + position),
                      {.checked = [&settings, position] { return settings.previewPosition == position; },
                       .run = [ctx, position] { SetPreviewPosition(ctx, position); }});
    commands.Bind(SortByName, {.checked = [&settings] { return settings.sortByName != 0; },
                               .run = [ctx] { Sort(ctx, true); }});
    commands.Bind(SortByExtension, {.checked = [&settings] { return settings.sortByName == 0; },
                                    .run = [ctx] { Sort(ctx, false); }});
    // The file list shows in the browser only; the viewer keeps its choice.
    commands.Bind(ViewThumbnails, {.enabled = [&files] { return files.IsBrowserMode(); },
                                   .checked = [&window] { return window.IsThumbnailView(); },
                                   .run = [&window] { window.SetThumbnailView(!window.IsThumbnailView()); }});
    commands.Bind(ViewRefresh, {.run = [&files] { files.RefreshDirectory(); }});
    commands.Bind(ViewAutoRefresh,
                  {.checked = [&settings] { return settings.autoRefresh != 0; },
                   .run = [&settings] { settings.autoRefresh = settings.autoRefresh ? 0 : 1; }});
    // Kept in window.ini, not in the settings file.
    commands.Bind(ViewColourManagement, {.checked = [] { return vkdisplay::ColourManaged(); },
                                         .run =
                                             [&window, &view] {
                                                 vkdisplay::SetColourManaged(!vkdisplay::ColourManaged());
                                                 window.SaveWindowState();
                                                 view.ColoursChanged();
                                             }});

    // A picture that moves, in the preview or the viewer.
    CAnimationPlayer& animation = view.GetAnimation();
    auto moving = [&animation] { return animation.IsActive(); };
    commands.Bind(AnimationPause,
                  {.enabled = moving,
                   .checked = [&animation] { return animation.IsActive() && animation.IsPaused(); },
                   .run = [&animation] { animation.TogglePause(); }});
    commands.Bind(AnimationNextFrame, {.enabled = moving, .run = [&animation] { animation.Step(1); }});
    commands.Bind(AnimationPreviousFrame, {.enabled = moving, .run = [&animation] { animation.Step(-1); }});

    commands.Bind(ImageNext, Step(
                                 files, [](int current, int) { return current + 1; }, true));
    commands.Bind(ImageLast, Step(
                                 files, [](int, int count) { return count - 1; }, true));
    commands.Bind(ImagePrevious, Step(
                                     files, [](int current, int) { return current - 1; }, false));
    commands.Bind(ImageFirst, Step(
                                  files, [](int, int) { return 0; }, false));
}
