#include "ui/shell/EditCommands.h"

#include "engine/edit/EditOperations.h"
#include "engine/picture/TextException.h"
#include "ui/browser/Preview.h"
#include "ui/edit/BrightContGamma.h"
#include "ui/edit/CanvasSize.h"
#include "ui/edit/ColorBalance.h"
#include "ui/edit/HistogramDlg.h"
#include "ui/edit/Resize.h"
#include "ui/edit/Rotate.h"
#include "ui/edit/Shear.h"
#include "ui/shell/CommandRegistry.h"
#include "ui/shell/MainFrm.h"
#include "ui/widgets/MessageService.h"
#include "ui/widgets/PictureJob.h"

#include <QStatusBar>

#include <functional>
#include <memory>

namespace vkedit {

namespace {

constexpr const char* kStatusDone = "  Done";

void SetStatus(CMainFrame& frame, const char* text)
{
    frame.SetStatusText(text);
    frame.UpdateStatusPane();
    if (frame.statusBar())
        frame.statusBar()->repaint();
}

// The operations set the picture's source depth as their commands do.
struct EditStep {
    const char* progress;
    const char* error;
    std::function<int(CPictureEx&)> operation;
};

// The command protocol: progress text, wait cursor, the operation on a copy
// beside the shown picture (so the window never shows it half-edited),
// the message on failure, the result swapped in, the view refreshed.
void RunEdit(CMainFrame& frame, const EditStep& step)
{
    CPreview* view = frame.GetView();
    vkjob::WaitForView(*view);
    if (!view->HasImage())
        return;
    SetStatus(frame, step.progress);
    auto work = std::make_unique<CPictureEx>();
    int result = 0;
    bool failed = false;
    try {
        vkjob::Run(&frame, [&] {
            work->CopyForEdit(view->GetPicture());
            result = step.operation(*work);
        });
    } catch (const std::exception&) {
        failed = true;
    }
    if (failed) {
        vkui::ask(step.error, vkui::Buttons::Ok, vkui::Icon::Warning);
    } else if (result == -2) {
        // Contrast on too many colours: nothing changed, no refresh.
        vkui::ask(kTextTooManyColors, vkui::Buttons::Ok, vkui::Icon::Warning);
        return;
    } else if (result == -1) {
        return; // a refused value: the picture is untouched
    } else {
        view->GetPicture().Exchange(*work);
    }
    // The picture that was shown (and its old snapshot) go off the GUI thread.
    vkjob::Run(&frame, [&] { work.reset(); });
    view->Relayout(!failed && result == 1, false);
    SetStatus(frame, kStatusDone);
    frame.UpdateTitleAndProperties(false);
    frame.UpdateCommandUI();
}

// An operation of the shared table, with its texts, called directly so
// that its own results (-1 refused, -2 too many colours) reach RunEdit.
void RunNamed(CMainFrame& frame, const char* name, std::function<int(CPictureEx&)> operation)
{
    if (const EditOperation* op = FindEditOperation(name))
        RunEdit(frame, {op->progressText, op->errorText, std::move(operation)});
}

void Count(CMainFrame& frame)
{
    CPreview* view = frame.GetView();
    vkjob::WaitForView(*view);
    SetStatus(frame, "  Counting colors...");
    int64_t count = 0;
    try {
        vkjob::Run(&frame, [&] { count = view->GetPicture().CountColors(); });
        vkui::ask(QString::fromStdString(ColorCountMessage(count)), vkui::Buttons::Ok,
                  vkui::Icon::Information);
    } catch (const std::exception&) {
        vkui::ask(kTextCountError);
    }
    SetStatus(frame, kStatusDone);
}

void Histogram(CMainFrame& frame)
{
    CPreview* view = frame.GetView();
    vkjob::WaitForView(*view);
    CHistogramDlg dlg(&frame);
    SetStatus(frame, "  Computing histogram...");
    try {
        vkjob::Run(&frame, [&] { view->GetPicture().ComputeHistogram(dlg.Histogram()); });
    } catch (const std::exception&) {
        vkui::ask(kTextHistogramError);
    }
    SetStatus(frame, kStatusDone);
    vkui::execDialog(dlg);
}

void Undo(CMainFrame& frame)
{
    CPreview* view = frame.GetView();
    // The snapshot and the picture exchange storage: no copy, no wait.
    const int sizeChanged = view->GetPicture().Undo();
    view->Relayout(sizeChanged != 0, false);
    frame.UpdateTitleAndProperties(false);
    frame.UpdateCommandUI();
}

} // namespace

bool IsEnabled(const CMainFrame& frame, EditCommand command)
{
    const CPreview* view = frame.GetView();
    if (!view || !view->HasImage() || vkjob::IsRunning())
        return false;
    return command != EditCommand::Undo || view->GetPicture().IsUndoAvailable();
}

void Run(CMainFrame& frame, EditCommand command)
{
    if (!IsEnabled(frame, command))
        return;
    CSettings& s = frame.GetSettings();
    const CPictureEx& picture = frame.GetView()->GetPicture();
    switch (command) {
    case EditCommand::Invert:
        RunNamed(frame, "invert", [](CPictureEx& p) { return p.Invert(), 0; });
        break;
    case EditCommand::SwapRedBlue:
        RunNamed(frame, "swap-red-blue", [](CPictureEx& p) { return p.SwapRedBlue(), 0; });
        break;
    case EditCommand::GrayShades:
        RunNamed(frame, "gray", [](CPictureEx& p) { return p.ToGrayShades(), 0; });
        break;
    case EditCommand::Brightness:
    case EditCommand::Contrast:
    case EditCommand::Gamma: {
        const int kind = command == EditCommand::Gamma        ? CBrightContGammaDlg::Gamma
                         : command == EditCommand::Brightness ? CBrightContGammaDlg::Brightness
                                                              : CBrightContGammaDlg::Contrast;
        CBrightContGammaDlg dlg(kind, &frame);
        if (vkui::execDialog(dlg) != QDialog::Accepted)
            return;
        const int v = dlg.Value();
        if (command == EditCommand::Gamma)
            RunNamed(frame, "gamma", [v](CPictureEx& p) { return p.AdjustGamma((v + 100) * 0.01); });
        else if (command == EditCommand::Brightness)
            RunNamed(frame, "brightness", [v](CPictureEx& p) { return p.AdjustBrightness(v); });
        else
            RunNamed(frame, "contrast", [v](CPictureEx& p) { return p.AdjustContrast(v); });
        break;
    }
    case EditCommand::Balance: {
        CColorBalanceDlg dlg(s.balanceRed, s.balanceGreen, s.balanceBlue, &frame);
        if (vkui::execDialog(dlg) != QDialog::Accepted)
            return;
        s.balanceRed = dlg.Red();
        s.balanceGreen = dlg.Green();
        s.balanceBlue = dlg.Blue();
        RunNamed(frame, "balance", [r = dlg.Red(), g = dlg.Green(), b = dlg.Blue()](CPictureEx& p) {
            return p.AdjustColorBalance(r, g, b), 0;
        });
        break;
    }
    case EditCommand::Count:
        Count(frame);
        break;
    case EditCommand::Histogram:
        Histogram(frame);
        break;
    case EditCommand::Resize: {
        CResizeDlg dlg(picture.GetWidth(), picture.GetHeight(), s.imageSizeUnit, s.resizeConstrain != 0,
                       &frame);
        if (vkui::execDialog(dlg) != QDialog::Accepted)
            return;
        s.resizeConstrain = dlg.Constrain() ? 1 : 0;
        RunNamed(frame, "resize",
                 [w = dlg.NewWidth(), h = dlg.NewHeight()](CPictureEx& p) { return p.Resize(w, h); });
        break;
    }
    case EditCommand::CanvasSize: {
        CCanvasSizeDlg dlg(picture.GetWidth(), picture.GetHeight(), s.imageSizeUnit, s.canvasAnchor, &frame);
        if (vkui::execDialog(dlg) != QDialog::Accepted)
            return;
        s.canvasAnchor = dlg.Anchor();
        RunNamed(frame, "canvas", [w = dlg.NewWidth(), h = dlg.NewHeight(), a = dlg.Anchor()](CPictureEx& p) {
            return p.CanvasSize(w, h, a);
        });
        break;
    }
    case EditCommand::Shear: {
        CShearDlg dlg(s.shearAngle, s.shearAntiAlias != 0, s.shearCorner, &frame);
        if (vkui::execDialog(dlg) != QDialog::Accepted)
            return;
        s.shearAngle = dlg.Angle();
        s.shearAntiAlias = dlg.AntiAlias() ? 1 : 0;
        s.shearCorner = dlg.Corner();
        RunEdit(frame, {"  Shearing image...", "Error shearing image",
                        [a = dlg.Angle(), c = dlg.Corner(), aa = dlg.AntiAlias()](CPictureEx& p) {
                            return p.Shear(a, c, aa);
                        }});
        break;
    }
    case EditCommand::RotateCW90:
    case EditCommand::RotateCCW90:
    case EditCommand::Rotate180: {
        const int angle = command == EditCommand::RotateCW90    ? 90
                          : command == EditCommand::RotateCCW90 ? 270
                                                                : 180;
        RunEdit(frame, {"  Rotating image...", "Error rotating image",
                        [angle](CPictureEx& p) { return p.Rotate(angle, RotateMedium); }});
        break;
    }
    case EditCommand::RotateArbitrary: {
        CRotateDlg dlg(s.rotateAngle, s.rotateDirection, s.rotateQuality, &frame);
        if (vkui::execDialog(dlg) != QDialog::Accepted)
            return;
        s.rotateAngle = dlg.Angle();
        s.rotateDirection = dlg.Direction();
        s.rotateQuality = dlg.Quality();
        RunEdit(frame,
                {"  Rotating image...", "Error rotating image",
                 [a = dlg.ClockwiseAngle(), q = dlg.Quality()](CPictureEx& p) { return p.Rotate(a, q); }});
        break;
    }
    case EditCommand::Transpose:
        RunEdit(frame,
                {"  Transpose...", "Can't transpose image", [](CPictureEx& p) { return p.Transpose(); }});
        break;
    case EditCommand::FlipHorizontal:
        RunEdit(frame, {"  Flipping image", "Error flipping horizontally", [](CPictureEx& p) {
                            p.FlipLines();
                            return 0;
                        }});
        break;
    case EditCommand::FlipVertical:
        RunEdit(frame, {"  Flipping image...", "Error flipping vertically", [](CPictureEx& p) {
                            p.FlipColumns();
                            return 0;
                        }});
        break;
    case EditCommand::Undo:
        Undo(frame);
        break;
    }
}

void BindEditCommands(CMainFrame& frame, CommandRegistry& commands)
{
    const std::pair<Cmd, EditCommand> rows[] = {
        {Cmd::ColorsInvert, EditCommand::Invert},
        {Cmd::ColorsSwapRedBlue, EditCommand::SwapRedBlue},
        {Cmd::ColorsBrightness, EditCommand::Brightness},
        {Cmd::ColorsContrast, EditCommand::Contrast},
        {Cmd::ColorsGamma, EditCommand::Gamma},
        {Cmd::ColorsGrayShades, EditCommand::GrayShades},
        {Cmd::ColorsBalance, EditCommand::Balance},
        {Cmd::ColorsCount, EditCommand::Count},
        {Cmd::ColorsHistogram, EditCommand::Histogram},
        {Cmd::ImageResize, EditCommand::Resize},
        {Cmd::ImageCanvasSize, EditCommand::CanvasSize},
        {Cmd::ImageShear, EditCommand::Shear},
        {Cmd::RotateCW90, EditCommand::RotateCW90},
        {Cmd::RotateCCW90, EditCommand::RotateCCW90},
        {Cmd::Rotate180, EditCommand::Rotate180},
        {Cmd::RotateArbitrary, EditCommand::RotateArbitrary},
        {Cmd::ImageTranspose, EditCommand::Transpose},
        {Cmd::ImageFlipHorizontal, EditCommand::FlipHorizontal},
        {Cmd::ImageFlipVertical, EditCommand::FlipVertical},
        {Cmd::EditUndo, EditCommand::Undo},
    };
    for (const auto& [id, command] : rows)
        commands.Bind(id, {.enabled = [&frame, command] { return IsEnabled(frame, command); },
                           .run = [&frame, command] { Run(frame, command); }});
}

} // namespace vkedit
