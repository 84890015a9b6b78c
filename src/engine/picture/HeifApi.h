// libheif, opened on first use (see LazyLibrary.h).
#pragma once

#include "engine/picture/LazyLibrary.h"

#include <libheif/heif.h>

#define VELKOR_HEIF_FUNCTIONS(X)                                                                             \
    X(heif_context_alloc)                                                                                    \
    X(heif_context_free)                                                                                     \
    X(heif_context_set_maximum_image_size_limit)                                                             \
    X(heif_context_set_max_decoding_threads)                                                                 \
    X(heif_context_read_from_memory_without_copy)                                                            \
    X(heif_context_get_primary_image_handle)                                                                 \
    X(heif_context_get_encoder_for_format)                                                                   \
    X(heif_context_encode_image)                                                                             \
    X(heif_context_add_exif_metadata)                                                                        \
    X(heif_context_add_XMP_metadata)                                                                         \
    X(heif_context_write)                                                                                    \
    X(heif_decoding_options_alloc)                                                                           \
    X(heif_decoding_options_free)                                                                            \
    X(heif_decode_image)                                                                                     \
    X(heif_image_handle_release)                                                                             \
    X(heif_image_handle_get_width)                                                                           \
    X(heif_image_handle_get_height)                                                                          \
    X(heif_image_handle_has_alpha_channel)                                                                   \
    X(heif_image_handle_get_luma_bits_per_pixel)                                                             \
    X(heif_image_handle_get_color_profile_type)                                                              \
    X(heif_image_handle_get_raw_color_profile_size)                                                          \
    X(heif_image_handle_get_raw_color_profile)                                                               \
    X(heif_image_handle_get_nclx_color_profile)                                                              \
    X(heif_nclx_color_profile_free)                                                                          \
    X(heif_image_create)                                                                                     \
    X(heif_image_release)                                                                                    \
    X(heif_image_add_plane)                                                                                  \
    X(heif_image_get_width)                                                                                  \
    X(heif_image_get_height)                                                                                 \
    X(heif_image_get_plane)                                                                                  \
    X(heif_image_get_plane_readonly)                                                                         \
    X(heif_image_get_bits_per_pixel_range)                                                                   \
    X(heif_image_set_raw_color_profile)                                                                      \
    X(heif_encoder_release)                                                                                  \
    X(heif_encoder_set_lossy_quality)

VELKOR_LAZY_API(HeifApi, Heif, VELKOR_HEIF_FUNCTIONS)

template <auto Member> using HeifFree = LibraryFree<&Heif, Member>;
