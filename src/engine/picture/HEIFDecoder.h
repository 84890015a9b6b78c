// CHEIFDecoder: HEIF pictures (HEIC with HEVC, AVIF with AV1) on libheif. The
// primary image is decoded, turned and mirrored as the file says; of an image
// sequence that is its first picture.
#pragma once

#include "engine/picture/PicDecoder.h"

#include <cstddef>
#include <cstdint>

// What the brands of an ISO media file's "ftyp" box say it holds.
enum class HeifKind { None, Heif, Avif };
HeifKind DetectHeifKind(const uint8_t* data, size_t size);

class CHEIFDecoder : public CPicDecoder {
  protected:
    void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) override;
};
