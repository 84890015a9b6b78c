#include "ui/shell/SearchCommands.h"

#include "models/browser/FileList.h"
#include "models/settings/Settings.h"
#include "ui/search/CompareDirectoriesDlg.h"
#include "ui/search/CompareResultsDlg.h"
#include "ui/search/FindImages.h"
#include "ui/shell/CommandRegistry.h"
#include "ui/shell/FramePorts.h"
#include "ui/widgets/Browse.h"
#include "ui/widgets/MessageService.h"

#include <QDialog>

namespace {

constexpr const char* kTextNotFound = " not found.";
constexpr const char* kTextFolderNotExist = "Folder not exist.";

// The folder picker of the browser; "" when cancelled.
std::string PickFolder(const CommandContext& ctx)
{
    CBrowseDlg browse(ctx.files.GetFileList(), ctx.parent);
    if (vkui::execDialog(browse) != QDialog::Accepted)
        return {};
    return ctx.files.GetFileList().GetDestinationDir();
}

vkcompare::CompareCriteria CriteriaFromSettings(const CSettings& s)
{
    vkcompare::CompareCriteria c;
    c.byName = s.compareName != 0;
    c.byExtension = s.compareExtension != 0;
    c.bySize = s.compareSize != 0;
    c.byDate = s.compareDate != 0;
    c.caseSensitive = s.compareCaseSensitive != 0;
    c.extensionText = s.compareExtensionText;
    return c;
}

void StoreCriteria(CSettings& s, const vkcompare::CompareCriteria& c)
{
    s.compareName = c.byName;
    s.compareExtension = c.byExtension;
    s.compareSize = c.bySize;
    s.compareDate = c.byDate;
    s.compareCaseSensitive = c.caseSensitive;
    s.compareExtensionText = c.extensionText;
}

} // namespace

bool GoToFolder(const CommandContext& ctx, const std::string& dir)
{
    return ctx.files.GoTo(dir, kTextFolderNotExist, FileListPort::Recent::Add);
}

int SelectNamedFiles(const CommandContext& ctx, const std::vector<std::string>& names)
{
    int last = -1;
    const int found = ctx.files.GetFileList().SelectNamed(names, last);
    ctx.files.UpdateSelection();
    if (!ctx.files.IsBrowserMode())
        ctx.files.SetCurrentIndex(last);
    if (!ctx.files.GetFileList().GetCurrentFile().empty())
        ctx.files.ShowCurrentFile();
    ctx.status.UpdateCountPane();
    return found;
}

void BindSearchCommands(const CommandContext& ctx, CommandRegistry& commands)
{
    commands.Bind(Cmd::ToolsFind, {.run = [ctx] { RunFindImages(ctx); }});
    commands.Bind(Cmd::ToolsCompare, {.run = [ctx] { RunCompareDirectories(ctx); }});
}

void RunFindImages(const CommandContext& ctx)
{
    CSettings& settings = ctx.settings;
    CFindImagesDlg dialog(ctx.files.GetFileList().GetCurrentDir(), settings.findGoToFile != 0,
                          settings.findPreview != 0, ctx.parent);
    dialog.SetFolderPicker([&ctx](const std::string&) { return PickFolder(ctx); });
    vkui::execDialog(dialog);
    settings.findGoToFile = dialog.GetGoToFile() ? 1 : 0;
    settings.findPreview = dialog.GetPreview() ? 1 : 0;

    const std::string name = dialog.GetChosenName();
    ctx.files.GetFileList().SetGoToFile(name);
    if (!name.empty())
        ctx.files.GetFileList().SetDestinationDir(dialog.GetChosenFolder());
    if (!dialog.GetGoToFile() || name.empty())
        return;
    if (!GoToFolder(ctx, dialog.GetChosenFolder()))
        return;
    if (SelectNamedFiles(ctx, {name}) == 0) {
        ctx.status.UpdateTitleAndProperties(true);
        vkui::ask(QString::fromStdString(name) + kTextNotFound);
    }
}

void RunCompareDirectories(const CommandContext& ctx)
{
    CSettings& settings = ctx.settings;
    const std::string source = ctx.files.GetFileList().GetCurrentDir();
    for (;;) {
        CCompareDirectoriesDlg criteriaDlg(CriteriaFromSettings(settings), source, ctx.parent);
        criteriaDlg.SetFolderPicker([&ctx](const std::string&) { return PickFolder(ctx); });
        if (vkui::execDialog(criteriaDlg) != QDialog::Accepted)
            return;
        const vkcompare::CompareCriteria criteria = criteriaDlg.GetCriteria();
        StoreCriteria(settings, criteria);
        const std::string destination = criteriaDlg.GetDestination();

        CCompareResultsDlg results(criteria, source, destination, settings.comparePreviewSource != 0,
                                   settings.comparePreviewDestination != 0, settings.useRecycleBin != 0,
                                   ctx.parent);
        const int result = vkui::execDialog(results);
        settings.comparePreviewSource = results.GetPreview(CCompareResultsDlg::Source) ? 1 : 0;
        settings.comparePreviewDestination = results.GetPreview(CCompareResultsDlg::Destination) ? 1 : 0;
        switch (result) {
        case CCompareResultsDlg::ResultNew:
            continue;
        case CCompareResultsDlg::ResultGoToSource:
        case CCompareResultsDlg::ResultGoToDestination: {
            const std::string dir = result == CCompareResultsDlg::ResultGoToSource ? source : destination;
            if (GoToFolder(ctx, dir))
                SelectNamedFiles(ctx, results.GetChosenNames());
            return;
        }
        case QDialog::Accepted:
            // Files may have been deleted: re-read the current folder.
            ctx.files.RefreshDirectory();
            return;
        default:
            return;
        }
    }
}
