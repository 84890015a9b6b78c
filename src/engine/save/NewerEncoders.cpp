#include "engine/save/NewerEncoders.h"

#include "engine/picture/TextException.h"

#include <cstring>

MetadataBlocks CarriedBlocks(const SaveParameters& parameters, const CBmp& bmp)
{
    if (!parameters.metadata)
        return {};
    return parameters.metadata->Blocks(bmp.GetWidth(), bmp.GetHeight(), parameters.upright);
}

void PackPixelsInto(const CBmp& bmp, PackedOrder order, uint8_t* out, size_t stride)
{
    const int width = bmp.GetWidth();
    for (int y = 0; y < bmp.GetHeight(); ++y) {
        const uint8_t* in = bmp.GetLine(y);
        uint8_t* o = out + size_t(y) * stride;
        if (order == PackedOrder::Rgba) {
            for (int x = 0; x < width; ++x, in += 4, o += 4) {
                o[0] = in[2];
                o[1] = in[1];
                o[2] = in[0];
                o[3] = in[3];
            }
        } else {
            for (int x = 0; x < width; ++x, in += 4, o += 3) {
                o[0] = in[2];
                o[1] = in[1];
                o[2] = in[0];
            }
        }
    }
}

PackedPixels PackPixels(const CBmp& bmp, PackedOrder order)
{
    CheckPictureSize(bmp.GetWidth(), bmp.GetHeight());
    PackedPixels packed;
    // Both sides are bounded by CheckPictureSize, so neither product overflows.
    packed.stride = size_t(bmp.GetWidth()) * (order == PackedOrder::Rgba ? 4 : 3);
    packed.size = packed.stride * size_t(bmp.GetHeight());
    packed.data = AllocateBuffer<uint8_t>(packed.size);
    PackPixelsInto(bmp, order, packed.data.get(), packed.stride);
    return packed;
}

void CheckNotEmpty(const CBmp& bmp)
{
    if (bmp.GetWidth() <= 0 || bmp.GetHeight() <= 0)
        throw CTextException(ErrUnsupported, "A picture without pixels cannot be written.");
}

void ThrowLibraryError(const char* library, const std::string& detail)
{
    throw CTextException(ErrWriting, std::string(library) + " could not write the picture: " + detail);
}
