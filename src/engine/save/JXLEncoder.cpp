#include "engine/save/JXLEncoder.h"

#include "engine/picture/JxlApi.h"
#include "engine/picture/OutputFile.h"
#include "engine/picture/TextException.h"
#include "engine/picture/WinBmp.h"
#include "engine/save/NewerEncoders.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

const char* ErrorText(JxlEncoder* encoder)
{
    switch (Jxl().JxlEncoderGetError(encoder)) {
    case JXL_ENC_ERR_OOM:
        return "out of memory";
    case JXL_ENC_ERR_JBRD:
        return "the JPEG reconstruction data is bad";
    case JXL_ENC_ERR_BAD_INPUT:
        return "the picture or its colour profile was refused";
    case JXL_ENC_ERR_NOT_SUPPORTED:
        return "a setting is not supported";
    case JXL_ENC_ERR_API_USAGE:
        return "libjxl was called wrongly";
    default:
        return "encoding failed";
    }
}

void Check(JxlEncoder* encoder, JxlEncoderStatus status)
{
    if (status != JXL_ENC_SUCCESS)
        ThrowLibraryError("libjxl", ErrorText(encoder));
}

// The colour profile the pixels are in: the carried one when libjxl takes
// it, else sRGB.
void SetColour(JxlEncoder* encoder, const std::vector<uint8_t>& icc)
{
    const JxlApi& jxl = Jxl();
    if (!icc.empty() && jxl.JxlEncoderSetICCProfile(encoder, icc.data(), icc.size()) == JXL_ENC_SUCCESS)
        return;
    JxlColorEncoding srgb;
    jxl.JxlColorEncodingSetToSRGB(&srgb, JXL_FALSE);
    Check(encoder, jxl.JxlEncoderSetColorEncoding(encoder, &srgb));
}

// EXIF and XMP in boxes; a box the container refuses is left out.
void AddBoxes(JxlEncoder* encoder, const MetadataBlocks& blocks)
{
    if (blocks.exif.empty() && blocks.xmp.empty())
        return;
    const JxlApi& jxl = Jxl();
    Check(encoder, jxl.JxlEncoderUseBoxes(encoder));
    if (!blocks.exif.empty()) {
        // The box starts with the offset of the TIFF header after it: 0.
        std::vector<uint8_t> exif(4, 0);
        exif.insert(exif.end(), blocks.exif.begin(), blocks.exif.end());
        if (jxl.JxlEncoderAddBox(encoder, "Exif", exif.data(), exif.size(), JXL_FALSE) != JXL_ENC_SUCCESS)
            Trace(1, "JPEG XL: the Exif box was left out\n");
    }
    if (!blocks.xmp.empty() &&
        jxl.JxlEncoderAddBox(encoder, "xml ", reinterpret_cast<const uint8_t*>(blocks.xmp.data()),
                             blocks.xmp.size(), JXL_FALSE) != JXL_ENC_SUCCESS)
        Trace(1, "JPEG XL: the XMP box was left out\n");
    jxl.JxlEncoderCloseBoxes(encoder);
}

} // namespace

float CJXLEncoder::DistanceOf(int quality)
{
    const int q = std::clamp(quality, 0, 100);
    const float distance =
        q >= 30 ? 0.1f + float(100 - q) * 0.09f : 6.4f + float(std::pow(2.5, (30 - q) / 5.0)) / 6.25f;
    return q >= 100 ? 0.0f : std::min(distance, kMaxDistance);
}

float CJXLEncoder::DistanceFor(const SaveParameters& p)
{
    if (p.lossless)
        return 0.0f;
    if (p.distance >= 0)
        return std::min(float(p.distance) / 100.0f, kMaxDistance);
    return DistanceOf(p.quality);
}

void CJXLEncoder::Save(const std::string& path, CBmp& bmp, const SaveParameters& p)
{
    std::unique_ptr<CWinBmp> converted;
    const CBmp& source = As32Bits(bmp, converted);
    CheckNotEmpty(source);
    const JxlApi& jxl = Jxl();
    const JxlThreadsApi& threads = JxlThreads();
    const bool alpha = source.HasAlphaChannel();
    const float distance = DistanceFor(p);
    const bool lossless = distance <= 0.0f;
    const MetadataBlocks blocks = CarriedBlocks(p, source);
    // libjxl takes red, green, blue (and alpha) lines, top first.
    const PackedPixels pixels = PackPixels(source, alpha ? PackedOrder::Rgba : PackedOrder::Rgb);

    std::unique_ptr<JxlEncoder, JxlFree<&JxlApi::JxlEncoderDestroy>> encoder(jxl.JxlEncoderCreate(nullptr));
    std::unique_ptr<void, JxlThreadsFree<&JxlThreadsApi::JxlThreadParallelRunnerDestroy>> runner(
        threads.JxlThreadParallelRunnerCreate(nullptr,
                                              threads.JxlThreadParallelRunnerDefaultNumWorkerThreads()));
    if (!encoder || !runner)
        ThrowLibraryError("libjxl", "out of memory");
    JxlEncoder* enc = encoder.get();
    Check(enc, jxl.JxlEncoderSetParallelRunner(enc, threads.JxlThreadParallelRunner, runner.get()));

    JxlBasicInfo info;
    jxl.JxlEncoderInitBasicInfo(&info);
    info.xsize = uint32_t(source.GetWidth());
    info.ysize = uint32_t(source.GetHeight());
    info.bits_per_sample = 8;
    info.num_color_channels = 3;
    info.alpha_bits = alpha ? 8 : 0;
    info.num_extra_channels = alpha ? 1 : 0;
    // Lossless keeps the pixels in their own colours, not in XYB.
    info.uses_original_profile = lossless ? JXL_TRUE : JXL_FALSE;
    Check(enc, jxl.JxlEncoderSetBasicInfo(enc, &info));
    SetColour(enc, blocks.icc);
    AddBoxes(enc, blocks);

    JxlEncoderFrameSettings* settings = jxl.JxlEncoderFrameSettingsCreate(enc, nullptr);
    if (!settings)
        ThrowLibraryError("libjxl", "out of memory");
    Check(enc, jxl.JxlEncoderFrameSettingsSetOption(settings, JXL_ENC_FRAME_SETTING_EFFORT,
                                                    std::clamp(p.effort, 1, 9)));
    if (lossless)
        Check(enc, jxl.JxlEncoderSetFrameLossless(settings, JXL_TRUE));
    else
        Check(enc, jxl.JxlEncoderSetFrameDistance(settings, distance));
    const JxlPixelFormat format{alpha ? 4u : 3u, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    Check(enc, jxl.JxlEncoderAddImageFrame(settings, &format, pixels.data.get(), pixels.size));
    jxl.JxlEncoderCloseInput(enc);

    // The file grows in steps; libjxl says when it needs more room.
    std::vector<uint8_t> out(std::max<size_t>(pixels.size / 8, 1 << 16));
    uint8_t* next = out.data();
    size_t left = out.size();
    for (;;) {
        const JxlEncoderStatus status = jxl.JxlEncoderProcessOutput(enc, &next, &left);
        if (status == JXL_ENC_SUCCESS)
            break;
        if (status != JXL_ENC_NEED_MORE_OUTPUT)
            Check(enc, status);
        const size_t used = size_t(next - out.data());
        out.resize(out.size() * 2);
        next = out.data() + used;
        left = out.size() - used;
    }
    out.resize(size_t(next - out.data()));

    COutputFile file(path);
    file.Write(out.data(), out.size());
    file.Commit();
}
