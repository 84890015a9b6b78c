#include "ui/shell/ViewCommands.h"

#include "ui/browser/Preview.h"
#include "ui/shell/CommandRegistry.h"
#include "ui/shell/MainFrm.h"
#include "ui/widgets/DisplayColour.h"

#include <QStatusBar>

namespace {

void SetPreviewPosition(CMainFrame& frame, int position)
{
    CSettings& settings = frame.GetSettings();
    if (!frame.IsBrowserMode() || settings.previewPosition == position)
        return;
    settings.previewPosition = position;
    frame.GetView()->SetPosition(position);
}

void Sort(CMainFrame& frame, bool byName)
{
    CSettings& settings = frame.GetSettings();
    if ((settings.sortByName != 0) == byName)
        return;
    settings.sortByName = byName ? 1 : 0;
    frame.RefillFileList();
}

// Next, Previous, First and Last: viewer mode only.
CommandBinding Step(CMainFrame& frame, int (*target)(int current, int count), bool forward)
{
    auto count = [&frame] { return frame.GetFileList().Count(); };
    return {.enabled =
                [&frame, count, forward] {
                    const int index = frame.GetCurrentIndex();
                    return forward ? index >= 0 && index < count() - 1 : index > 0;
                },
            .run =
                [&frame, count, target] {
                    if (!frame.IsBrowserMode())
                        frame.ShowViewerFile(target(frame.GetCurrentIndex(), count()));
                }};
}

} // namespace

void BindViewCommands(CMainFrame& frame, CommandRegistry& commands)
{
    using enum Cmd;
    CSettings& settings = frame.GetSettings();

    commands.Bind(ViewToolbar, {.checked = [&frame] { return frame.IsToolBarVisible(); },
                                .run = [&frame] { frame.SetToolBarVisible(!frame.IsToolBarVisible()); }});
    commands.Bind(ViewStatusBar,
                  {.checked = [&frame] { return frame.statusBar()->isVisibleTo(&frame); },
                   .run =
                       [&frame] {
                           frame.statusBar()->setVisible(!frame.statusBar()->isVisibleTo(&frame));
                           frame.Layout();
                       }});
    for (int position = 0; position < 3; ++position)
        commands.Bind(Cmd(int(PreviewUpperLeft) + position),
                      {.checked = [&settings, position] { return settings.previewPosition == position; },
                       .run = [&frame, position] { SetPreviewPosition(frame, position); }});
    commands.Bind(SortByName, {.checked = [&settings] { return settings.sortByName != 0; },
                               .run = [&frame] { Sort(frame, true); }});
    commands.Bind(SortByExtension, {.checked = [&settings] { return settings.sortByName == 0; },
                                    .run = [&frame] { Sort(frame, false); }});
    commands.Bind(ViewRefresh, {.run = [&frame] { frame.RefreshDirectory(); }});
    commands.Bind(ViewAutoRefresh,
                  {.checked = [&settings] { return settings.autoRefresh != 0; },
                   .run = [&settings] { settings.autoRefresh = settings.autoRefresh ? 0 : 1; }});
    // Kept in window.ini, not in the settings file.
    commands.Bind(ViewColourManagement, {.checked = [] { return vkdisplay::ColourManaged(); },
                                         .run =
                                             [&frame] {
                                                 vkdisplay::SetColourManaged(!vkdisplay::ColourManaged());
                                                 frame.SaveWindowState();
                                                 if (CPreview* view = frame.GetView())
                                                     view->ColoursChanged();
                                             }});

    // A picture that moves, in the preview or the viewer.
    CAnimationPlayer& animation = frame.GetView()->GetAnimation();
    auto moving = [&animation] { return animation.IsActive(); };
    commands.Bind(AnimationPause,
                  {.enabled = moving,
                   .checked = [&animation] { return animation.IsActive() && animation.IsPaused(); },
                   .run = [&animation] { animation.TogglePause(); }});
    commands.Bind(AnimationNextFrame, {.enabled = moving, .run = [&animation] { animation.Step(1); }});
    commands.Bind(AnimationPreviousFrame, {.enabled = moving, .run = [&animation] { animation.Step(-1); }});

    commands.Bind(ImageNext, Step(
                                 frame, [](int current, int) { return current + 1; }, true));
    commands.Bind(ImageLast, Step(
                                 frame, [](int, int count) { return count - 1; }, true));
    commands.Bind(ImagePrevious, Step(
                                     frame, [](int current, int) { return current - 1; }, false));
    commands.Bind(ImageFirst, Step(
                                  frame, [](int, int) { return 0; }, false));
}
