// CRawDecoder: camera RAW files on LibRaw. By default the sensor data is
// developed in full (the camera's white balance, 8 bits per channel, sRGB,
// turned upright); a decode whose choice asks for the preview delivers the
// JPEG or bitmap preview the camera embedded instead, turned upright, and
// records the developed picture's size (CPicDecoder::Found). A file
// without a usable preview is developed.
#pragma once

#include "engine/picture/PicDecoder.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What a file's first bytes say about a camera RAW file. Most RAW formats
// are laid out as TIFF: those are told apart from plain TIFF by a DNG
// version tag, Canon's "CR" mark, or an image directory (the first ones or
// their sub-directories) holding colour filter array or linear raw data,
// the maker coming from the Make tag. The others have a signature of their
// own. Every offset is checked against `size`.
enum class RawKind { None, Dng, Cr2, Cr3, Nef, Arw, Raf, Orf, Rw2, Pef, Other };
RawKind DetectRawKind(const uint8_t* data, size_t size);

// The embedded preview of a RAW file, found without developing anything:
// a JPEG's bytes, or 8-bit RGB lines, as stored; the EXIF orientation that
// shows them (and the developed picture) upright; the developed picture's
// upright size.
struct RawPreview {
    bool jpeg = false;
    std::vector<uint8_t> bytes;
    int width = 0; // of a bitmap preview
    int height = 0;
    int orientation = 1;
    int fullWidth = 0;
    int fullHeight = 0;
};
// False when the file has no preview LibRaw can hand back; throws
// CTextException for a file LibRaw cannot open.
bool ReadRawPreview(const uint8_t* data, size_t size, RawPreview& preview);
// The same, read from the file itself: only its head, its directories and
// the preview are read, not the sensor data, so a large RAW file shows at
// once. False also for a file whose head does not say RAW.
bool ReadRawPreviewOfFile(const std::string& path, RawPreview& preview);

class CRawDecoder : public CPicDecoder {
  protected:
    void DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source) override;
};
