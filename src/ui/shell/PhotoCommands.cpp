#include "ui/shell/PhotoCommands.h"

#include "engine/edit/LosslessJpeg.h"
#include "engine/picture/TextException.h"
#include "models/browser/FileList.h"
#include "models/platform/Path.h"
#include "ui/browser/InformationDlg.h"
#include "ui/browser/Preview.h"
#include "ui/shell/CommandRegistry.h"
#include "ui/shell/FramePorts.h"
#include "ui/widgets/MessageService.h"
#include "ui/widgets/PictureJob.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace {

constexpr const char* kTextTrimQuestion =
    "The picture's width or height is not a whole number of JPEG blocks, so the turn must drop the "
    "partial blocks at its edge (at most 15 pixels). Turn it and drop them?";
constexpr const char* kTextUprightAlready = "The picture is upright already.";
constexpr const char* kTextCantTurn = "Can't turn the JPEG file: ";

std::string CurrentFilePath(FileListPort& files)
{
    const CFileList& list = files.GetFileList();
    const std::string& name = list.GetCurrentFile();
    return name.empty() ? std::string() : vkpath::Join(list.GetCurrentDir(), name);
}

// Whether the file starts as a JPEG does; remembered for the last path, as
// the menus ask often.
bool IsJpegFile(const std::string& path)
{
    static std::string lastPath;
    static bool lastAnswer = false;
    if (path != lastPath) {
        lastPath = path;
        unsigned char head[3] = {};
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
        lastAnswer = file && std::fread(head, 1, 3, file.get()) == 3 && head[0] == 0xFF && head[1] == 0xD8 &&
                     head[2] == 0xFF;
    }
    return lastAnswer;
}

// A JPEG shown as read from its file, unedited.
bool CanTurn(const CPreview& view)
{
    if (!view.HasImage() || vkjob::IsRunning())
        return false;
    const CPictureEx& picture = view.GetPicture();
    return !picture.IsModified() && !picture.GetSourcePath().empty() && IsJpegFile(picture.GetSourcePath());
}

void Turn(const CommandContext& ctx, JpegTurn turn)
{
    if (!CanTurn(ctx.picture))
        return;
    const std::string path = ctx.picture.GetPicture().GetSourcePath();
    std::optional<JpegTurnResult> result;
    std::string error;
    const auto run = [&](bool trim) {
        result.reset();
        vkjob::Run(ctx.parent, [&] {
            try {
                result = TurnJpegFile(path, turn, trim);
            } catch (const CTextException& e) {
                error = e.GetText();
            }
        });
    };
    run(false);
    if (result == JpegTurnResult::NeedsTrim &&
        vkui::ask(kTextTrimQuestion, vkui::Buttons::YesNo, vkui::Icon::Question) == vkui::Answer::Yes)
        run(true);
    if (!result && !error.empty()) {
        while (!error.empty() && error.back() == '\n')
            error.pop_back();
        vkui::ask(QString(kTextCantTurn) + QString::fromStdString(error), vkui::Buttons::Ok,
                  vkui::Icon::Warning);
    } else if (result == JpegTurnResult::AlreadyUpright) {
        vkui::ask(kTextUprightAlready, vkui::Buttons::Ok, vkui::Icon::Information);
    } else if (result == JpegTurnResult::Turned && CurrentFilePath(ctx.files) == path) {
        ctx.files.ShowCurrentFileForced();
    }
    ctx.status.UpdateCommandUI();
}

} // namespace

void BindPhotoCommands(const CommandContext& ctx, CommandRegistry& commands)
{
    FileListPort& files = ctx.files;
    commands.Bind(
        Cmd::ImageInformation,
        {.enabled = [&files] { return !CurrentFilePath(files).empty(); },
         .run = [&files, parent = ctx.parent] { ShowInformation(parent, CurrentFilePath(files)); }});
    const std::pair<Cmd, JpegTurn> turns[] = {
        {Cmd::LosslessRotateCW90, JpegTurn::Rotate90},
        {Cmd::LosslessRotate180, JpegTurn::Rotate180},
        {Cmd::LosslessRotateCCW90, JpegTurn::Rotate270},
        {Cmd::LosslessFlipHorizontal, JpegTurn::FlipHorizontal},
        {Cmd::LosslessFlipVertical, JpegTurn::FlipVertical},
        {Cmd::LosslessTranspose, JpegTurn::Transpose},
        {Cmd::LosslessUpright, JpegTurn::Upright},
    };
    for (const auto& [id, turn] : turns)
        commands.Bind(id, {.enabled = [&view = ctx.picture] { return CanTurn(view); },
                           .run = [ctx, turn] { Turn(ctx, turn); }});
}
