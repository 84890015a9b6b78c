// CThumbnailer: the thumbnail of a picture file at one of the desktop's
// sizes. A JPEG is decoded at a reduced scale through the DCT, or taken
// from its EXIF thumbnail when that is large enough; other formats are
// decoded whole. Either way the picture is turned upright and reduced by
// averaging areas to fit a square of the size, never enlarged.
#pragma once

#include "engine/picture/AnyPicDecoder.h"
#include "engine/picture/JPEGDecoder.h"
#include "engine/picture/RawDecoder.h"
#include "engine/picture/WinBmp.h"

#include <array>
#include <atomic>
#include <string>
#include <string_view>

// The sizes of the freedesktop thumbnail cache: the name of each is also its
// folder there.
struct ThumbnailSize {
    const char* name;
    int pixels;
};
inline constexpr std::array<ThumbnailSize, 4> kThumbnailSizes{{
    {"normal", 128},
    {"large", 256},
    {"x-large", 512},
    {"xx-large", 1024},
}};
// The row of a size name, nullptr for none.
const ThumbnailSize* ThumbnailSizeNamed(std::string_view name);
// The smallest row at least `pixels` wide (the largest when none is).
const ThumbnailSize& ThumbnailSizeFor(int pixels);

// Width and height that fit a square of `box` with the picture's shape,
// at least 1 x 1 and never larger than the picture.
struct FitDimensions {
    int width = 0;
    int height = 0;
};
FitDimensions FitThumbnail(int width, int height, int box);

// What a thumbnail was made from.
struct ThumbnailSource {
    int width = 0; // the picture's size, upright
    int height = 0;
    int format = FormatNone; // as detected
    const char* mimeType = "application/octet-stream";
    bool fromExif = false; // the EXIF thumbnail served
};

class CThumbnailer {
  public:
    // Decodes check the flag; a raised flag ends Make with ErrAborted.
    void SetAbortFlag(const std::atomic<bool>* flag);

    // The thumbnail of the file's bytes as a 32-bit picture in `out`.
    // Throws CTextException for anything that cannot be read.
    ThumbnailSource Make(CDataSource& source, int box, CWinBmp& out);
    ThumbnailSource MakeFromFile(const std::string& path, int box, CWinBmp& out);

  private:
    bool FromExifThumbnail(CDataSource& source, int box, int width, int height, int orientation,
                           CWinBmp& out);
    void Reduce(CWinBmp& picture, int box, CWinBmp& out);
    // Decodes a JPEG at the smallest DCT scale that still covers the
    // thumbnail, turned upright, into m_decoded.
    void DecodeJpegReduced(CDataSource& jpeg, int storedWidth, int storedHeight, bool progressive,
                           int orientation, int box);
    // A RAW file's JPEG preview, decoded that way into m_decoded; false
    // for anything else.
    bool FromRawPreview(CDataSource& source, int box, ThumbnailSource& made);

    CJPEGDecoder m_jpeg;
    CJPEGDecoder m_exifJpeg;
    CAnyPicDecoder m_any;
    CWinBmp m_decoded;
};
