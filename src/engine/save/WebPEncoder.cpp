#include "engine/save/WebPEncoder.h"

#include "engine/picture/OutputFile.h"
#include "engine/picture/TextException.h"
#include "engine/picture/WinBmp.h"
#include "engine/save/NewerEncoders.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

#include <webp/encode.h>
#include <webp/mux.h>

namespace {

const char* EncodeErrorText(WebPEncodingError error)
{
    switch (error) {
    case VP8_ENC_ERROR_OUT_OF_MEMORY:
    case VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY:
        return "out of memory";
    case VP8_ENC_ERROR_BAD_DIMENSION:
        return "the picture is too large for WebP (16383 x 16383 at most)";
    case VP8_ENC_ERROR_PARTITION0_OVERFLOW:
    case VP8_ENC_ERROR_PARTITION_OVERFLOW:
        return "a partition of the picture grew too large";
    case VP8_ENC_ERROR_FILE_TOO_BIG:
        return "the file would be larger than 4 GiB";
    default:
        return "encoding failed";
    }
}

// The distance in bytes from one line to the next when the lines are
// evenly spaced (a bottom-up block gives a negative one), else 0.
std::ptrdiff_t EvenStride(const CBmp& bmp)
{
    if (bmp.GetHeight() < 2)
        return std::ptrdiff_t(bmp.GetWidth()) * 4;
    const std::ptrdiff_t stride = bmp.GetLine(1) - bmp.GetLine(0);
    for (int y = 2; y < bmp.GetHeight(); ++y)
        if (bmp.GetLine(y) - bmp.GetLine(y - 1) != stride)
            return 0;
    return stride;
}

// The encoded picture in WebP's container with the camera data beside it.
void WriteWithChunks(COutputFile& file, const WebPMemoryWriter& encoded, const MetadataBlocks& blocks)
{
    std::unique_ptr<WebPMux, FreeWith<WebPMuxDelete>> mux(WebPMuxNew());
    if (!mux)
        ThrowLibraryError("libwebp", "out of memory");
    const WebPData image{encoded.mem, encoded.size};
    if (WebPMuxSetImage(mux.get(), &image, 0) != WEBP_MUX_OK)
        ThrowLibraryError("libwebp", "the encoded picture could not be placed in its container");
    // A block the container refuses is left out; the picture is written.
    const auto chunk = [&](const char* id, const uint8_t* bytes, size_t size) {
        if (size == 0)
            return;
        const WebPData data{bytes, size};
        if (WebPMuxSetChunk(mux.get(), id, &data, 0) != WEBP_MUX_OK)
            Trace(1, "WebP: the %s chunk was left out\n", id);
    };
    chunk("ICCP", blocks.icc.data(), blocks.icc.size());
    chunk("EXIF", blocks.exif.data(), blocks.exif.size());
    chunk("XMP ", reinterpret_cast<const uint8_t*>(blocks.xmp.data()), blocks.xmp.size());
    WebPData assembled{};
    const WebPMuxError assembledError = WebPMuxAssemble(mux.get(), &assembled);
    std::unique_ptr<WebPData, FreeWith<WebPDataClear>> owned(&assembled);
    if (assembledError != WEBP_MUX_OK)
        ThrowLibraryError("libwebp", "the container could not be assembled");
    file.Write(assembled.bytes, assembled.size);
}

} // namespace

void CWebPEncoder::Save(const std::string& path, CBmp& bmp, const SaveParameters& p)
{
    std::unique_ptr<CWinBmp> converted;
    const CBmp& source = As32Bits(bmp, converted);
    CheckNotEmpty(source);
    CheckSizeForFormat(source, WEBP_MAX_DIMENSION, WEBP_MAX_DIMENSION);

    WebPConfig config;
    if (!WebPConfigInit(&config))
        ThrowLibraryError("libwebp", "its version does not match the one Velkor was built with");
    config.lossless = p.lossless ? 1 : 0;
    if (!p.lossless)
        config.quality = float(std::clamp(p.quality, 0, 100));
    // Lossless keeps its default quality (75): there it is the effort. It
    // keeps the colours under transparent pixels too (cwebp -exact), so
    // lossless means every byte.
    config.exact = config.lossless;

    WebPPicture picture;
    if (!WebPPictureInit(&picture))
        ThrowLibraryError("libwebp", "its version does not match the one Velkor was built with");
    std::unique_ptr<WebPPicture, FreeWith<WebPPictureFree>> ownedPicture(&picture);
    picture.width = source.GetWidth();
    picture.height = source.GetHeight();
    picture.use_argb = config.lossless;
    WebPMemoryWriter encoded;
    WebPMemoryWriterInit(&encoded);
    std::unique_ptr<WebPMemoryWriter, FreeWith<WebPMemoryWriterClear>> ownedWriter(&encoded);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &encoded;

    // libwebp reads the lines where they are, bottom-up blocks included;
    // converted straight to its own planes, one pass.
    const bool alpha = source.HasAlphaChannel();
    std::ptrdiff_t stride = EvenStride(source);
    PackedPixels packed;
    const uint8_t* first = source.GetLine(0);
    if (stride == 0 || stride > INT32_MAX || stride < -INT32_MAX) {
        packed = PackPixels(source, alpha ? PackedOrder::Rgba : PackedOrder::Rgb);
        first = packed.data.get();
        stride = std::ptrdiff_t(packed.stride);
        if (!(alpha ? WebPPictureImportRGBA : WebPPictureImportRGB)(&picture, first, int(stride)))
            ThrowLibraryError("libwebp", "out of memory");
    } else if (!(alpha ? WebPPictureImportBGRA : WebPPictureImportBGRX)(&picture, first, int(stride))) {
        ThrowLibraryError("libwebp", "out of memory");
    }
    if (!WebPEncode(&config, &picture))
        ThrowLibraryError("libwebp", EncodeErrorText(picture.error_code));

    const MetadataBlocks blocks = CarriedBlocks(p, source);
    COutputFile file(path);
    if (blocks.Empty())
        file.Write(encoded.mem, encoded.size);
    else
        WriteWithChunks(file, encoded, blocks);
    file.Commit();
}
