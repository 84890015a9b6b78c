#include "engine/picture/HEIFDecoder.h"

#include "engine/picture/ByteOrder.h"
#include "engine/picture/HeifApi.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char* kTextNotHeif = "HEIF decoder: This isn't a HEIF file.";

// Each side within what our pictures allow (2^28 pixels); libheif refuses
// larger images before it allocates them.
constexpr int kMaxHeifSide = 16384;

bool IsBrand(const uint8_t* p, const char* brand)
{
    return std::memcmp(p, brand, 4) == 0;
}

bool IsAvifBrand(const uint8_t* p)
{
    return IsBrand(p, "avif") || IsBrand(p, "avis");
}

bool IsHeifBrand(const uint8_t* p)
{
    for (const char* brand : {"heic", "heix", "heim", "heis", "hevc", "hevx", "hevm", "hevs"})
        if (IsBrand(p, brand))
            return true;
    return false;
}

bool IsGenericBrand(const uint8_t* p)
{
    return IsBrand(p, "mif1") || IsBrand(p, "msf1");
}

void RaiseHeifError(const heif_error& error)
{
    const std::string text = std::string("HEIF decoder: ") + (error.message ? error.message : "error");
    switch (error.code) {
    case heif_error_Ok:
        return;
    case heif_error_Memory_allocation_error:
        ThrowOutOfMemory();
    case heif_error_Unsupported_feature:
    case heif_error_Unsupported_filetype:
    case heif_error_Plugin_loading_error:
        RaiseError(ErrUnsupported, text);
    default:
        if (error.subcode == heif_suberror_End_of_data)
            throw CTextException(ErrEndOfFile, kTextEndOfFile);
        RaiseError(ErrBadFormat, text);
    }
}

struct Context {
    const HeifApi& heif = Heif();
    heif_context* context = heif.heif_context_alloc();
    heif_image_handle* handle = nullptr;
    heif_image* image = nullptr;
    heif_decoding_options* options = heif.heif_decoding_options_alloc();
    ~Context()
    {
        heif.heif_decoding_options_free(options);
        heif.heif_image_release(image);
        heif.heif_image_handle_release(handle);
        heif.heif_context_free(context);
    }
};

} // namespace

HeifKind DetectHeifKind(const uint8_t* data, size_t size)
{
    // Box size, "ftyp", major brand, minor version, compatible brands.
    if (data == nullptr || size < 16 || !IsBrand(data + 4, "ftyp"))
        return HeifKind::None;
    const size_t boxSize = LoadBE32(ByteView(data, size));
    if (boxSize < 16 || boxSize > size)
        return HeifKind::None;
    const uint8_t* major = data + 8;
    if (IsAvifBrand(major))
        return HeifKind::Avif;
    if (IsHeifBrand(major))
        return HeifKind::Heif;
    bool generic = IsGenericBrand(major);
    bool avif = false, heif = false;
    for (size_t at = 16; at + 4 <= boxSize; at += 4) {
        avif = avif || IsAvifBrand(data + at);
        heif = heif || IsHeifBrand(data + at);
        generic = generic || IsGenericBrand(data + at);
    }
    if (avif)
        return HeifKind::Avif;
    if (heif || generic)
        return HeifKind::Heif;
    return HeifKind::None;
}

namespace {

// The `colr` box: an ICC profile as it stands; nclx primaries other than
// sRGB's with an sRGB-like curve as chromaticities. PQ and HLG are left
// unmanaged, as is a broken box.
ColourProfilePtr ColourProfileOf(const heif_image_handle* handle)
{
    const HeifApi& heif = Heif();
    const heif_color_profile_type type = heif.heif_image_handle_get_color_profile_type(handle);
    if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
        const size_t bytes = heif.heif_image_handle_get_raw_color_profile_size(handle);
        if (bytes == 0 || bytes > kMaxIccProfileBytes)
            return nullptr;
        std::vector<uint8_t> icc(bytes);
        if (heif.heif_image_handle_get_raw_color_profile(handle, icc.data()).code != heif_error_Ok)
            return nullptr;
        return MakeIccProfile(std::move(icc));
    }
    heif_color_profile_nclx* nclx = nullptr;
    // libheif can hand back a profile together with an error (values out of
    // range in a damaged box): it is ours to free either way.
    const heif_error error = heif.heif_image_handle_get_nclx_color_profile(handle, &nclx);
    if (error.code != heif_error_Ok || nclx == nullptr) {
        heif.heif_nclx_color_profile_free(nclx);
        return nullptr;
    }
    ColourProfilePtr profile;
    const auto primaries = nclx->color_primaries;
    const auto transfer = nclx->transfer_characteristics;
    const bool srgbCurve = transfer == heif_transfer_characteristic_IEC_61966_2_1 ||
                           transfer == heif_transfer_characteristic_ITU_R_BT_709_5 ||
                           transfer == heif_transfer_characteristic_ITU_R_BT_601_6 ||
                           transfer == heif_transfer_characteristic_unspecified;
    if (srgbCurve && primaries != heif_color_primaries_ITU_R_BT_709_5 &&
        primaries != heif_color_primaries_unspecified) {
        const double c[8] = {nclx->color_primary_white_x, nclx->color_primary_white_y,
                             nclx->color_primary_red_x,   nclx->color_primary_red_y,
                             nclx->color_primary_green_x, nclx->color_primary_green_y,
                             nclx->color_primary_blue_x,  nclx->color_primary_blue_y};
        profile = MakeGammaProfile(0, c);
    }
    heif.heif_nclx_color_profile_free(nclx);
    return profile;
}

} // namespace

void CHEIFDecoder::DecodeInto(CBmp& bmp, PaletteHolder&, int& wantedDepth, CDataSource& source)
{
    Trace(2, "Decoding HEIF.\n");
    const uint8_t* data = source.GetPosition();
    const size_t size = source.GetRemaining();
    if (DetectHeifKind(data, size) == HeifKind::None)
        RaiseError(ErrWrongSignature, kTextNotHeif);
    Context c;
    const HeifApi& heif = c.heif;
    if (c.context == nullptr || c.options == nullptr)
        ThrowOutOfMemory();
    heif.heif_context_set_maximum_image_size_limit(c.context, kMaxHeifSide);
    // Decoding runs on the caller's thread, as every decoder's does.
    heif.heif_context_set_max_decoding_threads(c.context, 0);
    RaiseHeifError(heif.heif_context_read_from_memory_without_copy(c.context, data, size, nullptr));
    RaiseHeifError(heif.heif_context_get_primary_image_handle(c.context, &c.handle));

    const int width = heif.heif_image_handle_get_width(c.handle);
    const int height = heif.heif_image_handle_get_height(c.handle);
    CheckPictureSize(width, height);
    if (width <= 0 || height <= 0)
        RaiseError(ErrBadFormat, "HEIF decoder: the picture is empty.");
    const bool alpha = heif.heif_image_handle_has_alpha_channel(c.handle) != 0;
    const int lumaBits = heif.heif_image_handle_get_luma_bits_per_pixel(c.handle);

    c.options->convert_hdr_to_8bit = 1;
    // libheif decodes in one call that cannot be interrupted: an abandoned
    // decode ends before it, or after it at the first line.
    CheckDecodeAbort();
    RaiseHeifError(heif.heif_decode_image(c.handle, &c.image, heif_colorspace_RGB,
                                          alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                                          c.options));
    // The decoded image is what counts: its size after turning and cropping.
    const int outWidth = heif.heif_image_get_width(c.image, heif_channel_interleaved);
    const int outHeight = heif.heif_image_get_height(c.image, heif_channel_interleaved);
    int stride = 0;
    const uint8_t* plane = heif.heif_image_get_plane_readonly(c.image, heif_channel_interleaved, &stride);
    const int channels = alpha ? 4 : 3;
    if (plane == nullptr || outWidth <= 0 || outHeight <= 0 ||
        heif.heif_image_get_bits_per_pixel_range(c.image, heif_channel_interleaved) != 8 || stride < 0 ||
        size_t(stride) < size_t(outWidth) * size_t(channels))
        RaiseError(ErrUnsupported, "HEIF decoder: unexpected decoded layout.");
    CheckPictureSize(outWidth, outHeight);

    wantedDepth = 32;
    bmp.Create(outWidth, outHeight, 32, alpha);
    const int bitsPerChannel = lumaBits > 0 ? lumaBits : 8;
    bmp.SetSourceBitsPerPixel(bitsPerChannel * channels);
    bmp.SetColourProfile(ColourProfileOf(c.handle));
    for (int y = 0; y < outHeight; ++y) {
        const uint8_t* in = plane + size_t(y) * size_t(stride);
        uint32_t* out = LineToFill32(bmp, y);
        if (alpha) {
            for (int x = 0; x < outWidth; ++x, in += 4)
                out[x] = MakePixel(in[0], in[1], in[2], in[3]);
        } else {
            for (int x = 0; x < outWidth; ++x, in += 3)
                out[x] = MakePixel(in[0], in[1], in[2]);
        }
    }
    source.Skip(size);
    Trace(3, "Decoding finished.\n");
}
