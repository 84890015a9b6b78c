#include "ui/shell/PageCommands.h"

#include "ui/browser/Preview.h"
#include "ui/shell/CommandRegistry.h"
#include "ui/shell/FramePorts.h"

void BindPageCommands(const CommandContext& context, CommandRegistry& commands)
{
    using enum Cmd;
    CPreview& view = context.picture;
    // `target` gives the page to show from the one shown and the count.
    auto page = [&view](int (*target)(int page, int count)) {
        return CommandBinding{
            .enabled =
                [&view, target] {
                    const int count = view.GetPageCount();
                    const int to = target(view.GetPage(), count);
                    return count > 1 && !view.IsLoading() && to >= 0 && to < count && to != view.GetPage();
                },
            .run = [&view, target] { view.ShowPage(target(view.GetPage(), view.GetPageCount())); }};
    };
    commands.Bind(PageNext, page([](int p, int) { return p + 1; }));
    commands.Bind(PagePrevious, page([](int p, int) { return p - 1; }));
    commands.Bind(PageFirst, page([](int, int) { return 0; }));
    commands.Bind(PageLast, page([](int, int count) { return count - 1; }));
}
