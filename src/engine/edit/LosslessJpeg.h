// Turning a JPEG without decoding it: libjpeg-turbo's transform moves the
// DCT blocks, so the picture loses nothing. The camera data goes along with
// the orientation set to 1, the pixel dimensions set to the new size and no
// EXIF thumbnail; the file is replaced through COutputFile.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class JpegTurn {
    Rotate90, // clockwise, as the picture shows
    Rotate180,
    Rotate270,
    FlipHorizontal, // about the horizontal axis: top and bottom change places, as the edit does
    FlipVertical,   // about the vertical axis: left and right change places
    Transpose,
    Upright, // as the EXIF orientation says
};

enum class JpegTurnResult {
    Turned,
    AlreadyUpright, // Upright on a picture stored upright: nothing written
    NeedsTrim,      // edge blocks that cannot move; nothing written
};

// The turn as the picture shows: a file with an EXIF orientation is turned
// from its upright look, so Rotate90 on a file stored sideways gives what
// the viewer showed turned a quarter clockwise. Partial blocks at the right
// or bottom edge that the turn would move inside are dropped only with
// trim; without it the answer is NeedsTrim. Throws CTextException for a
// file that is no JPEG libjpeg-turbo can turn, and when writing fails.
JpegTurnResult TurnJpegBytes(const std::vector<uint8_t>& in, JpegTurn turn, bool trim,
                             std::vector<uint8_t>& out);
// The same on the file at path, replaced in place when turned.
JpegTurnResult TurnJpegFile(const std::string& path, JpegTurn turn, bool trim);
