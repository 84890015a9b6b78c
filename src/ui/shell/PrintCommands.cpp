#include "ui/shell/PrintCommands.h"

#include "models/browser/FileList.h"
#include "models/platform/Path.h"
#include "models/settings/Settings.h"
#include "ui/browser/Preview.h"
#include "ui/print/PrintJob.h"
#include "ui/print/PrintSetupDlg.h"
#include "ui/shell/CommandRegistry.h"
#include "ui/shell/FramePorts.h"

#include <memory>

namespace {

struct PrintState {
    int printMode = 0; // the last printing command's mode, for the preview
};

vkprint::PrintRequest RequestOf(const CommandContext& ctx, int printMode, bool preview)
{
    vkprint::PrintRequest r;
    r.printMode = printMode;
    r.preview = preview;
    const CFileList& list = ctx.files.GetFileList();
    r.directory = list.GetCurrentDir();
    r.currentFile = list.GetCurrentFile();
    r.selectedNames = list.SelectedNames();
    r.allNames = list.Entries();

    // What is shown is printed, not the file: a copy, as a load may replace
    // the view's picture while the print dialog is open.
    const CPreview* view = &ctx.picture;
    if (!view->HasImage())
        return r;
    const std::string& from = view->GetPicture().GetSourcePath();
    if (!from.empty() && vkpath::Parent(from) == r.directory)
        r.shownName = vkpath::FileName(from);
    else if (printMode == 0)
        r.shownName = r.currentFile; // a pasted picture
    if (r.shownName.empty())
        return r;
    if (printMode == 0)
        r.currentFile = r.shownName;
    auto copy = std::make_shared<CWinBmp>();
    copy->CopyFrom(view->GetPicture(), view->GetPicture().GetBitsPerPixel());
    r.shownPicture = std::move(copy);
    return r;
}

bool Setup(const CommandContext& ctx)
{
    const CPicture& picture = ctx.picture.GetPicture();
    const bool loaded = ctx.picture.HasImage();
    return RunPrintSetup(ctx.settings, loaded ? picture.GetWidth() : 0, loaded ? picture.GetHeight() : 0,
                         ctx.parent);
}

void StartPrinting(const CommandContext& ctx, PrintState& state, int printMode)
{
    CSettings& settings = ctx.settings;
    if (settings.printSetupFirst && !Setup(ctx))
        return;
    vkprint::PrepareCommand(settings, printMode);
    state.printMode = printMode;
    RunPrint(settings, RequestOf(ctx, printMode, false), ctx.parent);
}

} // namespace

void BindPrintCommands(const CommandContext& ctx, CommandRegistry& commands)
{
    auto state = std::make_shared<PrintState>();
    auto hasImage = [ctx] { return ctx.picture.HasImage(); };
    commands.Bind(Cmd::FilePrintSetup, {.run = [ctx] { Setup(ctx); }});
    commands.Bind(Cmd::FilePrint,
                  {.enabled = hasImage, .run = [ctx, state] { StartPrinting(ctx, *state, 0); }});
    commands.Bind(Cmd::FilePrintAll,
                  {.enabled = [ctx] { return ctx.files.GetFileList().GetSelectedCount() > 1; },
                   .run = [ctx, state] { StartPrinting(ctx, *state, 1); }});
    commands.Bind(Cmd::FilePrintThumbnails, {.enabled =
                                                 [ctx] {
                                                     if (ctx.settings.printThumbSelectedOnly)
                                                         return ctx.files.GetFileList().GetSelectedCount() >
                                                                0;
                                                     return ctx.files.GetFileList().Count() > 0;
                                                 },
                                             .run = [ctx, state] { StartPrinting(ctx, *state, 2); }});
    commands.Bind(Cmd::FilePrintPreview,
                  {.enabled = hasImage, .run = [ctx, state] {
                       RunPrintPreview(ctx.settings, RequestOf(ctx, state->printMode, true), ctx.parent);
                   }});
}
