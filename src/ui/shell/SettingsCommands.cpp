#include "ui/shell/SettingsCommands.h"

#include "models/browser/DirectoryFill.h"
#include "models/browser/FileList.h"
#include "models/platform/Path.h"
#include "models/settings/Favorites.h"
#include "models/settings/Settings.h"
#include "models/settings/Wallpaper.h"
#include "ui/browser/Preview.h"
#include "ui/settings/FavoritesDlg.h"
#include "ui/settings/OptionsDlg.h"
#include "ui/settings/SetFileAssociationsDlg.h"
#include "ui/shell/CommandRegistry.h"
#include "ui/shell/FramePorts.h"
#include "ui/shell/SaveCommands.h"
#include "ui/widgets/MessageService.h"
#include "ui/widgets/PictureJob.h"

#include <QApplication>

namespace {

constexpr const char* kTextWallpaperNotWritten = "Can't write the wallpaper file ";

void RunOptions(const CommandContext& ctx)
{
    CSettings& settings = ctx.settings;
    const CSettings before = settings;
    bool typesChanged = false;
    if (!RunOptionsDialog(settings, ctx.files.GetFileList(), ctx.parent, typesChanged))
        return;
    const bool viewChanged = before.browserPreviewEnabled != settings.browserPreviewEnabled ||
                             before.browserPreviewShrink != settings.browserPreviewShrink ||
                             before.browserPreviewEnlarge != settings.browserPreviewEnlarge ||
                             before.viewerShrink != settings.viewerShrink ||
                             before.viewerEnlarge != settings.viewerEnlarge;
    ApplyOptions(ctx, typesChanged);
    // The view takes new fit and preview choices at once.
    if (viewChanged && !typesChanged && !ctx.files.GetFileList().GetCurrentFile().empty())
        ctx.files.ShowCurrentFile();
}

void SetWallpaper(const CommandContext& ctx)
{
    const CFileList& list = ctx.files.GetFileList();
    if (list.GetCurrentFile().empty() || !ctx.picture.HasImage())
        return;
    const std::string source = vkpath::Join(list.GetCurrentDir(), list.GetCurrentFile());
    // The picture written or the file copied must be the current file's.
    vkjob::WaitForView(ctx.picture);
    if (!vksave::CheckPictureOf(ctx.picture, source))
        return;
    CPictureEx& picture = ctx.picture.GetPicture();
    std::string file;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool written = vkshell::WriteWallpaperFile(source, picture, picture.IsModified(), file);
    QApplication::restoreOverrideCursor();
    if (!written) {
        vkui::ask(QString::fromStdString(kTextWallpaperNotWritten + file));
        return;
    }
    // The desktop's programs run off the GUI thread.
    vkshell::ApplyDesktopWallpaperInBackground(file, [](const std::string& desktop) {
        if (desktop.empty())
            vkui::ask(QString::fromStdString(vkshell::NoDesktopMessage()));
    });
}

} // namespace

void ApplyOptions(const CommandContext& ctx, bool typesChanged)
{
    FileListPort& files = ctx.files;
    StatusPort& status = ctx.status;
    CFileList& list = files.GetFileList();
    bool loading = false; // a new file is being shown: its load updates the panes
    if (typesChanged) {
        const std::string previous = list.GetCurrentFile();
        files.RefillFileList();
        files.UpdateSelection();
        const int row = previous.empty() ? -1 : list.Find(previous);
        // The viewer steps from its index into the list: it follows the
        // file to its new row, or to the first file when its own was hidden.
        if (row >= 0) {
            list.SetCurrentFile(list.EntryName(row));
            if (!files.IsBrowserMode())
                files.SetCurrentIndex(row);
        } else if (files.IsBrowserMode()) {
            status.UpdateTitleAndProperties(true);
        } else if (list.Count() > 0) {
            files.ShowViewerFile(0);
            loading = true;
        } else {
            files.SetCurrentIndex(-1);
            status.UpdateTitleAndProperties(true);
        }
    }
    if (!loading)
        status.UpdateTitleAndProperties(list.GetCurrentFile().empty() || !ctx.picture.HasImage());
    status.UpdateStatusPane();
    status.UpdateCountPane();
}

void BindSettingsCommands(const CommandContext& ctx, CommandRegistry& commands)
{
    commands.Bind(Cmd::ToolsOptions, {.run = [ctx] { RunOptions(ctx); }});
    commands.Bind(Cmd::ToolsAssociations,
                  {.run = [ctx] { RunSetFileAssociations(ctx.settings, ctx.parent); }});
    commands.Bind(Cmd::ToolsWallpaper, {.enabled = [&view = ctx.picture] { return view.HasImage(); },
                                        .run = [ctx] { SetWallpaper(ctx); }});
    commands.Bind(
        Cmd::FavoritesAdd, {.run = [ctx] {
            const CFileList& list = ctx.files.GetFileList();
            if (RunAddToFavorites(ctx.favorites, list.GetCurrentDir(), list.GetCurrentFile(), ctx.parent)) {
                ctx.window.FillFavoritesBox();
                ctx.window.SaveFavorites();
            }
        }});
    commands.Bind(Cmd::FavoritesOrganize, {.run = [ctx] {
                      const std::string before = ctx.favorites.Format();
                      RunOrganizeFavorites(ctx.favorites, ctx.parent);
                      ctx.window.FillFavoritesBox();
                      if (ctx.favorites.Format() != before)
                          ctx.window.SaveFavorites();
                  }});
}
