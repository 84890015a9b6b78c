#include "ui/shell/FileCommands.h"

#include "engine/save/NumberedName.h"
#include "models/browser/DirectoryFill.h"
#include "models/browser/FileList.h"
#include "models/browser/Navigator.h"
#include "models/fileops/Rename.h"
#include "models/platform/FileStatus.h"
#include "models/platform/Folders.h"
#include "models/platform/Path.h"
#include "models/settings/Favorites.h"
#include "models/settings/Settings.h"
#include "ui/fileops/CopyToDlg.h"
#include "ui/fileops/DeleteDlg.h"
#include "ui/fileops/PasteDlg.h"
#include "ui/fileops/RenameDlg.h"
#include "ui/fileops/SelectGroupDlg.h"
#include "ui/shell/CommandRegistry.h"
#include "ui/shell/FramePorts.h"
#include "ui/widgets/MessageService.h"

#include <algorithm>

namespace {

constexpr const char* kTextFileExists = "This file already exists.";
constexpr const char* kTextDirectoryExists = "This directory already exists.";
constexpr const char* kTextInvalidName = "A name cannot be empty, \".\" or \"..\", or contain \"/\".";
constexpr const char* kTextCantCreate = "Can't create directory.";
constexpr const char* kTextFolderNotExist = "Folder not exist.";

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

void Tell(const std::string& text)
{
    vkui::ask(Q(text), vkui::Buttons::Ok, vkui::Icon::Warning);
}

int ListCount(const CommandContext& ctx)
{
    return ctx.files.GetFileList().Count();
}

const std::vector<std::string>& Entries(const CommandContext& ctx)
{
    return ctx.files.GetFileList().Entries();
}

// The model takes the list's selection; the title, the preview and the
// panes follow.
void SelectionChanged(const CommandContext& ctx)
{
    ctx.files.OnFileSelectionChanged();
    ctx.status.UpdateCountPane();
}

// After the folder's files changed: the list is read again and either the
// named file or nothing is selected.
void RefillSelecting(const CommandContext& ctx, const std::string& name)
{
    ctx.files.FillFileList();
    if (!name.empty() && ctx.files.GetFileList().SelectEntry(name) < 0)
        ctx.files.GetFileList().SelectOnly(-1);
    ctx.files.UpdateSelection();
}

void ShowFirstFile(const CommandContext& ctx)
{
    CFileList& files = ctx.files.GetFileList();
    if (ListCount(ctx) > 0) {
        if (ctx.files.IsBrowserMode()) {
            files.SelectOnly(0);
            ctx.files.UpdateSelection();
            ctx.files.SetCurrentIndex(0);
            ctx.files.ShowCurrentFile();
        } else {
            ctx.files.ShowViewerFile(0);
        }
    } else {
        ctx.files.SetCurrentIndex(-1);
        files.UpdateSelection(std::vector<std::string>{});
        ctx.status.UpdateTitleAndProperties(true);
    }
}

void RefreshPanes(const CommandContext& ctx)
{
    ctx.status.UpdateCountPane();
    ctx.status.UpdateInfoPane();
    ctx.status.UpdateStatusPane();
    ctx.status.UpdateCommandUI();
}

// ---------------------------------------------------------------------------
// Delete

void OnDelete(const CommandContext& ctx)
{
    CFileList& files = ctx.files.GetFileList();
    CSettings& settings = ctx.settings;
    const int count = files.GetSelectedCount();
    if (count == 0)
        return;
    const std::string question = vkfileops::DeleteQuestion(count, settings.confirmSingleDelete != 0,
                                                           settings.confirmMultipleDelete != 0);
    if (!question.empty() &&
        vkui::ask(Q(question), vkui::Buttons::YesNo, vkui::Icon::Question) != vkui::Answer::Yes)
        return;

    const std::vector<std::string> before = Entries(ctx);
    const int shown = ctx.files.GetCurrentIndex();
    vkfileops::DeleteRequest request;
    request.dir = files.GetCurrentDir();
    request.names = files.SelectedNames();
    request.totalSize = files.GetSelectedTotal();
    request.useRecycleBin = settings.useRecycleBin != 0;
    {
        CDeleteDlg dialog(request, ctx.parent);
        vkui::execDialog(dialog);
    }
    files.ClearClipboard();

    ctx.files.FillFileList();
    ctx.files.UpdateSelection();
    if (!ctx.files.IsBrowserMode() && ListCount(ctx) > 0)
        // The viewer goes on to the next picture, the previous one at the end.
        ctx.files.ShowViewerFile(std::max(0, vknav::NeighbourAfterRefill(before, shown, Entries(ctx))));
    else if (settings.selectAfterDelete != 0 || !ctx.files.IsBrowserMode())
        ShowFirstFile(ctx);
    else
        ctx.status.UpdateTitleAndProperties(true);
    ctx.files.UpdateSelection();
    RefreshPanes(ctx);
}

// ---------------------------------------------------------------------------
// Copy, Cut, Paste, Copy To, Move To

void RememberClipboard(const CommandContext& ctx, bool isCopy)
{
    CFileList& files = ctx.files.GetFileList();
    files.isCopy = isCopy;
    files.RememberClipboard();
    ctx.status.UpdateCommandUI();
}

vkfileops::PasteResult RunPasteDialog(const CommandContext& ctx, const std::string& destination)
{
    CFileList& files = ctx.files.GetFileList();
    vkfileops::PasteRequest request;
    request.isCopy = files.isCopy;
    request.sourceDir = files.GetSourceDir();
    request.destinationDir = destination;
    for (int i = 0; i < files.GetClipboardCount(); ++i)
        request.names.push_back(files.GetClipboardName(i));
    request.totalSize = files.GetTotalSize();
    const int policy = ctx.settings.overwritePolicy;
    request.policy = OverwritePolicy(policy >= 0 && policy <= 3 ? policy : 0);
    CPasteDlg dialog(request, ctx.parent);
    vkui::execDialog(dialog);
    return dialog.GetResult();
}

// The name to select after a paste: the last file written, else the last
// name of the clipboard.
std::string LastName(const CFileList& files, const vkfileops::PasteResult& result)
{
    if (!result.writtenNames.empty())
        return result.writtenNames.back();
    const int count = files.GetClipboardCount();
    return count > 0 ? files.GetClipboardName(count - 1) : std::string();
}

bool CanPaste(const CommandContext& ctx)
{
    const CFileList& files = ctx.files.GetFileList();
    return files.GetClipboardCount() > 0 &&
           (files.isCopy || vkpath::StripTrailingSeparator(files.GetSourceDir()) != files.GetCurrentDir());
}

void OnPaste(const CommandContext& ctx)
{
    if (!ctx.files.IsBrowserMode())
        return;
    CFileList& files = ctx.files.GetFileList();
    CSettings& settings = ctx.settings;
    const std::string current = files.GetCurrentDir();
    const std::string refusal = vkfileops::PastePreflight(files.GetSourceDir(), current, files.GetTotalSize(),
                                                          vkfill::GetFreeSpace(current));
    if (!refusal.empty()) {
        Tell(refusal);
        return;
    }
    if (settings.confirmCopyMove != 0) {
        const std::string text = vkfileops::PasteConfirmText(files.isCopy, files.GetClipboardCount(),
                                                             files.GetSourceDir(), current);
        if (vkui::ask(Q(text), vkui::Buttons::YesNo, vkui::Icon::Question) != vkui::Answer::Yes)
            return;
    }
    const vkfileops::PasteResult result = RunPasteDialog(ctx, current);
    const std::string select =
        settings.selectAfterCopyMove != 0 ? LastName(files, result) : files.GetCurrentFile();
    RefillSelecting(ctx, select);
    if (files.GetCurrentFile().empty())
        ctx.status.UpdateTitleAndProperties(true);
    else if (settings.selectAfterCopyMove != 0)
        ctx.files.ShowCurrentFile();
    files.ClearClipboard();
    RefreshPanes(ctx);
}

void OnCopyTo(const CommandContext& ctx, bool isCopy)
{
    CFileList& files = ctx.files.GetFileList();
    CSettings& settings = ctx.settings;
    if (files.GetSelectedCount() == 0)
        return;
    RememberClipboard(ctx, isCopy);
    const std::string oldDir = files.GetCurrentDir();
    {
        CCopyToDlg dialog(files, isCopy, files.GetSelectedCount(), ctx.files.GetRecentFolders(),
                          ctx.favorites.favoriteFolders, ctx.parent);
        if (vkui::execDialog(dialog) != QDialog::Accepted)
            return;
    }
    const std::string destination = vkpath::StripTrailingSeparator(files.GetDestinationDir());
    const std::string refusal = vkfileops::PastePreflight(
        files.GetSourceDir(), destination, files.GetTotalSize(), vkfill::GetFreeSpace(destination));
    if (!refusal.empty()) {
        Tell(refusal);
        return;
    }
    const vkfileops::PasteResult result = RunPasteDialog(ctx, destination);
    const std::string last = LastName(files, result);
    files.ClearClipboard();

    if (settings.selectAfterCopyMove != 0) {
        if (!vkplatform::EnterDirectory(destination)) {
            Tell(kTextFolderNotExist);
            vkplatform::EnterDirectory(oldDir);
            RefillSelecting(ctx, files.GetCurrentFile());
            RefreshPanes(ctx);
            return;
        }
        ctx.files.GoTo(destination, nullptr, FileListPort::Recent::Add);
        RefillSelecting(ctx, last);
        if (!ctx.files.IsBrowserMode())
            ctx.files.SetCurrentIndex(ctx.files.GetFileList().Find(files.GetCurrentFile()));
        ctx.files.ShowCurrentFile();
    } else {
        if (!vkplatform::EnterDirectory(oldDir))
            Tell(kTextFolderNotExist);
        const std::string shown = files.GetCurrentFile();
        RefillSelecting(ctx, ctx.files.IsBrowserMode() ? shown : std::string());
        if (!ctx.files.IsBrowserMode()) {
            // A moved picture left the folder: show the first one; a copied
            // one is still there and stays shown.
            const int row = ctx.files.GetFileList().Find(shown);
            if (row >= 0)
                ctx.files.ShowViewerFile(row);
            else
                ShowFirstFile(ctx);
        } else {
            ctx.status.UpdateTitleAndProperties(files.GetCurrentFile().empty());
        }
    }
    RefreshPanes(ctx);
}

// ---------------------------------------------------------------------------
// Rename, Rename Series, Make Directory

void RenameCurrentFile(const CommandContext& ctx)
{
    CFileList& files = ctx.files.GetFileList();
    const std::string dir = files.GetCurrentDir();
    const std::string name = files.GetCurrentFile();
    const std::string title = vkname::SplitAtLastDot(name).first;
    for (;;) {
        CRenameDlg dialog(vkfileops::RenameFilePrompt(title), title, ctx.parent);
        if (vkui::execDialog(dialog) != QDialog::Accepted)
            return;
        const std::string newTitle = dialog.GetName();
        if (newTitle.empty())
            continue;
        std::string newName, error;
        switch (vkfileops::RenameFileKeepingExtension(dir, name, newTitle, newName, &error)) {
        case vkfileops::RenameOutcome::Ok:
            RefillSelecting(ctx, newName);
            if (!ctx.files.IsBrowserMode())
                ctx.files.SetCurrentIndex(ctx.files.GetFileList().Find(files.GetCurrentFile()));
            ctx.status.UpdateTitleAndProperties(files.GetCurrentFile().empty());
            files.ClearClipboard();
            RefreshPanes(ctx);
            return;
        case vkfileops::RenameOutcome::Exists:
            Tell(kTextFileExists);
            break;
        case vkfileops::RenameOutcome::Invalid:
            Tell(kTextInvalidName);
            break;
        case vkfileops::RenameOutcome::Failed:
            Tell("Can't rename " + vkpath::Join(dir, name) + "\n" + error);
            break;
        }
    }
}

void RenameCurrentDirectory(const CommandContext& ctx)
{
    CFileList& files = ctx.files.GetFileList();
    const std::string dir = files.GetCurrentDir();
    if (vkpath::IsRoot(dir))
        return;
    const std::string last = vkpath::FileName(dir);
    for (;;) {
        CRenameDlg dialog(vkfileops::RenameDirectoryPrompt(last), last, ctx.parent);
        if (vkui::execDialog(dialog) != QDialog::Accepted)
            return;
        const std::string newLast = dialog.GetName();
        if (newLast.empty())
            continue;
        // Leave the folder while it is renamed.
        vkplatform::EnterDirectory(vkplatform::SystemDirectory());
        std::string newPath, error;
        const vkfileops::RenameOutcome outcome = vkfileops::RenameDirectory(dir, newLast, newPath, &error);
        if (outcome == vkfileops::RenameOutcome::Ok) {
            files.ClearClipboard();
            std::string why;
            if (!vkplatform::EnterDirectory(newPath, &why)) {
                // Renamed, but the folder cannot be entered: say so and go
                // to its parent, as the old name is gone.
                Tell("The directory was renamed to " + newPath + ", but it cannot be opened:\n" + why);
                ctx.files.GoTo(vkpath::Parent(newPath), kTextFolderNotExist, FileListPort::Recent::Keep);
            } else {
                ctx.files.GoTo(newPath, nullptr, FileListPort::Recent::Add);
            }
            ctx.status.UpdateTitleAndProperties(true);
            RefreshPanes(ctx);
            return;
        }
        vkplatform::EnterDirectory(dir);
        if (outcome == vkfileops::RenameOutcome::Invalid)
            Tell(kTextInvalidName);
        else if (outcome == vkfileops::RenameOutcome::Failed)
            Tell("Can't rename " + dir + "\n" + error);
        else
            Tell(kTextDirectoryExists);
    }
}

void OnRename(const CommandContext& ctx)
{
    if (!ctx.files.GetFileList().GetCurrentFile().empty())
        RenameCurrentFile(ctx);
    else
        RenameCurrentDirectory(ctx);
}

void OnRenameSeries(const CommandContext& ctx)
{
    if (!ctx.files.IsBrowserMode())
        return;
    CFileList& files = ctx.files.GetFileList();
    CSettings& settings = ctx.settings;
    const std::vector<std::string> entries = Entries(ctx);
    const int scope = settings.renameSeriesScope == 1 ? 1 : 0;
    const std::string initial =
        scope == 1 ? files.GetCurrentTitle()
                   : (entries.empty() ? std::string() : vkname::SplitAtLastDot(entries.front()).first);
    std::string base;
    int chosen = scope;
    for (;;) {
        CRenameSeriesDlg dialog(initial, scope, ctx.parent);
        if (vkui::execDialog(dialog) != QDialog::Accepted)
            return;
        base = dialog.GetBase();
        chosen = dialog.GetScope();
        if (base.empty())
            continue;
        if (!vkfileops::IsValidName(base)) {
            Tell(kTextInvalidName);
            continue;
        }
        break;
    }
    settings.renameSeriesScope = chosen;
    const std::vector<std::string> pending = chosen == 1 ? files.SelectedNames() : entries;
    vkfileops::RunRenameSeries(files.GetCurrentDir(), vkfileops::PlanRenameSeries(entries, pending, base));
    RefillSelecting(ctx, std::string());
    files.ClearClipboard();
    ctx.status.UpdateTitleAndProperties(true);
    RefreshPanes(ctx);
}

void OnMakeDirectory(const CommandContext& ctx)
{
    if (!ctx.files.IsBrowserMode())
        return;
    CMakeDirectoryDlg dialog(ctx.parent);
    if (vkui::execDialog(dialog) != QDialog::Accepted || dialog.GetName().empty())
        return;
    if (!vkfileops::MakeDirectory(ctx.files.GetFileList().GetCurrentDir(), dialog.GetName())) {
        Tell(kTextCantCreate);
        return;
    }
    ctx.files.FillDirectoryList();
}

// ---------------------------------------------------------------------------
// Selection

void OnSelectAll(const CommandContext& ctx, int mode)
{
    if (!ctx.files.IsBrowserMode())
        return;
    CFileList& files = ctx.files.GetFileList();
    std::vector<bool> selected = files.SelectedRows();
    for (size_t i = 0; i < selected.size(); ++i)
        selected[i] = mode == 0 ? true : mode == 1 ? false : !selected[i];
    files.SelectRows(selected);
    SelectionChanged(ctx);
}

void OnGroup(const CommandContext& ctx, bool unselect)
{
    if (!ctx.files.IsBrowserMode())
        return;
    CSelectGroupDlg dialog(unselect, ctx.parent);
    if (vkui::execDialog(dialog) != QDialog::Accepted)
        return;
    const vkfileops::GroupCriteria criteria = dialog.GetCriteria();
    if (!vkfileops::AnyCriterion(criteria))
        return;
    const std::string dir = ctx.files.GetFileList().GetCurrentDir();
    auto status = [&dir](const std::string& name, uint64_t& size, int64_t& mtime) {
        vkplatform::FileStatus st;
        if (!vkplatform::GetFileStatus(vkpath::Join(dir, name), st))
            return false;
        size = st.size;
        mtime = st.lastWriteTime;
        return true;
    };
    CFileList& files = ctx.files.GetFileList();
    files.SelectRows(
        vkfileops::ApplyGroup(criteria, unselect, files.Entries(), files.SelectedRows(), status));
    if (unselect) {
        ctx.files.UpdateSelection();
        ctx.status.UpdateTitleAndProperties(true);
        ctx.status.UpdateCountPane();
    } else {
        SelectionChanged(ctx);
    }
    ctx.status.UpdateCommandUI();
}

} // namespace

void BindFileCommands(const CommandContext& ctx, CommandRegistry& commands)
{
    auto selected = [ctx] { return ctx.files.GetFileList().GetSelectedCount(); };

    commands.Bind(Cmd::EditDelete,
                  {.enabled = [=] { return selected() > 0; }, .run = [ctx] { OnDelete(ctx); }});
    commands.Bind(Cmd::EditRename, {.enabled =
                                        [ctx] {
                                            return !ctx.files.GetFileList().GetCurrentFile().empty() ||
                                                   !vkpath::IsRoot(ctx.files.GetFileList().GetCurrentDir());
                                        },
                                    .run = [ctx] { OnRename(ctx); }});
    commands.Bind(Cmd::EditRenameSeries,
                  {.enabled =
                       [ctx] {
                           return ctx.settings.renameSeriesScope == 1
                                      ? !ctx.files.GetFileList().GetCurrentFile().empty()
                                      : ListCount(ctx) > 0;
                       },
                   .run = [ctx] { OnRenameSeries(ctx); }});
    commands.Bind(Cmd::EditCopy, {.enabled = [=] { return ctx.files.IsBrowserMode() && selected() > 0; },
                                  .run = [ctx] { RememberClipboard(ctx, true); }});
    commands.Bind(Cmd::EditCut, {.enabled = [=] { return selected() > 0; },
                                 .run =
                                     [ctx] {
                                         if (ctx.files.IsBrowserMode())
                                             RememberClipboard(ctx, false);
                                     }});
    commands.Bind(Cmd::EditPaste,
                  {.enabled = [ctx] { return CanPaste(ctx); }, .run = [ctx] { OnPaste(ctx); }});
    commands.Bind(Cmd::EditCopyTo,
                  {.enabled = [=] { return selected() > 0; }, .run = [ctx] { OnCopyTo(ctx, true); }});
    commands.Bind(Cmd::EditMoveTo,
                  {.enabled = [=] { return selected() > 0; }, .run = [ctx] { OnCopyTo(ctx, false); }});
    commands.Bind(Cmd::EditMakeDirectory, {.run = [ctx] { OnMakeDirectory(ctx); }});

    commands.Bind(Cmd::EditSelectAll, {.enabled = [=] { return selected() < ListCount(ctx); },
                                       .run = [ctx] { OnSelectAll(ctx, 0); }});
    commands.Bind(Cmd::EditUnselectAll,
                  {.enabled = [=] { return selected() > 0; }, .run = [ctx] { OnSelectAll(ctx, 1); }});
    commands.Bind(Cmd::EditInvertSelection,
                  {.enabled = [=] { return selected() > 0 && selected() < ListCount(ctx); },
                   .run = [ctx] { OnSelectAll(ctx, 2); }});
    commands.Bind(Cmd::EditSelectGroup,
                  {.enabled = [ctx] { return ListCount(ctx) > 0; }, .run = [ctx] { OnGroup(ctx, false); }});
    commands.Bind(Cmd::EditUnselectGroup,
                  {.enabled = [=] { return selected() > 0; }, .run = [ctx] { OnGroup(ctx, true); }});
}
