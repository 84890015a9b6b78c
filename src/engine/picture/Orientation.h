// The EXIF orientation of a picture file: read from the bytes with bounded
// reads only, and applied to a decoded picture so that it shows upright.
#pragma once

#include "engine/picture/Bmp.h"
#include "engine/picture/ByteOrder.h"

#include <cstddef>
#include <cstdint>
#include <functional>

// EXIF orientation values: how the stored pixels must be turned to show the
// picture upright. Anything missing, damaged or out of range counts as
// OrientUpright.
enum Orientation : int {
    OrientUpright = 1,  // as stored
    OrientMirrored = 2, // left and right exchanged
    OrientTurned180 = 3,
    OrientFlipped = 4,     // top and bottom exchanged
    OrientTransposed = 5,  // mirrored about the top-left to bottom-right diagonal
    OrientTurnedRight = 6, // turn 90 degrees clockwise to show
    OrientTransversed = 7, // mirrored about the other diagonal
    OrientTurnedLeft = 8,  // turn 90 degrees counter-clockwise to show
};

// Most pages of a TIFF file that are read.
inline constexpr int kMaxTiffPages = 65535;
// The orientation tag (0x0112) of image directory `page` (0 the first) of a
// TIFF-laid-out block ("II*\0" or "MM\0*" and what follows), as a TIFF file
// and an EXIF block both are. Every offset and count is checked against `size`.
int ReadTiffOrientation(const uint8_t* data, size_t size, int page = 0);
// The orientation of a JPEG file from its first APP1 "Exif" segment before
// the image data.
int ReadJpegOrientation(const uint8_t* data, size_t size);

// Calls `visit` with each marker segment of a JPEG file before its image
// data, payload without the length, until it returns true; a damaged
// segment ends the walk.
void VisitJpegSegments(const uint8_t* data, size_t size,
                       const std::function<bool(uint8_t marker, ByteView payload)>& visit);
// The TIFF-laid-out block of the first APP1 "Exif" segment, empty for none.
ByteView FindJpegExif(const uint8_t* data, size_t size);
// The orientation of a PNG file from its eXIf chunk.
int ReadPngOrientation(const uint8_t* data, size_t size);

// True for the orientations whose upright picture has width and height
// exchanged (5 to 8).
inline bool OrientationSwapsSides(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

// Turns and mirrors a decoded 8- or 32-bit picture so that it shows upright;
// other depths and OrientUpright are left as they are. A quarter turn needs
// a second picture of the same size for a moment (ErrNoMemory when it cannot
// be had; the picture is then unchanged).
void ApplyOrientation(CBmp& bmp, int orientation);

// For decoders that turn the picture as they go, in one pass: writes
// `count` decoded lines (`lines`, stored lines `first` on, of a stored
// picture of width x height) to where they belong in `dest`, an 8- or
// 32-bit picture of the upright size. Anything else writes nothing.
void PlaceLinesUpright(const uint8_t* const* lines, int first, int count, int width, int height,
                       int orientation, CBmp& dest);
