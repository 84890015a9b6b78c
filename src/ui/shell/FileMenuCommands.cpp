#include "ui/shell/FileMenuCommands.h"

#include "engine/picture/FormatRegistry.h"
#include "models/browser/FileList.h"
#include "models/browser/Navigator.h"
#include "models/platform/Folders.h"
#include "models/platform/Path.h"
#include "models/settings/Settings.h"
#include "ui/browser/Preview.h"
#include "ui/shell/CommandRegistry.h"
#include "ui/shell/FramePorts.h"
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
void OpenFile(const CommandContext& ctx)
{
    const QString chosen = vkui::openFileName(
        ctx.parent, "Open", QString::fromStdString(vkplatform::WorkingDirectory()), OpenDialogFilters());
    if (chosen.isEmpty())
        return;
    const auto [dir, name] = vkpath::Split(QFileInfo(chosen).absoluteFilePath().toStdString());
    if (!ctx.files.GoTo(dir, vknav::kTextFolderNotFound, FileListPort::Recent::Add)) {
        if (!CNavigator::Enter(ctx.files.GetFileList().GetCurrentDir()))
            ctx.files.RefreshDirectory();
        return;
    }
    if (!ctx.files.ShowListedFile(name)) {
        // Nothing to view: the folder is shown in the browser.
        ctx.window.SwitchToBrowser();
        vkui::ask(kTextImageNotFound);
    }
}

} // namespace

void BindFileMenuCommands(const CommandContext& ctx, CommandRegistry& commands)
{
    using enum Cmd;
    CPreview& view = ctx.picture;
    CFileList& list = ctx.files.GetFileList();
    CSettings& settings = ctx.settings;
    FileListPort& files = ctx.files;
    WindowPort& window = ctx.window;

    commands.Bind(FileOpen, {.run = [ctx] { OpenFile(ctx); }});
    commands.Bind(FileSaveAs,
                  {.enabled = [&view] { return view.HasImage() && view.GetPicture().IsModified(); },
                   .run = [&window] { window.RunSaveAs(); }});
    commands.Bind(
        FilePreview,
        {.enabled = [&settings,
                     &list] { return !settings.browserPreviewEnabled && !list.GetCurrentFile().empty(); },
         .run =
             [&files] {
                 if (files.IsBrowserMode())
                     files.ShowCurrentFileForced();
             }});
    commands.Bind(FileReload,
                  {.enabled = [&view, &list] { return view.HasImage() && !list.GetCurrentFile().empty(); },
                   .run = [&files] { files.ShowCurrentFileForced(); }});
    commands.Bind(Viewer, {.enabled = [&view] { return view.HasImage(); },
                           .run = [&window] { window.SwitchToViewer(); }});
    commands.Bind(Browser, {.run = [&window] { window.SwitchToBrowser(); }});
    commands.Bind(Exit, {.run = [&window] { window.CloseWindow(); }});
}
