#include "engine/save/AVIFEncoder.h"

#include "engine/picture/AvifApi.h"
#include "engine/picture/OutputFile.h"
#include "engine/picture/TextException.h"
#include "engine/picture/WinBmp.h"
#include "engine/save/NewerEncoders.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <thread>

namespace {

void Check(avifResult result)
{
    if (result != AVIF_RESULT_OK)
        ThrowLibraryError("libavif", Avif().avifResultToString(result));
}

} // namespace

int CAVIFEncoder::QuantizerOf(int quality)
{
    return ((100 - std::clamp(quality, 0, 100)) * AVIF_QUANTIZER_WORST_QUALITY + 50) / 100;
}

void CAVIFEncoder::Save(const std::string& path, CBmp& bmp, const SaveParameters& p)
{
    std::unique_ptr<CWinBmp> converted;
    const CBmp& source = As32Bits(bmp, converted);
    CheckNotEmpty(source);
    CheckPictureSize(source.GetWidth(), source.GetHeight());
    const int width = source.GetWidth(), height = source.GetHeight();
    const AvifApi& avif = Avif();

    std::unique_ptr<avifImage, AvifFree<&AvifApi::avifImageDestroy>> image(
        avif.avifImageCreate(uint32_t(width), uint32_t(height), 8, AVIF_PIXEL_FORMAT_YUV444));
    if (!image)
        ThrowLibraryError("libavif", "out of memory");
    image->yuvRange = AVIF_RANGE_FULL;

    // libavif reads RGB lines top first with a positive stride: the
    // picture's lines are copied as they are (blue, green, red, alpha).
    avifRGBImage rgb;
    avif.avifRGBImageSetDefaults(&rgb, image.get());
    rgb.format = AVIF_RGB_FORMAT_BGRA;
    rgb.depth = 8;
    rgb.ignoreAlpha = source.HasAlphaChannel() ? AVIF_FALSE : AVIF_TRUE;
    const size_t stride = size_t(width) * 4;
    std::unique_ptr<uint8_t[]> lines = AllocateBuffer<uint8_t>(stride * size_t(height));
    for (int y = 0; y < height; ++y)
        std::memcpy(lines.get() + size_t(y) * stride, source.GetLine(y), stride);
    rgb.pixels = lines.get();
    rgb.rowBytes = uint32_t(stride);
    Check(avif.avifImageRGBToYUV(image.get(), &rgb));
    lines.reset();

    const MetadataBlocks blocks = CarriedBlocks(p, source);
    if (!blocks.icc.empty())
        avif.avifImageSetProfileICC(image.get(), blocks.icc.data(), blocks.icc.size());
    if (!blocks.exif.empty())
        avif.avifImageSetMetadataExif(image.get(), blocks.exif.data(), blocks.exif.size());
    if (!blocks.xmp.empty())
        avif.avifImageSetMetadataXMP(image.get(), reinterpret_cast<const uint8_t*>(blocks.xmp.data()),
                                     blocks.xmp.size());

    std::unique_ptr<avifEncoder, AvifFree<&AvifApi::avifEncoderDestroy>> encoder(avif.avifEncoderCreate());
    if (!encoder)
        ThrowLibraryError("libavif", "out of memory");
    encoder->maxThreads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 64u));
    encoder->speed = std::clamp(p.speed, AVIF_SPEED_SLOWEST, AVIF_SPEED_FASTEST);
    encoder->minQuantizer = encoder->maxQuantizer = QuantizerOf(p.quality);
    // Alpha is an outline people see sharp edges in: kept without loss, as avifenc does.
    encoder->minQuantizerAlpha = encoder->maxQuantizerAlpha = AVIF_QUANTIZER_LOSSLESS;
    avifRWData output = AVIF_DATA_EMPTY;
    std::unique_ptr<avifRWData, AvifFree<&AvifApi::avifRWDataFree>> ownedOutput(&output);
    Check(avif.avifEncoderWrite(encoder.get(), image.get(), &output));

    COutputFile file(path);
    file.Write(output.data, output.size);
    file.Commit();
}
