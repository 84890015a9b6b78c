// What the WebP, AVIF, JPEG XL and HEIC writers share: the carried camera
// data as blocks, the picture's pixels packed top line first in the order a
// library takes them, and the library's error as the writer's error.
#pragma once

#include "engine/metadata/Metadata.h"
#include "engine/picture/Bmp.h"
#include "engine/save/SaveOptions.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// The carried data made true of `bmp`; empty blocks without any.
MetadataBlocks CarriedBlocks(const SaveParameters& parameters, const CBmp& bmp);

// Byte order of a packed pixel: red, green, blue with or without alpha.
enum class PackedOrder { Rgb, Rgba };

// A 32-bit picture's pixels, top line first, without padding. Throws
// CTextException (ErrNoMemory) when the buffer cannot be had.
struct PackedPixels {
    std::unique_ptr<uint8_t[]> data;
    size_t stride = 0; // bytes per line
    size_t size = 0;   // bytes in all
};
PackedPixels PackPixels(const CBmp& bmp, PackedOrder order);
// The same into lines of `stride` bytes the caller owns (a library's plane).
void PackPixelsInto(const CBmp& bmp, PackedOrder order, uint8_t* out, size_t stride);

// A unique_ptr deleter that hands the pointer to a library's own free
// function: std::unique_ptr<heif_context, FreeWith<heif_context_free>>.
template <auto Free> struct FreeWith {
    template <class T> void operator()(T* p) const { Free(p); }
};

// Refuses a picture without pixels (ErrUnsupported), so no library is
// handed an empty one.
void CheckNotEmpty(const CBmp& bmp);

// Throws CTextException(ErrWriting) with "<library> could not write the
// picture: <detail>".
[[noreturn]] void ThrowLibraryError(const char* library, const std::string& detail);
