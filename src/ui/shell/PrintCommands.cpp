#include "ui/shell/PrintCommands.h"

#include "models/platform/Path.h"
#include "ui/browser/Preview.h"
#include "ui/print/PrintJob.h"
#include "ui/print/PrintSetupDlg.h"
#include "ui/shell/CommandRegistry.h"
#include "ui/shell/MainFrm.h"

#include <memory>

namespace {

struct PrintState {
    int printMode = 0; // the last printing command's mode, for the preview
};

vkprint::PrintRequest RequestOf(const CMainFrame& frame, int printMode, bool preview)
{
    vkprint::PrintRequest r;
    r.printMode = printMode;
    r.preview = preview;
    const CFileList& list = const_cast<CMainFrame&>(frame).GetFileList();
    r.directory = list.GetCurrentDir();
    r.currentFile = list.GetCurrentFile();
    r.selectedNames = list.SelectedNames();
    r.allNames = list.Entries();

    // What is shown is printed, not the file: a copy, as a load may replace
    // the view's picture while the print dialog is open.
    const CPreview* view = frame.GetView();
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

bool Setup(CMainFrame& frame)
{
    const CPicture& picture = frame.GetView()->GetPicture();
    const bool loaded = frame.GetView()->HasImage();
    return RunPrintSetup(frame.GetSettings(), loaded ? picture.GetWidth() : 0,
                         loaded ? picture.GetHeight() : 0, &frame);
}

void StartPrinting(CMainFrame& frame, PrintState& state, int printMode)
{
    CSettings& settings = frame.GetSettings();
    if (settings.printSetupFirst && !Setup(frame))
        return;
    vkprint::PrepareCommand(settings, printMode);
    state.printMode = printMode;
    RunPrint(settings, RequestOf(frame, printMode, false), &frame);
}

} // namespace

void BindPrintCommands(CMainFrame& frame, CommandRegistry& commands)
{
    auto state = std::make_shared<PrintState>();
    auto hasImage = [&frame] { return frame.GetView()->HasImage(); };
    commands.Bind(Cmd::FilePrintSetup, {.run = [&frame] { Setup(frame); }});
    commands.Bind(Cmd::FilePrint,
                  {.enabled = hasImage, .run = [&frame, state] { StartPrinting(frame, *state, 0); }});
    commands.Bind(Cmd::FilePrintAll,
                  {.enabled = [&frame] { return frame.GetFileList().GetSelectedCount() > 1; },
                   .run = [&frame, state] { StartPrinting(frame, *state, 1); }});
    commands.Bind(Cmd::FilePrintThumbnails, {.enabled =
                                                 [&frame] {
                                                     if (frame.GetSettings().printThumbSelectedOnly)
                                                         return frame.GetFileList().GetSelectedCount() > 0;
                                                     return frame.GetFileList().Count() > 0;
                                                 },
                                             .run = [&frame, state] { StartPrinting(frame, *state, 2); }});
    commands.Bind(Cmd::FilePrintPreview,
                  {.enabled = hasImage, .run = [&frame, state] {
                       RunPrintPreview(frame.GetSettings(), RequestOf(frame, state->printMode, true), &frame);
                   }});
}
