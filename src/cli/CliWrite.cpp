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
    if (options.depth > 0) {
        const int32_t choice = options.depth == 8 ? 0 : 1;
        values.bmpDepth = values.pcxDepth = values.tgaDepth = values.rasDepth = choice;
    }
    if (options.rle >= 0)
        values.tgaRle = values.rasRle = values.pictRle = options.rle;
    if (options.interlace)
        values.gifInterlace = values.pngInterlace = 1;
    if (options.quality >= 0)
        values.jpegQuality = options.quality;
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
    if (chosen.depth < 0 && (code == kSaveBmp || code == kSavePcx || code == kSaveRas || code == kSaveTga))
        chosen.depth = DefaultDepth(bmp);
    SaveParameters parameters = MakeSaveParameters(code, SaveValuesFromOptions(chosen));
    parameters.pngLevel = options.pngLevel;
    parameters.metadata = std::move(metadata);
    parameters.upright = upright;
    if (code < 0 || !SavePicture(code, path, bmp, parameters))
        RaiseError(ErrUnsupported, "Cannot write ." + ext + " files.");
}
