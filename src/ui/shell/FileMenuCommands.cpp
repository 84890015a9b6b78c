#include "ui/shell/FileMenuCommands.h"

#include "engine/picture/FormatRegistry.h"
#include "models/browser/Navigator.h"
#include "models/platform/Folders.h"
#include "models/platform/Path.h"
#include "ui/browser/Preview.h"
#include "ui/shell/CommandRegistry.h"
#include "ui/shell/MainFrm.h"
#include "ui/widgets/MessageService.h"

#include <QFileInfo>
#include <QStringList>

namespace {

constexpr const char* kTextImageNotFound = "Image not found";

// File > Open filters: all pictures first, then each kind of file.
const QStringList& OpenDialogFilters()
{
    static const QStringList filters = [] {
        QStringList list;
        for (const std::string& filter : ::OpenFilters())
            list.push_back(QString::fromStdString(filter));
        return list;
    }();
    return filters;
}

// Goes to the chosen file's folder and shows the file, in the mode the
// frame is in.
void OpenFile(CMainFrame& frame)
{
    const QString chosen = vkui::openFileName(
        &frame, "Open", QString::fromStdString(vkplatform::WorkingDirectory()), OpenDialogFilters());
    if (chosen.isEmpty())
        return;
    const auto [dir, name] = vkpath::Split(QFileInfo(chosen).absoluteFilePath().toStdString());
    if (!frame.GoTo(dir, vknav::kTextFolderNotFound, CMainFrame::Recent::Add)) {
        if (!CNavigator::Enter(frame.GetFileList().GetCurrentDir()))
            frame.RefreshDirectory();
        return;
    }
    if (!frame.ShowListedFile(name)) {
        // Nothing to view: the folder is shown in the browser.
        frame.SwitchToBrowser();
        vkui::ask(kTextImageNotFound);
    }
}

} // namespace

void BindFileMenuCommands(CMainFrame& frame, CommandRegistry& commands)
{
    using enum Cmd;
    CPreview& view = *frame.GetView();
    CFileList& files = frame.GetFileList();
    CSettings& settings = frame.GetSettings();

    commands.Bind(FileOpen, {.run = [&frame] { OpenFile(frame); }});
    commands.Bind(FileSaveAs,
                  {.enabled = [&view] { return view.HasImage() && view.GetPicture().IsModified(); },
                   .run = [&frame] { frame.RunSaveAs(); }});
    commands.Bind(
        FilePreview,
        {.enabled = [&settings,
                     &files] { return !settings.browserPreviewEnabled && !files.GetCurrentFile().empty(); },
         .run =
             [&frame] {
                 if (frame.IsBrowserMode())
                     frame.ShowCurrentFileForced();
             }});
    commands.Bind(FileReload,
                  {.enabled = [&view, &files] { return view.HasImage() && !files.GetCurrentFile().empty(); },
                   .run = [&frame] { frame.ShowCurrentFileForced(); }});
    commands.Bind(Viewer, {.enabled = [&view] { return view.HasImage(); },
                           .run = [&frame] { frame.SwitchToViewer(); }});
    commands.Bind(Browser, {.run = [&frame] { frame.SwitchToBrowser(); }});
    commands.Bind(Exit, {.run = [&frame] { frame.close(); }});
}
