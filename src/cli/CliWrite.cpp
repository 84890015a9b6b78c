#include "cli/CliWrite.h"

#include "engine/edit/ColorCount.h"
#include "engine/picture/TextException.h"
#include "engine/save/SaveDispatch.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

} // namespace

SaveOptionValues SaveValuesFromOptions(const CliSaveOptions& options)
{
    SaveOptionValues values;
    // Each option goes to every writer whose row takes it.
    for (const SaveTarget& target : kSaveTargets) {
        const SaveOptionsOf& o = target.options;
        if (options.depth > 0 && o.depth)
            values.*o.depth = options.depth == 8 ? 0 : 1;
        if (options.rle >= 0 && o.rle)
            values.*o.rle = options.rle;
        if (options.interlace && o.interlace)
            values.*o.interlace = 1;
        if (options.quality >= 0 && o.quality)
            values.*o.quality = options.quality;
        if (options.lossless && o.lossless)
            values.*o.lossless = 1;
        if (options.speed >= 0 && o.speed)
            values.*o.speed = options.speed;
        if (options.effort >= 0 && o.effort)
            values.*o.effort = options.effort;
        if (options.distance >= 0 && o.distance)
            values.*o.distance = options.distance;
    }
    // No dialog remembers a JPEG quality here: fidelity first.
    if (options.quality < 0)
        values.jpegQuality = CliSaveOptions::kJpegQuality;
    if (options.smoothing >= 0)
        values.jpegSmoothing = options.smoothing;
    if (options.progressive)
        values.jpegProgressive = 1;
    if (options.optimize)
        values.jpegOptimize = 1;
    if (options.compression == "none")
        values.tiffCompression = 0;
    else if (options.compression == "packbits")
        values.tiffCompression = 1;
    else if (options.compression == "lzw")
        values.tiffCompression = 2;
    return values;
}

int DefaultDepth(const CBmp& bmp)
{
    return CountDistinctColors(bmp, 256) < 0 ? 24 : 8;
}

void WritePicture(CWinBmp& bmp, const std::string& path, const std::string& ext,
                  const CliSaveOptions& options, std::shared_ptr<const CCarriedMetadata> metadata,
                  bool upright)
{
    const int code = SaveFormatFromExtension(Lower(ext));
    CliSaveOptions chosen = options;
    // Counted only for the writers that take a depth.
    const SaveTarget* target = SaveTargetOfCode(code);
    if (chosen.depth < 0 && target && target->options.depth)
        chosen.depth = DefaultDepth(bmp);
    SaveParameters parameters = MakeSaveParameters(code, SaveValuesFromOptions(chosen));
    parameters.pngLevel = options.pngLevel;
    parameters.metadata = std::move(metadata);
    parameters.upright = upright;
    if (code < 0 || !SavePicture(code, path, bmp, parameters))
        RaiseError(ErrUnsupported, "Cannot write ." + ext + " files.");
}

std::unique_ptr<CPPMRowWriter> MakeRowWriter(const std::string& path, const std::string& ext,
                                             std::function<void()> beforeOpen)
{
    // A pixmap holds no camera data, no profile and no depth choice: the
    // rows are all it is.
    if (SaveFormatFromExtension(Lower(ext)) != kSavePpm)
        return nullptr;
    return std::make_unique<CPPMRowWriter>(path, std::move(beforeOpen));
}
