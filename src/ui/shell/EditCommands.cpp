#include "ui/shell/EditCommands.h"

#include "engine/edit/EditOperations.h"
#include "engine/picture/TextException.h"
#include "models/settings/Settings.h"
#include "ui/browser/Preview.h"
#include "ui/edit/BrightContGamma.h"
#include "ui/edit/CanvasSize.h"
#include "ui/edit/ColorBalance.h"
#include "ui/edit/HistogramDlg.h"
#include "ui/edit/Resize.h"
#include "ui/edit/Rotate.h"
#include "ui/edit/Shear.h"
#include "ui/shell/CommandRegistry.h"
#include "ui/shell/FramePorts.h"
#include "ui/widgets/MessageService.h"
#include "ui/widgets/PictureJob.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vkedit {

namespace {

constexpr const char* kStatusDone = "  Done";

// "  Done", or what was done to which frame of a picture that moves.
QString DoneText(const QString& frameName, const char* what)
{
    return frameName.isEmpty() ? QString(kStatusDone) : QString("  Done: %1 %2").arg(frameName, what);
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
void RunEdit(const CommandContext& ctx, const EditStep& step)
{
    CPreview* view = &ctx.picture;
    vkjob::WaitForView(*view);
    if (!view->HasImage())
        return;
    // A picture that moves is edited in the frame shown, which then stays.
    const QString held = view->HoldFrame();
    ctx.status.ShowStatusNow(step.progress);
    auto work = std::make_unique<CPictureEx>();
    int result = 0;
    bool failed = false;
    try {
        vkjob::Run(ctx.parent, [&] {
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
        view->GetAnimation().Stop();
    }
    // The picture that was shown (and its old snapshot) go off the GUI thread.
    vkjob::Run(ctx.parent, [&] { work.reset(); });
    view->Relayout(!failed && result == 1, false);
    ctx.status.ShowStatusNow(DoneText(held, "edited; the animation stops there"));
    ctx.status.UpdateTitleAndProperties(false);
    ctx.status.UpdateCommandUI();
}

void Count(const CommandContext& ctx)
{
    CPreview* view = &ctx.picture;
    vkjob::WaitForView(*view);
    const QString held = view->HoldFrame();
    ctx.status.ShowStatusNow("  Counting colors...");
    int64_t count = 0;
    try {
        vkjob::Run(ctx.parent, [&] { count = view->GetPicture().CountColors(); });
        vkui::ask(QString::fromStdString(ColorCountMessage(count)), vkui::Buttons::Ok,
                  vkui::Icon::Information);
    } catch (const std::exception&) {
        vkui::ask(kTextCountError);
    }
    ctx.status.ShowStatusNow(DoneText(held, "counted"));
}

void Histogram(const CommandContext& ctx)
{
    CPreview* view = &ctx.picture;
    vkjob::WaitForView(*view);
    const QString held = view->HoldFrame();
    CHistogramDlg dlg(ctx.parent);
    ctx.status.ShowStatusNow("  Computing histogram...");
    try {
        vkjob::Run(ctx.parent, [&] { view->GetPicture().ComputeHistogram(dlg.Histogram()); });
    } catch (const std::exception&) {
        vkui::ask(kTextHistogramError);
    }
    ctx.status.ShowStatusNow(DoneText(held, "measured"));
    vkui::execDialog(dlg);
}

// The values of an edit in its operation's argument order, asked for by its
// dialog (which remembers them in the settings); nothing when cancelled.
using AskValues = std::function<std::optional<std::vector<int>>(const CommandContext&)>;

AskValues Fixed(std::vector<int> values)
{
    return [values = std::move(values)](const CommandContext&) { return std::optional(values); };
}

AskValues AskLevel(int kind)
{
    return [kind](const CommandContext& ctx) -> std::optional<std::vector<int>> {
        CBrightContGammaDlg dlg(kind, ctx.parent);
        if (vkui::execDialog(dlg) != QDialog::Accepted)
            return {};
        return std::vector{dlg.Value()};
    };
}

std::optional<std::vector<int>> AskBalance(const CommandContext& ctx)
{
    CSettings& s = ctx.settings;
    CColorBalanceDlg dlg(s.balanceRed, s.balanceGreen, s.balanceBlue, ctx.parent);
    if (vkui::execDialog(dlg) != QDialog::Accepted)
        return {};
    s.balanceRed = dlg.Red();
    s.balanceGreen = dlg.Green();
    s.balanceBlue = dlg.Blue();
    return std::vector{dlg.Red(), dlg.Green(), dlg.Blue()};
}

std::optional<std::vector<int>> AskResize(const CommandContext& ctx)
{
    CSettings& s = ctx.settings;
    const CPictureEx& picture = ctx.picture.GetPicture();
    CResizeDlg dlg(picture.GetWidth(), picture.GetHeight(), s.imageSizeUnit, s.resizeConstrain != 0,
                   ctx.parent);
    if (vkui::execDialog(dlg) != QDialog::Accepted)
        return {};
    s.resizeConstrain = dlg.Constrain() ? 1 : 0;
    return std::vector{dlg.NewWidth(), dlg.NewHeight()};
}

std::optional<std::vector<int>> AskCanvas(const CommandContext& ctx)
{
    CSettings& s = ctx.settings;
    const CPictureEx& picture = ctx.picture.GetPicture();
    CCanvasSizeDlg dlg(picture.GetWidth(), picture.GetHeight(), s.imageSizeUnit, s.canvasAnchor, ctx.parent);
    if (vkui::execDialog(dlg) != QDialog::Accepted)
        return {};
    s.canvasAnchor = dlg.Anchor();
    return std::vector{dlg.NewWidth(), dlg.NewHeight(), dlg.Anchor()};
}

std::optional<std::vector<int>> AskShear(const CommandContext& ctx)
{
    CSettings& s = ctx.settings;
    CShearDlg dlg(s.shearAngle, s.shearAntiAlias != 0, s.shearCorner, ctx.parent);
    if (vkui::execDialog(dlg) != QDialog::Accepted)
        return {};
    s.shearAngle = dlg.Angle();
    s.shearAntiAlias = dlg.AntiAlias() ? 1 : 0;
    s.shearCorner = dlg.Corner();
    return std::vector{dlg.Angle(), dlg.Corner(), dlg.AntiAlias() ? 1 : 0};
}

std::optional<std::vector<int>> AskRotate(const CommandContext& ctx)
{
    CSettings& s = ctx.settings;
    CRotateDlg dlg(s.rotateAngle, s.rotateDirection, s.rotateQuality, ctx.parent);
    if (vkui::execDialog(dlg) != QDialog::Accepted)
        return {};
    s.rotateAngle = dlg.Angle();
    s.rotateDirection = dlg.Direction();
    s.rotateQuality = dlg.Quality();
    return std::vector{dlg.ClockwiseAngle(), dlg.Quality()};
}

// Enabled when the view shows an image and no picture work is running.
bool CanEdit(const CPreview& view)
{
    return view.HasImage() && !vkjob::IsRunning();
}

} // namespace

void BindEditCommands(const CommandContext& ctx, CommandRegistry& commands)
{
    // Each command runs a row of the edit operations, with the row's texts;
    // its own results (-1 refused, -2 too many colours) reach RunEdit.
    struct Row {
        Cmd command;
        const char* operation; // the name of its row in EditOperations()
        AskValues ask;
    };
    const Row rows[] = {
        {Cmd::ColorsInvert, "invert", Fixed({})},
        {Cmd::ColorsSwapRedBlue, "swap-red-blue", Fixed({})},
        {Cmd::ColorsBrightness, "brightness", AskLevel(CBrightContGammaDlg::Brightness)},
        {Cmd::ColorsContrast, "contrast", AskLevel(CBrightContGammaDlg::Contrast)},
        {Cmd::ColorsGamma, "gamma", AskLevel(CBrightContGammaDlg::Gamma)},
        {Cmd::ColorsGrayShades, "gray", Fixed({})},
        {Cmd::ColorsBalance, "balance", AskBalance},
        {Cmd::ImageResize, "resize", AskResize},
        {Cmd::ImageCanvasSize, "canvas", AskCanvas},
        {Cmd::ImageShear, "shear", AskShear},
        {Cmd::RotateCW90, "rotate", Fixed({90, RotateMedium})},
        {Cmd::RotateCCW90, "rotate", Fixed({270, RotateMedium})},
        {Cmd::Rotate180, "rotate", Fixed({180, RotateMedium})},
        {Cmd::RotateArbitrary, "rotate", AskRotate},
        {Cmd::ImageTranspose, "transpose", Fixed({})},
        {Cmd::ImageFlipHorizontal, "flip-horizontal", Fixed({})},
        {Cmd::ImageFlipVertical, "flip-vertical", Fixed({})},
    };
    const auto enabled = [&view = ctx.picture] { return CanEdit(view); };
    for (const Row& row : rows) {
        const EditOperation* op = FindEditOperation(row.operation);
        commands.Bind(row.command,
                      {.enabled = enabled, .run = [ctx, op, ask = row.ask] {
                           const std::optional<std::vector<int>> values = ask(ctx);
                           if (!values)
                               return;
                           RunEdit(ctx, {op->progressText, op->errorText,
                                         [op, v = *values](CPictureEx& p) { return op->apply(p, v); }});
                       }});
    }
    commands.Bind(Cmd::ColorsCount, {.enabled = enabled, .run = [ctx] { Count(ctx); }});
    commands.Bind(Cmd::ColorsHistogram, {.enabled = enabled, .run = [ctx] { Histogram(ctx); }});
}

} // namespace vkedit
