#include "ui/shell/SaveCommands.h"

#include "engine/picture/TextException.h"
#include "engine/save/SaveDispatch.h"
#include "engine/save/SaveNames.h"
#include "models/platform/Folders.h"
#include "models/platform/Path.h"
#include "models/platform/Trash.h"
#include "ui/browser/Preview.h"
#include "ui/fileops/RenameDlg.h"
#include "ui/save/Convert.h"
#include "ui/save/SaveOptionDialogs.h"
#include "ui/shell/CommandRegistry.h"
#include "ui/shell/MainFrm.h"
#include "ui/widgets/MessageService.h"
#include "ui/widgets/PictureJob.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QStatusBar>

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

void SetStatus(CMainFrame& frame, const QString& text)
{
    frame.SetStatusText(text);
    frame.UpdateStatusPane();
    if (frame.statusBar())
        frame.statusBar()->repaint();
}

// Re-reads the current directory's file list; false when the directory
// has gone (the frame then moves to the nearest one that exists).
bool RereadList(CMainFrame& frame)
{
    if (!vkplatform::EnterDirectory(frame.GetFileList().GetCurrentDir())) {
        frame.RefreshDirectory();
        return false;
    }
    frame.FillFileList();
    return true;
}

} // namespace

int SelectEntry(CMainFrame& frame, const std::string& name)
{
    const int row = frame.GetFileList().SelectEntry(name);
    frame.UpdateSelection();
    frame.UpdateCountPane();
    return row;
}

bool CheckPictureOf(CMainFrame& frame, const std::string& pictureOf)
{
    if (frame.GetView()->HoldsPictureOf(pictureOf))
        return true;
    vkui::ask(pictureOf.empty() ? QString(kTextPastedNotShown)
                                : QString::fromStdString(pictureOf + kTextNotShownPicture),
              vkui::Buttons::Ok, vkui::Icon::Warning);
    return false;
}

int DispatchSave(CMainFrame& frame, const std::string& path, int code, const std::string& pictureOf)
{
    CPreview* view = frame.GetView();
    // A picture that moves is saved as the frame shown, which then stays.
    const QString held = view->HoldFrame();
    SetStatus(frame, kStatusSaving);
    CSettings& settings = frame.GetSettings();
    SaveOptionValues values = settings.saveOptions;
    if (!SaveExtensionOf(code) || !AskOptions(code, values, &frame)) {
        SetStatus(frame, kStatusDone);
        return 1;
    }
    settings.saveOptions = values;

    bool written = false;
    bool failed = false;
    vkjob::WaitForView(*view);
    // A load may have landed, or failed, while the dialogs were open.
    if (!CheckPictureOf(frame, pictureOf)) {
        SetStatus(frame, kStatusDone);
        return 1;
    }
    try {
        // The writers only read the picture, so the window keeps showing it.
        // The camera data and colour profile of the file the picture came
        // from go along; the view shows pictures turned upright.
        vkjob::Run(&frame, [&] {
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
    SetStatus(frame, held.isEmpty() || failed || !written ? QString(kStatusDone)
                                                          : QString("  Done: %1 saved").arg(held));
    return written && !failed ? 0 : 1;
}

bool SaveAs(CMainFrame& frame, const QString& fileName)
{
    CPreview* view = frame.GetView();
    // The save question may come for a picture the view no longer shows.
    if (!view->HoldsPicture() || vkjob::IsRunning())
        return false;
    const std::string pictureOf = view->GetPicture().GetSourcePath();
    QStringList filters;
    for (const SaveFilter& f : SaveFilters())
        filters << QString(f.description);
    const QString dir = QString::fromStdString(frame.GetFileList().GetCurrentDir());
    const QString name = QString::fromStdString(NameWithoutExtension(fileName.toStdString()));
    const QString chosen = vkui::saveFileName(&frame, dir, name, filters, "bmp");
    if (chosen.isEmpty())
        return false;

    std::string path = chosen.toStdString();
    const int code = SaveFormatFromExtension(ExtensionOfPath(path));
    if (code < 0)
        return false;
    const std::string cased = WithExtensionCase(path, frame.GetSettings().upperCaseExtension != 0);
    // The dialog asked about the name as typed; a name whose case was
    // changed may be another file here.
    if (cased != path && access(cased.c_str(), F_OK) == 0 &&
        vkui::ask(kTextAlreadyExistsOverwrite, vkui::Buttons::YesNo, vkui::Icon::Question) !=
            vkui::Answer::Yes)
        return false;
    path = cased;
    if (DispatchSave(frame, path, code, pictureOf) != 0)
        return false;

    view->GetPicture().SetModified(false);
    view->GetPicture().SetSourcePath(path);
    if (RereadList(frame))
        SelectEntry(frame, frame.GetFileList().GetCurrentFile());
    frame.UpdateTitleAndProperties(false);
    frame.UpdateCommandUI();
    return true;
}

void Convert(CMainFrame& frame)
{
    CPreview* view = frame.GetView();
    CSettings& settings = frame.GetSettings();
    if (!view->HasImage() || vkjob::IsRunning())
        return;
    CConvertDlg dlg(settings.convertFormat, settings.convertReplaceOriginal != 0, settings.convertPolicy,
                    &frame);
    if (vkui::execDialog(dlg) != QDialog::Accepted)
        return;
    settings.convertFormat = dlg.FormatIndex();
    settings.convertReplaceOriginal = dlg.ReplaceOriginal() ? 1 : 0;
    settings.convertPolicy = dlg.Policy();

    const std::string currentFile = frame.GetFileList().GetCurrentFile();
    const std::string currentDir = frame.GetFileList().GetCurrentDir();
    if (currentFile.empty())
        return;
    const std::string source = vkpath::Join(currentDir, currentFile);
    vkjob::WaitForView(*view);
    if (!CheckPictureOf(frame, source))
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
            CRenameDlg prompt("Rename " + base + " to", base.substr(0, kNameFieldLength), &frame);
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
    if (DispatchSave(frame, destination, format.code, source) != 0)
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

    if (!RereadList(frame)) {
        frame.UpdateTitleAndProperties(false);
        return;
    }
    const CFileList& list = frame.GetFileList();
    if (settings.selectAfterConvert) {
        if (SelectEntry(frame, newName) >= 0 && !list.GetCurrentFile().empty()) {
            frame.ShowCurrentFile();
        } else if (list.Count() > 0) {
            SelectEntry(frame, list.EntryName(0));
            frame.ShowCurrentFile();
        }
    } else if (replace) {
        if (list.Count() > 0) {
            SelectEntry(frame, list.EntryName(0));
            frame.ShowCurrentFile();
        } else {
            SelectEntry(frame, std::string());
        }
    } else {
        SelectEntry(frame, currentFile);
    }
    frame.UpdateTitleAndProperties(frame.GetFileList().GetCurrentFile().empty());
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

void PasteImage(CMainFrame& frame)
{
    CPreview* view = frame.GetView();
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
        vkjob::Run(&frame, [&] { ImageToBitmap(image, *pasted); });
    } catch (const std::exception&) {
        vkui::ask("Out of memory.");
        return;
    }
    if (pasted->GetWidth() <= 0)
        return;
    view->ShowPicture(*pasted);
    view->GetPicture().ClearEditState();
    view->GetPicture().SetModified(true);
    frame.UpdateTitleAndProperties(false);
    frame.UpdateCommandUI();
    // The picture that was shown goes off the GUI thread.
    vkjob::Run(&frame, [&] { pasted.reset(); });
}

void BindSaveCommands(CMainFrame& frame, CommandRegistry& commands)
{
    frame.SetSaveAsHandler([&frame](const QString& fileName) { return SaveAs(frame, fileName); });
    auto shown = [&frame] { return frame.GetView()->HasImage() && !vkjob::IsRunning(); };
    commands.Bind(
        Cmd::FileSaveAs,
        {.enabled = [&frame, shown] { return shown() && frame.GetView()->GetPicture().IsModified(); },
         .run =
             [&frame] {
                 // The command ran from a key or a menu: the view's
                 // file is the one offered.
                 SaveAs(frame, frame.GetView()->GetFileName());
             }});
    commands.Bind(Cmd::ToolsConvert, {.enabled = shown, .run = [&frame] { Convert(frame); }});
    commands.Bind(Cmd::PasteImage, {.enabled = [] { return !vkjob::IsRunning() && CanPasteImage(); },
                                    .run = [&frame] { PasteImage(frame); }});
}

} // namespace vksave
