#include "ui/shell/ZoomCommands.h"

#include "ui/browser/Preview.h"
#include "ui/shell/CommandRegistry.h"
#include "ui/shell/FramePorts.h"

#include <functional>

void BindZoomCommands(const CommandContext& context, CommandRegistry& commands)
{
    using enum Cmd;
    FileListPort& browser = context.files;
    CPreview& view = context.picture;
    auto hasImage = [&view] { return view.HasImage(); };
    // `viewerOnly`: in browser mode the command does nothing.
    auto zoom = [&browser, &view, hasImage](float factor, bool viewerOnly) {
        return CommandBinding{.enabled = hasImage, .run = [&browser, &view, factor, viewerOnly] {
                                  if (!viewerOnly || !browser.IsBrowserMode())
                                      view.SetZoom(factor);
                              }};
    };
    auto viewerStep = [&browser, hasImage](std::function<void()> step) {
        return CommandBinding{.enabled = hasImage, .run = [&browser, step] {
                                  if (!browser.IsBrowserMode())
                                      step();
                              }};
    };

    commands.Bind(Preview25, zoom(0.25f, false));
    commands.Bind(Preview50, zoom(0.5f, false));
    commands.Bind(Preview75, zoom(0.75f, false));
    commands.Bind(Preview100, zoom(1.0f, false));
    commands.Bind(Preview150, zoom(1.5f, false));
    commands.Bind(Preview200, zoom(2.0f, false));
    commands.Bind(Zoom25, zoom(0.25f, false));
    commands.Bind(Zoom50, zoom(0.5f, false));
    commands.Bind(Zoom75, zoom(0.75f, false));
    commands.Bind(Zoom150, zoom(1.5f, false));
    commands.Bind(Zoom300, zoom(3.0f, true));
    commands.Bind(Zoom500, zoom(5.0f, true));
    commands.Bind(Zoom1000, zoom(10.0f, true));
    commands.Bind(ZoomActualSize, zoom(1.0f, true));
    commands.Bind(ZoomMore, viewerStep([&view] { view.ZoomMore(); }));
    commands.Bind(ZoomLess, viewerStep([&view] { view.ZoomLess(); }));
    commands.Bind(ZoomBestFit, viewerStep([&view] { view.BestFit(); }));
}
