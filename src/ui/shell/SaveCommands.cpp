#include "ui/shell/SaveCommands.h"

#include "engine/metadata/Metadata.h"
#include "engine/picture/TextException.h"
#include "engine/save/SaveDispatch.h"
#include "engine/save/SaveNames.h"
#include "models/browser/FileList.h"
#include "models/platform/Folders.h"
#include "models/platform/Path.h"
#include "models/platform/Trash.h"
#include "models/settings/SaveOptionsFile.h"
#include "models/settings/Settings.h"
#include "ui/browser/Preview.h"
#include "ui/fileops/RenameDlg.h"
#include "ui/save/Convert.h"
#include "ui/save/SaveOptionDialogs.h"
#include "ui/shell/CommandRegistry.h"
#include "ui/shell/FramePorts.h"
#include "ui/widgets/MessageService.h"
#include "ui/widgets/PictureJob.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>

#include <cstring>
#include <exception>
#include <memory>
#include <unistd.h>
#include <vector>

namespace vksave {

namespace {

constexpr const char* kStatusSaving = "  Saving image...";
constexpr const char* kStatusDone = "  Done";
constexpr const char* kTextPastedNotShown = "The pasted picture is no longer shown, so nothing was done.";

// Re-reads the current directory's file list; false when the directory
// has gone (the frame then moves to the nearest one that exists).
bool RereadList(FileListPort& files)
{
    if (!vkplatform::EnterDirectory(files.GetFileList().GetCurrentDir())) {
        files.RefreshDirectory();
        return false;
    }
    files.FillFileList();
    return true;
}

// The newer formats' values and Convert's format go to their own file
// whenever a dialog changes them; the settings file has no place for them.
void RememberInOwnFile(const CSettings& settings)
{
    vkplatform::MakePath(vkplatform::ConfigDirectory());
    CSaveOptionsFile::Save(settings.saveOptions, settings.convertFormat);
}

} // namespace

int SelectEntry(const CommandContext& ctx, const std::string& name)
{
    const int row = ctx.files.GetFileList().SelectEntry(name);
    ctx.files.UpdateSelection();
    ctx.status.UpdateCountPane();
    return row;
}

bool CheckPictureOf(const CPreview& view, const std::string& pictureOf)
{
    if (view.HoldsPictureOf(pictureOf))
        return true;
    vkui::ask(pictureOf.empty() ? QString(kTextPastedNotShown)
                                : QString::fromStdString(pictureOf + kTextNotShownPicture),
              vkui::Buttons::Ok, vkui::Icon::Warning);
    return false;
}

int DispatchSave(const CommandContext& ctx, const std::string& path, int code, const std::string& pictureOf)
{
    CPreview* view = &ctx.picture;
    // A picture that moves is saved as the frame shown, which then stays.
    const QString held = view->HoldFrame();
    ctx.status.ShowStatusNow(kStatusSaving);
    CSettings& settings = ctx.settings;
    SaveOptionValues values = settings.saveOptions;
    if (!SaveExtensionOf(code) || !AskOptions(code, values, ctx.parent)) {
        ctx.status.ShowStatusNow(kStatusDone);
        return 1;
    }
    settings.saveOptions = values;
    if (SaveTargetOfCode(code)->options.dialog == SaveDialog::Quality)
        RememberInOwnFile(settings);

    bool written = false;
    bool failed = false;
    vkjob::WaitForView(*view);
    // A load may have landed, or failed, while the dialogs were open.
    if (!CheckPictureOf(*view, pictureOf)) {
        ctx.status.ShowStatusNow(kStatusDone);
        return 1;
    }
    try {
        // The writers only read the picture, so the window keeps showing it.
        // The camera data and colour profile of the file the picture came
        // from go along; the view shows pictures turned upright.
        vkjob::Run(ctx.parent, [&] {
            SaveParameters parameters = MakeSaveParameters(code, values);
            if (!pictureOf.empty())
                parameters.metadata = CCarriedMetadata::FromFile(pictureOf);
            written = SavePicture(code, path, view->GetPicture(), parameters);
        });
    } catch (const CTextException&) {
        failed = true;
    } catch (const std::exception&) {
        failed = true;
    }
    if (failed)
        vkui::ask(kTextCantSaveFile, vkui::Buttons::Ok, vkui::Icon::Warning);
    ctx.status.ShowStatusNow(held.isEmpty() || failed || !written ? QString(kStatusDone)
                                                                  : QString("  Done: %1 saved").arg(held));
    return written && !failed ? 0 : 1;
}

bool SaveAs(const CommandContext& ctx, const QString& fileName)
{
    CPreview* view = &ctx.picture;
    // The save question may come for a picture the view no longer shows.
    if (!view->HoldsPicture() || vkjob::IsRunning())
        return false;
    const std::string pictureOf = view->GetPicture().GetSourcePath();
    QStringList filters;
    for (const SaveFilter& f : SaveFilters())
        filters << QString(f.description);
    const QString dir = QString::fromStdString(ctx.files.GetFileList().GetCurrentDir());
    const QString name = QString::fromStdString(NameWithoutExtension(fileName.toStdString()));
    const QString chosen = vkui::saveFileName(ctx.parent, dir, name, filters, "bmp");
    if (chosen.isEmpty())
        return false;

    std::string path = chosen.toStdString();
    const int code = SaveFormatFromExtension(ExtensionOfPath(path));
    if (code < 0)
        return false;
    const std::string cased = WithExtensionCase(path, ctx.settings.upperCaseExtension != 0);
    // The dialog asked about the name as typed; a name whose case was
    // changed may be another file here.
    if (cased != path && access(cased.c_str(), F_OK) == 0 &&
        vkui::ask(kTextAlreadyExistsOverwrite, vkui::Buttons::YesNo, vkui::Icon::Question) !=
            vkui::Answer::Yes)
        return false;
    path = cased;
    if (DispatchSave(ctx, path, code, pictureOf) != 0)
        return false;

    view->GetPicture().SetModified(false);
    view->GetPicture().SetSourcePath(path);
    if (RereadList(ctx.files))
        SelectEntry(ctx, ctx.files.GetFileList().GetCurrentFile());
    ctx.status.UpdateTitleAndProperties(false);
    ctx.status.UpdateCommandUI();
    return true;
}

void Convert(const CommandContext& ctx)
{
    CPreview* view = &ctx.picture;
    CSettings& settings = ctx.settings;
    if (!view->HasImage() || vkjob::IsRunning())
        return;
    CConvertDlg dlg(settings.convertFormat, settings.convertReplaceOriginal != 0, settings.convertPolicy,
                    ctx.parent);
    if (vkui::execDialog(dlg) != QDialog::Accepted)
        return;
    settings.convertFormat = dlg.FormatIndex();
    settings.convertReplaceOriginal = dlg.ReplaceOriginal() ? 1 : 0;
    settings.convertPolicy = dlg.Policy();
    RememberInOwnFile(settings);

    const std::string currentFile = ctx.files.GetFileList().GetCurrentFile();
    const std::string currentDir = ctx.files.GetFileList().GetCurrentDir();
    if (currentFile.empty())
        return;
    const std::string source = vkpath::Join(currentDir, currentFile);
    vkjob::WaitForView(*view);
    if (!CheckPictureOf(*view, source))
        return;
    const ConvertFormat& format = ConvertFormatAt(settings.convertFormat);
    const bool upper = settings.upperCaseExtension != 0;
    const std::string base = NameWithoutExtension(currentFile);
    const std::string extension = WithExtensionCase(std::string("x") + format.extension, upper).substr(1);
    std::string newName = ConvertedName(currentFile, settings.convertFormat, upper);

    switch (ConvertClashStep(NameInList(newName, FolderEntryNames(currentDir)), settings.convertPolicy)) {
    case ClashStep::Write:
        break;
    case ClashStep::Stop:
        return;
    case ClashStep::Ask:
        if (vkui::ask(kTextAlreadyExistsOverwrite, vkui::Buttons::YesNo, vkui::Icon::Question) !=
            vkui::Answer::Yes)
            return;
        break;
    case ClashStep::PromptName:
        for (;;) {
            CRenameDlg prompt("Rename " + base + " to", base.substr(0, kNameFieldLength), ctx.parent);
            if (vkui::execDialog(prompt) != QDialog::Accepted)
                return;
            const std::string answer = prompt.GetEdit()->text().trimmed().toStdString();
            const RenameAnswer checked = CheckRenameAnswer(answer, extension, FolderEntryNames(currentDir));
            if (checked == RenameAnswer::Empty)
                continue;
            if (checked == RenameAnswer::Exists) {
                vkui::ask(kTextAlreadyExists, vkui::Buttons::Ok, vkui::Icon::Warning);
                continue;
            }
            newName = answer + extension;
            break;
        }
        break;
    }

    const std::string destination = vkpath::Join(currentDir, newName);
    // Nothing written: the source is never deleted.
    if (DispatchSave(ctx, destination, format.code, source) != 0)
        return;

    const bool replace = settings.convertReplaceOriginal != 0;
    if (replace && MayDeleteSource(source, destination)) {
        if (settings.useRecycleBin) {
            if (!vkplatform::MoveToTrash(source))
                vkui::ask(QString::fromStdString(kTextCantDelete + source));
        } else if (unlink(source.c_str()) != 0) {
            vkui::ask(QString::fromStdString(kTextCantDelete + source + "\n" + kTextReadOnlyFile));
        }
    }

    if (!RereadList(ctx.files)) {
        ctx.status.UpdateTitleAndProperties(false);
        return;
    }
    const CFileList& list = ctx.files.GetFileList();
    if (settings.selectAfterConvert) {
        if (SelectEntry(ctx, newName) >= 0 && !list.GetCurrentFile().empty()) {
            ctx.files.ShowCurrentFile();
        } else if (list.Count() > 0) {
            SelectEntry(ctx, list.EntryName(0));
            ctx.files.ShowCurrentFile();
        }
    } else if (replace) {
        if (list.Count() > 0) {
            SelectEntry(ctx, list.EntryName(0));
            ctx.files.ShowCurrentFile();
        } else {
            SelectEntry(ctx, std::string());
        }
    } else {
        SelectEntry(ctx, currentFile);
    }
    ctx.status.UpdateTitleAndProperties(ctx.files.GetFileList().GetCurrentFile().empty());
}

bool CanPasteImage()
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && data->hasImage();
}

void ImageToBitmap(const QImage& image, CWinBmp& bmp)
{
    if (image.isNull())
        return;
    const QImage argb =
        image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    bmp.Create(argb.width(), argb.height(), 32, image.hasAlphaChannel());
    // ARGB32 words are the bitmap's blue, green, red, alpha bytes in memory.
    for (int y = 0; y < argb.height(); ++y) {
        std::memcpy(bmp.GetLine(y), argb.constScanLine(y), size_t(argb.width()) * 4);
        if (!image.hasAlphaChannel())
            for (int x = 0; x < argb.width(); ++x)
                bmp.GetLine(y)[4 * x + 3] = 255;
    }
    bmp.SetSourceBitsPerPixel(image.hasAlphaChannel() ? 32 : 24);
}

void PasteImage(const CommandContext& ctx)
{
    CPreview* view = &ctx.picture;
    if (vkjob::IsRunning() || !CanPasteImage())
        return;
    // Cancel, or a Save As that saved nothing, keeps the edited picture.
    if (!view->AskToSave())
        return;
    const QImage image = QApplication::clipboard()->image();
    if (image.isNull())
        return;
    vkjob::WaitForView(*view);
    auto pasted = std::make_unique<CPictureEx>();
    try {
        vkjob::Run(ctx.parent, [&] { ImageToBitmap(image, *pasted); });
    } catch (const std::exception&) {
        vkui::ask("Out of memory.");
        return;
    }
    if (pasted->GetWidth() <= 0)
        return;
    view->ShowPicture(*pasted);
    view->GetPicture().ClearEditState();
    view->GetPicture().SetModified(true);
    ctx.status.UpdateTitleAndProperties(false);
    ctx.status.UpdateCommandUI();
    // The picture that was shown goes off the GUI thread.
    vkjob::Run(ctx.parent, [&] { pasted.reset(); });
}

void BindSaveCommands(const CommandContext& ctx, CommandRegistry& commands)
{
    ctx.window.SetSaveAsHandler([ctx](const QString& fileName) { return SaveAs(ctx, fileName); });
    CPreview& view = ctx.picture;
    auto shown = [&view] { return view.HasImage() && !vkjob::IsRunning(); };
    commands.Bind(Cmd::FileSaveAs,
                  {.enabled = [&view, shown] { return shown() && view.GetPicture().IsModified(); },
                   .run =
                       [ctx] {
                           // The command ran from a key or a menu: the view's
                           // file is the one offered.
                           SaveAs(ctx, ctx.picture.GetFileName());
                       }});
    commands.Bind(Cmd::ToolsConvert, {.enabled = shown, .run = [ctx] { Convert(ctx); }});
    commands.Bind(Cmd::PasteImage, {.enabled = [] { return !vkjob::IsRunning() && CanPasteImage(); },
                                    .run = [ctx] { PasteImage(ctx); }});
}

} // namespace vksave
