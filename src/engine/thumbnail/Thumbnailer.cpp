#include "engine/thumbnail/Thumbnailer.h"

#include "engine/edit/GeometryOps.h"
#include "engine/picture/ColourTransform.h"
#include "engine/picture/FileSource.h"
#include "engine/picture/Orientation.h"
#include "engine/picture/TextException.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace {

constexpr uint16_t kTagThumbnailOffset = 0x0201; // JPEGInterchangeFormat
constexpr uint16_t kTagThumbnailLength = 0x0202; // JPEGInterchangeFormatLength
constexpr uint16_t kTypeLong = 4;
constexpr size_t kIfdEntrySize = 12;
// An EXIF thumbnail whose shape differs from the picture's by more than this
// share carries bars (a 4:3 thumbnail of a 16:9 photograph).
constexpr double kShapeTolerance = 0.02;
constexpr const char* kTextEmptyPicture = "The picture is empty.";

struct JpegFrame {
    int width = 0;
    int height = 0;
    bool progressive = false;
};

// The size recorded in the first start-of-frame segment; 0 x 0 for none.
JpegFrame ReadJpegFrame(const uint8_t* data, size_t size)
{
    JpegFrame frame;
    VisitJpegSegments(data, size, [&frame](uint8_t marker, ByteView payload) {
        // SOF0 to SOF15 but DHT (C4), JPG (C8) and DAC (CC).
        if (marker < 0xC0 || marker > 0xCF || marker == 0xC4 || marker == 0xC8 || marker == 0xCC)
            return false;
        if (payload.size() >= 5) {
            frame.height = int(LoadBE16(payload, 1));
            frame.width = int(LoadBE16(payload, 3));
            frame.progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
        }
        return true;
    });
    return frame;
}

// The ICC profile of a JPEG's APP2 segments, null for none: the EXIF
// thumbnail is in the picture's colours but carries no profile of its own.
ColourProfilePtr ReadJpegProfile(const uint8_t* data, size_t size)
{
    std::vector<std::pair<const uint8_t*, size_t>> markers;
    VisitJpegSegments(data, size, [&markers](uint8_t marker, ByteView payload) {
        if (marker == 0xE2)
            markers.emplace_back(payload.data(), payload.size());
        return false;
    });
    std::vector<uint8_t> icc = AssembleJpegIccSegments(markers);
    return icc.empty() ? nullptr : MakeIccProfile(std::move(icc));
}

// The JPEG thumbnail the EXIF block's second image directory points at;
// empty when there is none or it does not lie within the block.
ByteView FindExifThumbnail(ByteView tiff)
{
    if (tiff.size() < 8 || !((tiff[0] == 'I' && tiff[1] == 'I') || (tiff[0] == 'M' && tiff[1] == 'M')))
        return {};
    const bool big = tiff[0] == 'M';
    auto u16 = [&](size_t at) { return big ? LoadBE16(tiff, at) : LoadLE16(tiff, at); };
    auto u32 = [&](size_t at) { return big ? LoadBE32(tiff, at) : LoadLE32(tiff, at); };
    try {
        const size_t ifd0 = u32(4);
        const size_t next = ifd0 + 2 + size_t(u16(ifd0)) * kIfdEntrySize;
        const size_t ifd1 = u32(next);
        if (ifd1 == 0)
            return {};
        const size_t count = u16(ifd1);
        size_t offset = 0, length = 0;
        for (size_t i = 0; i < count; ++i) {
            const size_t entry = ifd1 + 2 + i * kIfdEntrySize;
            const uint16_t tag = u16(entry);
            if ((tag != kTagThumbnailOffset && tag != kTagThumbnailLength) || u16(entry + 2) != kTypeLong ||
                u32(entry + 4) != 1)
                continue;
            (tag == kTagThumbnailOffset ? offset : length) = u32(entry + 8);
        }
        if (offset == 0 || length < 4 || offset > tiff.size() || length > tiff.size() - offset)
            return {};
        return tiff.subspan(offset, length);
    } catch (const CTextException&) {
        return {}; // an offset past the block's end
    }
}

const char* MimeTypeOf(int format, const std::string& name)
{
    const PictureFormatInfo* row = FindPictureFormat(format);
    if (row == nullptr)
        return "application/octet-stream";
    // The kind the file's extension names, when it is one of the format's.
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos) {
        std::string extension = name.substr(dot + 1);
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        for (const FileKind& kind : row->kinds)
            for (const char* e : kind.extensions)
                if (e != nullptr && extension == e && kind.mimeType != nullptr)
                    return kind.mimeType;
    }
    return row->kinds[0].mimeType != nullptr ? row->kinds[0].mimeType : "application/octet-stream";
}

} // namespace

const ThumbnailSize* ThumbnailSizeNamed(std::string_view name)
{
    for (const ThumbnailSize& size : kThumbnailSizes)
        if (name == size.name)
            return &size;
    return nullptr;
}

const ThumbnailSize& ThumbnailSizeFor(int pixels)
{
    for (const ThumbnailSize& size : kThumbnailSizes)
        if (size.pixels >= pixels)
            return size;
    return kThumbnailSizes.back();
}

FitDimensions FitThumbnail(int width, int height, int box)
{
    if (width <= 0 || height <= 0 || box <= 0)
        return {};
    if (width <= box && height <= box)
        return {width, height};
    const int64_t longSide = std::max(width, height);
    // Rounded to the nearest pixel, at least one.
    auto scaled = [&](int side) {
        return int(std::max<int64_t>(1, (int64_t(side) * box + longSide / 2) / longSide));
    };
    return {std::min(scaled(width), width), std::min(scaled(height), height)};
}

void CThumbnailer::SetAbortFlag(const std::atomic<bool>* flag)
{
    m_jpeg.SetAbortFlag(flag);
    m_exifJpeg.SetAbortFlag(flag);
    m_any.SetAbortFlag(flag);
}

ThumbnailSource CThumbnailer::MakeFromFile(const std::string& path, int box, CWinBmp& out)
{
    CFileSource source;
    const int result = source.Open(path);
    if (result != 0)
        throw CTextException(result, FileFailureText(source.GetFailure()));
    return Make(source, box, out);
}

ThumbnailSource CThumbnailer::Make(CDataSource& source, int box, CWinBmp& out)
{
    ThumbnailSource made;
    const uint8_t* data = source.GetStart();
    const size_t size = source.GetSize();
    made.format = CAnyPicDecoder::DetectFormat(data, size) == kDetectedNone
                      ? FormatNone
                      : CAnyPicDecoder::Detect(data, size)->format;
    made.mimeType = MimeTypeOf(made.format, source.GetName());
    const JpegFrame frame = made.format == FormatJPEG ? ReadJpegFrame(data, size) : JpegFrame{};
    if (frame.width > 0 && frame.height > 0) {
        const int orientation = ReadJpegOrientation(data, size);
        const bool turned = OrientationSwapsSides(orientation);
        made.width = turned ? frame.height : frame.width;
        made.height = turned ? frame.width : frame.height;
        if (FromExifThumbnail(source, box, made.width, made.height, orientation, out)) {
            made.fromExif = true;
            out.SetColourProfile(ReadJpegProfile(data, size));
            vkcolour::ConvertToSrgb(out);
            return made;
        }
        source.Seek(0);
        DecodeJpegReduced(source, frame.width, frame.height, frame.progressive, orientation, box);
    } else if (!FromRawPreview(source, box, made)) {
        source.Seek(0);
        // A RAW file without a JPEG preview gives its bitmap preview, if any.
        m_any.SetChoice({.page = 0, .preview = true});
        m_any.Decode(source, m_decoded, 32);
        const CPicDecoder::Found& found = m_any.GetFound();
        made.width = found.preview ? found.fullWidth : m_decoded.GetWidth();
        made.height = found.preview ? found.fullHeight : m_decoded.GetHeight();
    }
    ColourProfilePtr profile = m_decoded.GetColourProfile();
    Reduce(m_decoded, box, out);
    // The desktop's thumbnails are sRGB: a wide-gamut picture's is turned
    // into it here, on the reduced pixels.
    out.SetColourProfile(std::move(profile));
    vkcolour::ConvertToSrgb(out);
    return made;
}

void CThumbnailer::DecodeJpegReduced(CDataSource& jpeg, int storedWidth, int storedHeight, bool progressive,
                                     int orientation, int box)
{
    // The largest reduction whose picture still covers the thumbnail.
    const bool turned = OrientationSwapsSides(orientation);
    const int width = turned ? storedHeight : storedWidth, height = turned ? storedWidth : storedHeight;
    const FitDimensions fit = FitThumbnail(width, height, box);
    int denominator = 1;
    for (int d : {8, 4, 2})
        if ((width + d - 1) / d >= fit.width && (height + d - 1) / d >= fit.height) {
            denominator = d;
            break;
        }
    m_jpeg.SetScaleChooser([denominator](int, int) { return denominator; });
    m_jpeg.SetOrientation(orientation);
    // At an eighth only the DC coefficients count, and a progressive
    // file's first scan holds them.
    if (denominator == 8 && progressive)
        m_jpeg.SetFirstScanOnly();
    m_jpeg.Decode(jpeg, m_decoded, 32);
}

bool CThumbnailer::FromRawPreview(CDataSource& source, int box, ThumbnailSource& made)
{
    if (DetectRawKind(source.GetStart(), source.GetSize()) == RawKind::None)
        return false;
    RawPreview preview;
    if (!ReadRawPreview(source.GetStart(), source.GetSize(), preview) || !preview.jpeg)
        return false;
    const JpegFrame frame = ReadJpegFrame(preview.bytes.data(), preview.bytes.size());
    if (frame.width <= 0 || frame.height <= 0)
        return false;
    try {
        CMemSource jpeg(preview.bytes.data(), preview.bytes.size(), source.GetName());
        DecodeJpegReduced(jpeg, frame.width, frame.height, frame.progressive, preview.orientation, box);
    } catch (const CTextException& e) {
        if (e.GetCode() == ErrAborted || e.GetCode() == ErrNoMemory)
            throw;
        return false; // a damaged preview: the RAW decoder tries again
    }
    made.width = preview.fullWidth;
    made.height = preview.fullHeight;
    return true;
}

bool CThumbnailer::FromExifThumbnail(CDataSource& source, int box, int width, int height, int orientation,
                                     CWinBmp& out)
{
    const ByteView exif = FindJpegExif(source.GetStart(), source.GetSize());
    const ByteView thumb = FindExifThumbnail(exif);
    if (thumb.empty())
        return false;
    const JpegFrame frame = ReadJpegFrame(thumb.data(), thumb.size());
    const bool turned = OrientationSwapsSides(orientation);
    const int tw = turned ? frame.height : frame.width, th = turned ? frame.width : frame.height;
    const FitDimensions fit = FitThumbnail(width, height, box);
    if (tw < fit.width || th < fit.height)
        return false;
    const double shape = double(width) / height, thumbShape = double(tw) / th;
    if (std::abs(shape - thumbShape) > kShapeTolerance * shape)
        return false;
    try {
        CMemSource thumbSource(thumb.data(), thumb.size(), source.GetName());
        m_exifJpeg.SetOrientation(orientation);
        m_exifJpeg.Decode(thumbSource, m_decoded, 32);
    } catch (const CTextException& e) {
        if (e.GetCode() == ErrAborted)
            throw;
        return false; // a damaged thumbnail: the picture itself serves
    }
    // Reduced to the picture's own fit so its shape is the picture's.
    if (m_decoded.GetWidth() < fit.width || m_decoded.GetHeight() < fit.height)
        return false;
    if (m_decoded.GetWidth() == fit.width && m_decoded.GetHeight() == fit.height) {
        out.Swap(m_decoded);
        return true;
    }
    out.Create(fit.width, fit.height, 32, false);
    ResizePixels(m_decoded, out);
    return true;
}

void CThumbnailer::Reduce(CWinBmp& picture, int box, CWinBmp& out)
{
    const FitDimensions fit = FitThumbnail(picture.GetWidth(), picture.GetHeight(), box);
    if (fit.width == 0 || fit.height == 0)
        throw CTextException(ErrBadFormat, kTextEmptyPicture);
    if (picture.GetBitsPerPixel() != 32)
        throw CTextException(ErrInternal, kTextInternalError);
    if (fit.width == picture.GetWidth() && fit.height == picture.GetHeight()) {
        out.Swap(picture);
        return;
    }
    out.Create(fit.width, fit.height, 32, picture.HasAlphaChannel());
    ResizePixels(picture, out);
}
