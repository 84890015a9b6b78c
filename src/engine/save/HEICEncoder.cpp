#include "engine/save/HEICEncoder.h"

#include "engine/picture/HeifApi.h"
#include "engine/picture/OutputFile.h"
#include "engine/picture/TextException.h"
#include "engine/picture/WinBmp.h"
#include "engine/save/NewerEncoders.h"

#include <algorithm>
#include <limits>
#include <memory>

namespace {

void Check(const heif_error& error)
{
    if (error.code != heif_error_Ok)
        ThrowLibraryError("libheif", error.message && *error.message ? error.message : "encoding failed");
}

// libheif hands the finished file to this writer; COutputFile's errors are
// turned into libheif's so none crosses the library's C frames.
heif_error WriteToFile(heif_context*, const void* data, size_t size, void* userdata)
{
    try {
        static_cast<COutputFile*>(userdata)->Write(data, size);
        return {heif_error_Ok, heif_suberror_Unspecified, ""};
    } catch (...) {
        return {heif_error_Encoding_error, heif_suberror_Cannot_write_output_data, "Error writing image."};
    }
}

} // namespace

void CHEICEncoder::Save(const std::string& path, CBmp& bmp, const SaveParameters& p)
{
    std::unique_ptr<CWinBmp> converted;
    const CBmp& source = As32Bits(bmp, converted);
    CheckNotEmpty(source);
    CheckPictureSize(source.GetWidth(), source.GetHeight());
    const HeifApi& heif = Heif();
    const bool alpha = source.HasAlphaChannel();
    const int width = source.GetWidth(), height = source.GetHeight();

    std::unique_ptr<heif_context, HeifFree<&HeifApi::heif_context_free>> context(heif.heif_context_alloc());
    if (!context)
        ThrowLibraryError("libheif", "out of memory");
    heif_encoder* rawEncoder = nullptr;
    const heif_error found =
        heif.heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &rawEncoder);
    std::unique_ptr<heif_encoder, HeifFree<&HeifApi::heif_encoder_release>> encoder(rawEncoder);
    if (found.code != heif_error_Ok || !encoder)
        ThrowLibraryError("libheif", "it has no HEVC encoder here (Debian's libheif-plugin-x265 brings one)");
    Check(heif.heif_encoder_set_lossy_quality(encoder.get(), std::clamp(p.quality, 0, 100)));

    heif_image* rawImage = nullptr;
    Check(heif.heif_image_create(width, height, heif_colorspace_RGB,
                                 alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                                 &rawImage));
    std::unique_ptr<heif_image, HeifFree<&HeifApi::heif_image_release>> image(rawImage);
    Check(heif.heif_image_add_plane(image.get(), heif_channel_interleaved, width, height, 8));
    int stride = 0;
    uint8_t* plane = heif.heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
    const int pixelBytes = alpha ? 4 : 3;
    if (!plane || stride < width * pixelBytes)
        ThrowLibraryError("libheif", "out of memory");
    // One pass from the picture's lines into libheif's plane.
    PackPixelsInto(source, alpha ? PackedOrder::Rgba : PackedOrder::Rgb, plane, size_t(stride));

    const MetadataBlocks blocks = CarriedBlocks(p, source);
    if (!blocks.icc.empty() && blocks.icc.size() <= size_t(std::numeric_limits<int>::max()))
        heif.heif_image_set_raw_color_profile(image.get(), "prof", blocks.icc.data(), blocks.icc.size());

    heif_image_handle* rawHandle = nullptr;
    Check(heif.heif_context_encode_image(context.get(), image.get(), encoder.get(), nullptr, &rawHandle));
    std::unique_ptr<heif_image_handle, HeifFree<&HeifApi::heif_image_handle_release>> handle(rawHandle);
    // A block libheif refuses is left out; the picture is written.
    if (!blocks.exif.empty() && blocks.exif.size() <= size_t(std::numeric_limits<int>::max()) &&
        heif.heif_context_add_exif_metadata(context.get(), handle.get(), blocks.exif.data(),
                                            int(blocks.exif.size()))
                .code != heif_error_Ok)
        Trace(1, "HEIC: the EXIF block was left out\n");
    if (!blocks.xmp.empty() && blocks.xmp.size() <= size_t(std::numeric_limits<int>::max()) &&
        heif.heif_context_add_XMP_metadata(context.get(), handle.get(), blocks.xmp.data(),
                                           int(blocks.xmp.size()))
                .code != heif_error_Ok)
        Trace(1, "HEIC: the XMP block was left out\n");

    COutputFile file(path);
    heif_writer writer{1, WriteToFile};
    Check(heif.heif_context_write(context.get(), &writer, &file));
    file.Commit();
}
