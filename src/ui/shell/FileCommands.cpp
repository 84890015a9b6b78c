#include "ui/shell/FileCommands.h"

#include "engine/save/NumberedName.h"
#include "models/browser/DirectoryFill.h"
#include "models/browser/Navigator.h"
#include "models/fileops/Rename.h"
#include "models/platform/FileStatus.h"
#include "models/platform/Folders.h"
#include "models/platform/Path.h"
#include "ui/fileops/CopyToDlg.h"
#include "ui/fileops/DeleteDlg.h"
#include "ui/fileops/PasteDlg.h"
#include "ui/fileops/RenameDlg.h"
#include "ui/fileops/SelectGroupDlg.h"
#include "ui/shell/CommandRegistry.h"
#include "ui/shell/MainFrm.h"
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

int ListCount(CMainFrame& frame)
{
    return frame.GetFileList().Count();
}

const std::vector<std::string>& Entries(CMainFrame& frame)
{
    return frame.GetFileList().Entries();
}

// The model takes the list's selection; the title, the preview and the
// panes follow.
void SelectionChanged(CMainFrame& frame)
{
    frame.OnFileSelectionChanged();
    frame.UpdateCountPane();
}

// After the folder's files changed: the list is read again and either the
// named file or nothing is selected.
void RefillSelecting(CMainFrame& frame, const std::string& name)
{
    frame.FillFileList();
    if (!name.empty() && frame.SelectFileEntry(name) < 0)
        frame.SelectOnly(-1);
    frame.UpdateSelection();
}

void ShowFirstFile(CMainFrame& frame)
{
    CFileList& files = frame.GetFileList();
    if (ListCount(frame) > 0) {
        if (frame.IsBrowserMode()) {
            frame.SelectOnly(0);
            frame.UpdateSelection();
            frame.SetCurrentIndex(0);
            frame.ShowCurrentFile();
        } else {
            frame.ShowViewerFile(0);
        }
    } else {
        frame.SetCurrentIndex(-1);
        files.UpdateSelection(std::vector<std::string>{});
        frame.UpdateTitleAndProperties(true);
    }
}

void RefreshPanes(CMainFrame& frame)
{
    frame.UpdateCountPane();
    frame.UpdateInfoPane();
    frame.UpdateStatusPane();
    frame.UpdateCommandUI();
}

// ---------------------------------------------------------------------------
// Delete

void OnDelete(CMainFrame& frame)
{
    CFileList& files = frame.GetFileList();
    CSettings& settings = frame.GetSettings();
    const int count = files.GetSelectedCount();
    if (count == 0)
        return;
    const std::string question = vkfileops::DeleteQuestion(count, settings.confirmSingleDelete != 0,
                                                           settings.confirmMultipleDelete != 0);
    if (!question.empty() &&
        vkui::ask(Q(question), vkui::Buttons::YesNo, vkui::Icon::Question) != vkui::Answer::Yes)
        return;

    const std::vector<std::string> before = Entries(frame);
    const int shown = frame.GetCurrentIndex();
    vkfileops::DeleteRequest request;
    request.dir = files.GetCurrentDir();
    request.names = files.SelectedNames();
    request.totalSize = files.GetSelectedTotal();
    request.useRecycleBin = settings.useRecycleBin != 0;
    {
        CDeleteDlg dialog(request, &frame);
        vkui::execDialog(dialog);
    }
    files.ClearClipboard();

    frame.FillFileList();
    frame.UpdateSelection();
    if (!frame.IsBrowserMode() && ListCount(frame) > 0)
        // The viewer goes on to the next picture, the previous one at the end.
        frame.ShowViewerFile(std::max(0, vknav::NeighbourAfterRefill(before, shown, Entries(frame))));
    else if (settings.selectAfterDelete != 0 || !frame.IsBrowserMode())
        ShowFirstFile(frame);
    else
        frame.UpdateTitleAndProperties(true);
    frame.UpdateSelection();
    RefreshPanes(frame);
}

// ---------------------------------------------------------------------------
// Copy, Cut, Paste, Copy To, Move To

void RememberClipboard(CMainFrame& frame, bool isCopy)
{
    CFileList& files = frame.GetFileList();
    files.isCopy = isCopy;
    files.RememberClipboard();
    frame.UpdateCommandUI();
}

vkfileops::PasteResult RunPasteDialog(CMainFrame& frame, const std::string& destination)
{
    CFileList& files = frame.GetFileList();
    vkfileops::PasteRequest request;
    request.isCopy = files.isCopy;
    request.sourceDir = files.GetSourceDir();
    request.destinationDir = destination;
    for (int i = 0; i < files.GetClipboardCount(); ++i)
        request.names.push_back(files.GetClipboardName(i));
    request.totalSize = files.GetTotalSize();
    const int policy = frame.GetSettings().overwritePolicy;
    request.policy = OverwritePolicy(policy >= 0 && policy <= 3 ? policy : 0);
    CPasteDlg dialog(request, &frame);
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

bool CanPaste(CMainFrame& frame)
{
    const CFileList& files = frame.GetFileList();
    return files.GetClipboardCount() > 0 &&
           (files.isCopy || vkpath::StripTrailingSeparator(files.GetSourceDir()) != files.GetCurrentDir());
}

void OnPaste(CMainFrame& frame)
{
    if (!frame.IsBrowserMode())
        return;
    CFileList& files = frame.GetFileList();
    CSettings& settings = frame.GetSettings();
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
    const vkfileops::PasteResult result = RunPasteDialog(frame, current);
    const std::string select =
        settings.selectAfterCopyMove != 0 ? LastName(files, result) : files.GetCurrentFile();
    RefillSelecting(frame, select);
    if (files.GetCurrentFile().empty())
        frame.UpdateTitleAndProperties(true);
    else if (settings.selectAfterCopyMove != 0)
        frame.ShowCurrentFile();
    files.ClearClipboard();
    RefreshPanes(frame);
}

void OnCopyTo(CMainFrame& frame, bool isCopy)
{
    CFileList& files = frame.GetFileList();
    CSettings& settings = frame.GetSettings();
    if (files.GetSelectedCount() == 0)
        return;
    RememberClipboard(frame, isCopy);
    const std::string oldDir = files.GetCurrentDir();
    {
        CCopyToDlg dialog(files, isCopy, files.GetSelectedCount(), frame.GetRecentFolders(),
                          frame.GetFavorites().favoriteFolders, &frame);
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
    const vkfileops::PasteResult result = RunPasteDialog(frame, destination);
    const std::string last = LastName(files, result);
    files.ClearClipboard();

    if (settings.selectAfterCopyMove != 0) {
        if (!vkplatform::EnterDirectory(destination)) {
            Tell(kTextFolderNotExist);
            vkplatform::EnterDirectory(oldDir);
            RefillSelecting(frame, files.GetCurrentFile());
            RefreshPanes(frame);
            return;
        }
        frame.GoTo(destination, nullptr, CMainFrame::Recent::Add);
        RefillSelecting(frame, last);
        if (!frame.IsBrowserMode())
            frame.SetCurrentIndex(frame.GetFileList().Find(files.GetCurrentFile()));
        frame.ShowCurrentFile();
    } else {
        if (!vkplatform::EnterDirectory(oldDir))
            Tell(kTextFolderNotExist);
        const std::string shown = files.GetCurrentFile();
        RefillSelecting(frame, frame.IsBrowserMode() ? shown : std::string());
        if (!frame.IsBrowserMode()) {
            // A moved picture left the folder: show the first one; a copied
            // one is still there and stays shown.
            const int row = frame.GetFileList().Find(shown);
            if (row >= 0)
                frame.ShowViewerFile(row);
            else
                ShowFirstFile(frame);
        } else {
            frame.UpdateTitleAndProperties(files.GetCurrentFile().empty());
        }
    }
    RefreshPanes(frame);
}

// ---------------------------------------------------------------------------
// Rename, Rename Series, Make Directory

void RenameCurrentFile(CMainFrame& frame)
{
    CFileList& files = frame.GetFileList();
    const std::string dir = files.GetCurrentDir();
    const std::string name = files.GetCurrentFile();
    const std::string title = vkname::SplitAtLastDot(name).first;
    for (;;) {
        CRenameDlg dialog(vkfileops::RenameFilePrompt(title), title, &frame);
        if (vkui::execDialog(dialog) != QDialog::Accepted)
            return;
        const std::string newTitle = dialog.GetName();
        if (newTitle.empty())
            continue;
        std::string newName, error;
        switch (vkfileops::RenameFileKeepingExtension(dir, name, newTitle, newName, &error)) {
        case vkfileops::RenameOutcome::Ok:
            RefillSelecting(frame, newName);
            if (!frame.IsBrowserMode())
                frame.SetCurrentIndex(frame.GetFileList().Find(files.GetCurrentFile()));
            frame.UpdateTitleAndProperties(files.GetCurrentFile().empty());
            files.ClearClipboard();
            RefreshPanes(frame);
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

void RenameCurrentDirectory(CMainFrame& frame)
{
    CFileList& files = frame.GetFileList();
    const std::string dir = files.GetCurrentDir();
    if (vkpath::IsRoot(dir))
        return;
    const std::string last = vkpath::FileName(dir);
    for (;;) {
        CRenameDlg dialog(vkfileops::RenameDirectoryPrompt(last), last, &frame);
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
                frame.GoTo(vkpath::Parent(newPath), kTextFolderNotExist, CMainFrame::Recent::Keep);
            } else {
                frame.GoTo(newPath, nullptr, CMainFrame::Recent::Add);
            }
            frame.UpdateTitleAndProperties(true);
            RefreshPanes(frame);
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

void OnRename(CMainFrame& frame)
{
    if (!frame.GetFileList().GetCurrentFile().empty())
        RenameCurrentFile(frame);
    else
        RenameCurrentDirectory(frame);
}

void OnRenameSeries(CMainFrame& frame)
{
    if (!frame.IsBrowserMode())
        return;
    CFileList& files = frame.GetFileList();
    CSettings& settings = frame.GetSettings();
    const std::vector<std::string> entries = Entries(frame);
    const int scope = settings.renameSeriesScope == 1 ? 1 : 0;
    const std::string initial =
        scope == 1 ? files.GetCurrentTitle()
                   : (entries.empty() ? std::string() : vkname::SplitAtLastDot(entries.front()).first);
    std::string base;
    int chosen = scope;
    for (;;) {
        CRenameSeriesDlg dialog(initial, scope, &frame);
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
    RefillSelecting(frame, std::string());
    files.ClearClipboard();
    frame.UpdateTitleAndProperties(true);
    RefreshPanes(frame);
}

void OnMakeDirectory(CMainFrame& frame)
{
    if (!frame.IsBrowserMode())
        return;
    CMakeDirectoryDlg dialog(&frame);
    if (vkui::execDialog(dialog) != QDialog::Accepted || dialog.GetName().empty())
        return;
    if (!vkfileops::MakeDirectory(frame.GetFileList().GetCurrentDir(), dialog.GetName())) {
        Tell(kTextCantCreate);
        return;
    }
    frame.FillDirectoryList();
}

// ---------------------------------------------------------------------------
// Selection

void OnSelectAll(CMainFrame& frame, int mode)
{
    if (!frame.IsBrowserMode())
        return;
    CFileList& files = frame.GetFileList();
    std::vector<bool> selected = files.SelectedRows();
    for (size_t i = 0; i < selected.size(); ++i)
        selected[i] = mode == 0 ? true : mode == 1 ? false : !selected[i];
    files.SelectRows(selected);
    SelectionChanged(frame);
}

void OnGroup(CMainFrame& frame, bool unselect)
{
    if (!frame.IsBrowserMode())
        return;
    CSelectGroupDlg dialog(unselect, &frame);
    if (vkui::execDialog(dialog) != QDialog::Accepted)
        return;
    const vkfileops::GroupCriteria criteria = dialog.GetCriteria();
    if (!vkfileops::AnyCriterion(criteria))
        return;
    const std::string dir = frame.GetFileList().GetCurrentDir();
    auto status = [&dir](const std::string& name, uint64_t& size, int64_t& mtime) {
        vkplatform::FileStatus st;
        if (!vkplatform::GetFileStatus(vkpath::Join(dir, name), st))
            return false;
        size = st.size;
        mtime = st.lastWriteTime;
        return true;
    };
    CFileList& files = frame.GetFileList();
    files.SelectRows(
        vkfileops::ApplyGroup(criteria, unselect, files.Entries(), files.SelectedRows(), status));
    if (unselect) {
        frame.UpdateSelection();
        frame.UpdateTitleAndProperties(true);
        frame.UpdateCountPane();
    } else {
        SelectionChanged(frame);
    }
    frame.UpdateCommandUI();
}

} // namespace

void BindFileCommands(CMainFrame& frame, CommandRegistry& commands)
{
    CMainFrame* f = &frame;
    auto selected = [f] { return f->GetFileList().GetSelectedCount(); };

    commands.Bind(Cmd::EditDelete, {.enabled = [=] { return selected() > 0; }, .run = [f] { OnDelete(*f); }});
    commands.Bind(Cmd::EditRename, {.enabled =
                                        [f] {
                                            return !f->GetFileList().GetCurrentFile().empty() ||
                                                   !vkpath::IsRoot(f->GetFileList().GetCurrentDir());
                                        },
                                    .run = [f] { OnRename(*f); }});
    commands.Bind(Cmd::EditRenameSeries, {.enabled =
                                              [f] {
                                                  return f->GetSettings().renameSeriesScope == 1
                                                             ? !f->GetFileList().GetCurrentFile().empty()
                                                             : ListCount(*f) > 0;
                                              },
                                          .run = [f] { OnRenameSeries(*f); }});
    commands.Bind(Cmd::EditCopy, {.enabled = [=] { return f->IsBrowserMode() && selected() > 0; },
                                  .run = [f] { RememberClipboard(*f, true); }});
    commands.Bind(Cmd::EditCut, {.enabled = [=] { return selected() > 0; },
                                 .run =
                                     [f] {
                                         if (f->IsBrowserMode())
                                             RememberClipboard(*f, false);
                                     }});
    commands.Bind(Cmd::EditPaste, {.enabled = [f] { return CanPaste(*f); }, .run = [f] { OnPaste(*f); }});
    commands.Bind(Cmd::EditCopyTo,
                  {.enabled = [=] { return selected() > 0; }, .run = [f] { OnCopyTo(*f, true); }});
    commands.Bind(Cmd::EditMoveTo,
                  {.enabled = [=] { return selected() > 0; }, .run = [f] { OnCopyTo(*f, false); }});
    commands.Bind(Cmd::EditMakeDirectory, {.run = [f] { OnMakeDirectory(*f); }});

    commands.Bind(Cmd::EditSelectAll, {.enabled = [=] { return selected() < ListCount(*f); },
                                       .run = [f] { OnSelectAll(*f, 0); }});
    commands.Bind(Cmd::EditUnselectAll,
                  {.enabled = [=] { return selected() > 0; }, .run = [f] { OnSelectAll(*f, 1); }});
    commands.Bind(Cmd::EditInvertSelection,
                  {.enabled = [=] { return selected() > 0 && selected() < ListCount(*f); },
                   .run = [f] { OnSelectAll(*f, 2); }});
    commands.Bind(Cmd::EditSelectGroup,
                  {.enabled = [f] { return ListCount(*f) > 0; }, .run = [f] { OnGroup(*f, false); }});
    commands.Bind(Cmd::EditUnselectGroup,
                  {.enabled = [=] { return selected() > 0; }, .run = [f] { OnGroup(*f, true); }});
}
