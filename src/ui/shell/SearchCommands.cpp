#include "ui/shell/SearchCommands.h"

#include "models/browser/DirectoryFill.h"
#include "ui/search/CompareDirectoriesDlg.h"
#include "ui/search/CompareResultsDlg.h"
#include "ui/search/FindImages.h"
#include "ui/shell/CommandRegistry.h"
#include "ui/shell/MainFrm.h"
#include "ui/widgets/Browse.h"
#include "ui/widgets/MessageService.h"

#include <QSignalBlocker>

namespace {

constexpr const char* kTextNotFound = " not found.";
constexpr const char* kTextFolderNotExist = "Folder not exist.";

// The folder picker of the browser; "" when cancelled.
std::string PickFolder(CMainFrame& frame)
{
    CBrowseDlg browse(frame.GetFileList(), &frame);
    if (vkui::execDialog(browse) != QDialog::Accepted)
        return {};
    return frame.GetFileList().GetDestinationDir();
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

bool GoToFolder(CMainFrame& frame, const std::string& dir)
{
    return frame.GoTo(dir, kTextFolderNotExist, CMainFrame::Recent::Add);
}

int SelectNamedFiles(CMainFrame& frame, const std::vector<std::string>& names)
{
    int last = -1;
    const int found = frame.GetFileList().SelectNamed(names, last);
    frame.UpdateSelection();
    if (!frame.IsBrowserMode())
        frame.SetCurrentIndex(last);
    if (!frame.GetFileList().GetCurrentFile().empty())
        frame.ShowCurrentFile();
    frame.UpdateCountPane();
    return found;
}

void BindSearchCommands(CMainFrame& frame, CommandRegistry& commands)
{
    CMainFrame* f = &frame;
    commands.Bind(Cmd::ToolsFind, {.run = [f] { RunFindImages(*f); }});
    commands.Bind(Cmd::ToolsCompare, {.run = [f] { RunCompareDirectories(*f); }});
}

void RunFindImages(CMainFrame& frame)
{
    CSettings& settings = frame.GetSettings();
    CFindImagesDlg dialog(frame.GetFileList().GetCurrentDir(), settings.findGoToFile != 0,
                          settings.findPreview != 0, &frame);
    dialog.SetFolderPicker([&frame](const std::string&) { return PickFolder(frame); });
    vkui::execDialog(dialog);
    settings.findGoToFile = dialog.GetGoToFile() ? 1 : 0;
    settings.findPreview = dialog.GetPreview() ? 1 : 0;

    const std::string name = dialog.GetChosenName();
    frame.GetFileList().SetGoToFile(name);
    if (!name.empty())
        frame.GetFileList().SetDestinationDir(dialog.GetChosenFolder());
    if (!dialog.GetGoToFile() || name.empty())
        return;
    if (!GoToFolder(frame, dialog.GetChosenFolder()))
        return;
    if (SelectNamedFiles(frame, {name}) == 0) {
        frame.UpdateTitleAndProperties(true);
        vkui::ask(QString::fromStdString(name) + kTextNotFound);
    }
}

void RunCompareDirectories(CMainFrame& frame)
{
    CSettings& settings = frame.GetSettings();
    const std::string source = frame.GetFileList().GetCurrentDir();
    for (;;) {
        CCompareDirectoriesDlg criteriaDlg(CriteriaFromSettings(settings), source, &frame);
        criteriaDlg.SetFolderPicker([&frame](const std::string&) { return PickFolder(frame); });
        if (vkui::execDialog(criteriaDlg) != QDialog::Accepted)
            return;
        const vkcompare::CompareCriteria criteria = criteriaDlg.GetCriteria();
        StoreCriteria(settings, criteria);
        const std::string destination = criteriaDlg.GetDestination();

        CCompareResultsDlg results(criteria, source, destination, settings.comparePreviewSource != 0,
                                   settings.comparePreviewDestination != 0, settings.useRecycleBin != 0,
                                   &frame);
        const int result = vkui::execDialog(results);
        settings.comparePreviewSource = results.GetPreview(CCompareResultsDlg::Source) ? 1 : 0;
        settings.comparePreviewDestination = results.GetPreview(CCompareResultsDlg::Destination) ? 1 : 0;
        switch (result) {
        case CCompareResultsDlg::ResultNew:
            continue;
        case CCompareResultsDlg::ResultGoToSource:
        case CCompareResultsDlg::ResultGoToDestination: {
            const std::string dir = result == CCompareResultsDlg::ResultGoToSource ? source : destination;
            if (GoToFolder(frame, dir))
                SelectNamedFiles(frame, results.GetChosenNames());
            return;
        }
        case QDialog::Accepted:
            // Files may have been deleted: re-read the current folder.
            frame.RefreshDirectory();
            return;
        default:
            return;
        }
    }
}
