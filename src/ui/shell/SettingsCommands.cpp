#include "ui/shell/SettingsCommands.h"

#include "models/browser/DirectoryFill.h"
#include "models/platform/Path.h"
#include "models/settings/Wallpaper.h"
#include "ui/browser/Preview.h"
#include "ui/settings/FavoritesDlg.h"
#include "ui/settings/OptionsDlg.h"
#include "ui/settings/SetFileAssociationsDlg.h"
#include "ui/shell/CommandRegistry.h"
#include "ui/shell/MainFrm.h"
#include "ui/shell/SaveCommands.h"
#include "ui/widgets/MessageService.h"
#include "ui/widgets/PictureJob.h"

#include <QApplication>

namespace {

constexpr const char* kTextWallpaperNotWritten = "Can't write the wallpaper file ";

void RunOptions(CMainFrame& frame)
{
    CSettings& settings = frame.GetSettings();
    const CSettings before = settings;
    bool typesChanged = false;
    if (!RunOptionsDialog(settings, frame.GetFileList(), &frame, typesChanged))
        return;
    const bool viewChanged = before.browserPreviewEnabled != settings.browserPreviewEnabled ||
                             before.browserPreviewShrink != settings.browserPreviewShrink ||
                             before.browserPreviewEnlarge != settings.browserPreviewEnlarge ||
                             before.viewerShrink != settings.viewerShrink ||
                             before.viewerEnlarge != settings.viewerEnlarge;
    ApplyOptions(frame, typesChanged);
    // The view takes new fit and preview choices at once.
    if (viewChanged && !typesChanged && !frame.GetFileList().GetCurrentFile().empty())
        frame.ShowCurrentFile();
}

void SetWallpaper(CMainFrame& frame)
{
    const CFileList& list = frame.GetFileList();
    if (list.GetCurrentFile().empty() || !frame.GetView()->HasImage())
        return;
    const std::string source = vkpath::Join(list.GetCurrentDir(), list.GetCurrentFile());
    // The picture written or the file copied must be the current file's.
    vkjob::WaitForView(*frame.GetView());
    if (!vksave::CheckPictureOf(frame, source))
        return;
    CPictureEx& picture = frame.GetView()->GetPicture();
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

void ApplyOptions(CMainFrame& frame, bool typesChanged)
{
    CFileList& list = frame.GetFileList();
    bool loading = false; // a new file is being shown: its load updates the panes
    if (typesChanged) {
        const std::string previous = list.GetCurrentFile();
        frame.RefillFileList();
        frame.UpdateSelection();
        const int row = previous.empty() ? -1 : list.Find(previous);
        // The viewer steps from its index into the list: it follows the
        // file to its new row, or to the first file when its own was hidden.
        if (row >= 0) {
            list.SetCurrentFile(list.EntryName(row));
            if (!frame.IsBrowserMode())
                frame.SetCurrentIndex(row);
        } else if (frame.IsBrowserMode()) {
            frame.UpdateTitleAndProperties(true);
        } else if (list.Count() > 0) {
            frame.ShowViewerFile(0);
            loading = true;
        } else {
            frame.SetCurrentIndex(-1);
            frame.UpdateTitleAndProperties(true);
        }
    }
    if (!loading)
        frame.UpdateTitleAndProperties(list.GetCurrentFile().empty() || !frame.GetView()->HasImage());
    frame.UpdateStatusPane();
    frame.UpdateCountPane();
}

void BindSettingsCommands(CMainFrame& frame, CommandRegistry& commands)
{
    commands.Bind(Cmd::ToolsOptions, {.run = [&frame] { RunOptions(frame); }});
    commands.Bind(Cmd::ToolsAssociations,
                  {.run = [&frame] { RunSetFileAssociations(frame.GetSettings(), &frame); }});
    commands.Bind(Cmd::ToolsWallpaper, {.enabled = [&frame] { return frame.GetView()->HasImage(); },
                                        .run = [&frame] { SetWallpaper(frame); }});
    commands.Bind(Cmd::FavoritesAdd, {.run = [&frame] {
                      const CFileList& list = frame.GetFileList();
                      if (RunAddToFavorites(frame.GetFavorites(), list.GetCurrentDir(), list.GetCurrentFile(),
                                            &frame)) {
                          frame.FillFavoritesBox();
                          frame.SaveFavorites();
                      }
                  }});
    commands.Bind(Cmd::FavoritesOrganize, {.run = [&frame] {
                      const std::string before = frame.GetFavorites().Format();
                      RunOrganizeFavorites(frame.GetFavorites(), &frame);
                      frame.FillFavoritesBox();
                      if (frame.GetFavorites().Format() != before)
                          frame.SaveFavorites();
                  }});
}
