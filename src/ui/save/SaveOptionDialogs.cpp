#include "ui/save/SaveOptionDialogs.h"

#include "ui/save/JPEGOptions.h"
#include "ui/save/PCXOptions.h"
#include "ui/save/PICTOptions.h"
#include "ui/save/PNGOptions.h"
#include "ui/save/QualityOptions.h"
#include "ui/save/TGAOptions.h"
#include "ui/save/TIFFOptions.h"
#include "ui/widgets/MessageService.h"

#include <utility>

namespace vksave {

namespace {

bool Accepted(QDialog& dialog)
{
    return vkui::execDialog(dialog) == QDialog::Accepted;
}

bool AskDepth(const SaveOptionsOf& o, SaveOptionValues& v, QWidget* parent)
{
    CPCXOptions dlg(o.title, v.*o.depth, parent);
    if (!Accepted(dlg))
        return false;
    v.*o.depth = dlg.DepthChoice();
    return true;
}

bool AskInterlace(const SaveOptionsOf& o, SaveOptionValues& v, QWidget* parent)
{
    CPNGOptions dlg(o.title, v.*o.interlace != 0, parent);
    if (!Accepted(dlg))
        return false;
    v.*o.interlace = dlg.Interlaced() ? 1 : 0;
    return true;
}

bool AskRleDepth(const SaveOptionsOf& o, SaveOptionValues& v, QWidget* parent)
{
    CTGAOptions dlg(o.title, v.*o.rle != 0, v.*o.depth, parent);
    if (!Accepted(dlg))
        return false;
    v.*o.rle = dlg.Rle() ? 1 : 0;
    v.*o.depth = dlg.DepthChoice();
    return true;
}

bool AskRle(const SaveOptionsOf& o, SaveOptionValues& v, QWidget* parent)
{
    CPICTOptions dlg(v.*o.rle != 0, parent);
    if (!Accepted(dlg))
        return false;
    v.*o.rle = dlg.Rle() ? 1 : 0;
    return true;
}

bool AskCompression(const SaveOptionsOf& o, SaveOptionValues& v, QWidget* parent)
{
    CTIFFOptions dlg(v.*o.compression, parent);
    if (!Accepted(dlg))
        return false;
    v.*o.compression = dlg.Compression();
    return true;
}

bool AskJpeg(const SaveOptionsOf& o, SaveOptionValues& v, QWidget* parent)
{
    CJPEGOptions dlg(v.*o.quality, v.*o.smoothing, v.*o.progressive != 0, v.*o.optimize != 0, parent);
    if (!Accepted(dlg))
        return false;
    v.*o.quality = dlg.Quality();
    v.*o.smoothing = dlg.Smoothing();
    v.*o.progressive = dlg.Progressive() ? 1 : 0;
    v.*o.optimize = dlg.Optimize() ? 1 : 0;
    return true;
}

bool AskQuality(const SaveOptionsOf& o, SaveOptionValues& v, QWidget* parent)
{
    CQualityOptions dlg(o, v, parent);
    if (!Accepted(dlg))
        return false;
    dlg.Apply(v);
    return true;
}

// The window of each dialog kind.
constexpr std::pair<SaveDialog, AskSaveOptions> kDialogKinds[] = {
    {SaveDialog::Depth, AskDepth},
    {SaveDialog::Interlace, AskInterlace},
    {SaveDialog::RleDepth, AskRleDepth},
    {SaveDialog::Rle, AskRle},
    {SaveDialog::Compression, AskCompression},
    {SaveDialog::Jpeg, AskJpeg},
    {SaveDialog::Quality, AskQuality},
};

} // namespace

const std::map<int, AskSaveOptions>& OptionDialogs()
{
    static const std::map<int, AskSaveOptions> dialogs = [] {
        std::map<int, AskSaveOptions> table;
        for (const SaveTarget& target : kSaveTargets)
            for (const auto& [kind, ask] : kDialogKinds)
                if (target.options.dialog == kind)
                    table.emplace(target.code, ask);
        return table;
    }();
    return dialogs;
}

bool AskOptions(int code, SaveOptionValues& values, QWidget* parent)
{
    const auto dialog = OptionDialogs().find(code);
    if (dialog == OptionDialogs().end())
        return true;
    SaveOptionValues answered = values;
    if (!dialog->second(SaveTargetOfCode(code)->options, answered, parent))
        return false;
    values = answered;
    return true;
}

} // namespace vksave
