#include "engine/picture/PNGDecoder.h"

#include "engine/picture/ByteOrder.h"

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <vector>

#include <png.h>

// libpng reports fatal errors through an error routine that must not return.
// Ours longjmps to the setjmp of the step that called the library; those
// steps hold only plain data, so the jump skips no destructor. Creating the
// bitmap and raising errors happen outside them.

namespace {

constexpr const char* kTextCannotCreate = "Cannot create PNG read structures.";
constexpr size_t kSignatureSize = 8;
constexpr size_t kPixelDataRead = 256;

struct ReadState {
    CDataSource* source = nullptr;
    size_t readLimit = 0; // bytes from the start that may be read
    size_t consumed = 0;
    bool endOfFile = false;
    bool abandoned = false;
    size_t rowsRead = 0; // rows handed over by the library, every pass counted
    char message[256] = {};
};

ReadState& StateOf(png_structp png)
{
    return *static_cast<ReadState*>(png_get_error_ptr(png));
}

void ErrorRoutine(png_structp png, png_const_charp message)
{
    ReadState& state = StateOf(png);
    std::snprintf(state.message, sizeof state.message, "%s", message ? message : "");
    png_longjmp(png, 1);
}

void WarningRoutine(png_structp, png_const_charp message)
{
    Trace(2, "%s\n", message ? message : "");
}

// Reads with the data source's end check; running past the end is the
// source's end-of-file error, raised once libpng has been left.
void ReadRoutine(png_structp png, png_bytep out, size_t n)
{
    ReadState& state = *static_cast<ReadState*>(png_get_io_ptr(png));
    if (n > state.source->GetRemaining() || n > state.readLimit - state.consumed) {
        state.endOfFile = true;
        png_error(png, kTextEndOfFile);
    }
    std::memcpy(out, state.source->ReadBytes(n), n);
    state.consumed += n;
}

// Called by libpng after every row of every pass: an abandoned decode
// leaves the library through its error routine.
void RowRoutine(png_structp png, png_uint_32, int)
{
    ++StateOf(png).rowsRead;
    if (DecodeAbandoned()) {
        StateOf(png).abandoned = true;
        png_error(png, kTextAborted);
    }
}

// libpng allocates and clears a whole ancillary chunk before reading its
// data, so a short file claiming a gigabyte text chunk would cost a
// gigabyte first. Reading stops at the header of the first chunk that runs
// past the end of the file: the end-of-file error it would reach anyway,
// without the allocation. Pixel data is read as it goes, never held whole:
// a cut short IDAT is read up to the end, for the rows it still holds.
size_t FirstOverlongChunk(const uint8_t* data, size_t size)
{
    size_t offset = kSignatureSize;
    while (offset <= size && size - offset >= 8) {
        const uint64_t length = LoadBE32(ByteView(data, size), offset);
        if (length + 12 > size - offset)
            return std::memcmp(data + offset + 4, "IDAT", 4) == 0 ? size : offset;
        if (std::memcmp(data + offset + 4, "IEND", 4) == 0)
            break;
        offset += size_t(length) + 12;
    }
    return size;
}

struct Header {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colorType = 0;
    bool interlaced = false;
    bool hasTransparency = false;
};

bool ReadInfo(png_structp png, png_infop info, Header& header)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    int interlace = 0;
    png_get_IHDR(png, info, &header.width, &header.height, &header.bitDepth, &header.colorType, &interlace,
                 nullptr, nullptr);
    header.interlaced = interlace != PNG_INTERLACE_NONE;
    header.hasTransparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    return true;
}

// iCCP first, then sRGB, then gAMA with or without cHRM; libpng has
// checked each chunk (a bad one is dropped with a warning).
ColourProfilePtr ColourProfileOf(png_structp png, png_infop info)
{
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 length = 0;
    if (png_get_iCCP(png, info, &name, &compression, &profile, &length) && profile && length > 0)
        return MakeIccProfile(std::vector<uint8_t>(profile, profile + length));
    int intent = 0;
    if (png_get_sRGB(png, info, &intent))
        return MakeSrgbProfile();
    double gamma = 0;
    const bool hasGamma = png_get_gAMA(png, info, &gamma) && gamma > 0;
    double c[8] = {};
    const bool hasChromaticities =
        png_get_cHRM(png, info, &c[0], &c[1], &c[2], &c[3], &c[4], &c[5], &c[6], &c[7]);
    if (!hasGamma && !hasChromaticities)
        return nullptr;
    return MakeGammaProfile(hasGamma ? gamma : 0, hasChromaticities ? c : nullptr);
}

struct Transforms {
    bool grayToRgb = false;
    bool expand = false;
    bool bgrAndFiller = false; // 32-bit destination
    bool filler = false;       // no alpha of its own
    bool stripAlpha = false;   // red, green and blue only
};

bool ApplyTransforms(png_structp png, png_infop info, const Header& header, const Transforms& t,
                     size_t& rowBytes)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    if (t.grayToRgb)
        png_set_gray_to_rgb(png);
    if (t.expand)
        png_set_expand(png);
    if (t.bgrAndFiller) {
        png_set_bgr(png);
        if (t.filler)
            png_set_filler(png, 255, PNG_FILLER_AFTER);
    }
    if (t.stripAlpha)
        png_set_strip_alpha(png);
    if (header.bitDepth == 16)
        png_set_strip_16(png);
    if (header.bitDepth < 8)
        png_set_packing(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    rowBytes = png_get_rowbytes(png, info);
    return true;
}

bool ReadImage(png_structp png, uint8_t** lines)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, lines);
    png_read_end(png, nullptr);
    return true;
}

// The next `count` rows of a file without interlace.
bool ReadRows(png_structp png, uint8_t** rows, png_uint_32 count)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_rows(png, rows, nullptr, count);
    return true;
}

bool ReadEnd(png_structp png)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_end(png, nullptr);
    return true;
}

class ReadStructs {
  public:
    explicit ReadStructs(ReadState& state)
    {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, ErrorRoutine, WarningRoutine);
        if (png)
            info = png_create_info_struct(png);
    }
    ~ReadStructs() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
    ReadStructs(const ReadStructs&) = delete;
    ReadStructs& operator=(const ReadStructs&) = delete;

    png_structp png = nullptr;
    png_infop info = nullptr;
};

// The rows of a file without interlace to `sink` band by band, the
// transforms applied. A file that breaks off after some rows is written
// whole with the rest black, as a decoded bitmap would be, with a warning.
template <class Fail>
void StreamRows(png_structp png, ReadState& state, int width, int height, CRowSink& sink, Fail libraryError)
{
    sink.Begin(width, height);
    constexpr int kBandLines = 32;
    const size_t lineBytes = size_t(width) * 3;
    std::vector<uint8_t> storage(lineBytes * kBandLines);
    uint8_t* band[kBandLines];
    for (int i = 0; i < kBandLines; ++i)
        band[i] = storage.data() + size_t(i) * lineBytes;
    bool damaged = false;
    for (int y = 0; y < height;) {
        const int count = std::min(kBandLines, height - y);
        if (!ReadRows(png, band, png_uint_32(count))) {
            if (state.abandoned || state.rowsRead == 0)
                libraryError();
            const int good = int(state.rowsRead) - y;
            if (good > 0)
                sink.Rows(band, good);
            std::fill(storage.begin(), storage.end(), uint8_t(0));
            for (y += std::max(good, 0); y < height; y += std::min(kBandLines, height - y))
                sink.Rows(band, std::min(kBandLines, height - y));
            damaged = true;
            break;
        }
        sink.Rows(band, count);
        y += count;
    }
    if (!damaged && !ReadEnd(png)) {
        if (state.abandoned)
            libraryError();
        damaged = true;
    }
    if (damaged)
        Warn(kTextDamaged);
    sink.End();
}

} // namespace

void CPNGDecoder::DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source)
{
    ReadState state;
    state.source = &source;
    ReadStructs structs(state);
    if (!structs.png || !structs.info)
        RaiseError(ErrNoMemory, kTextCannotCreate);
    png_structp png = structs.png;
    png_infop info = structs.info;
    auto libraryError = [&state]() {
        if (state.abandoned)
            throw CTextException(ErrAborted, kTextAborted);
        if (state.endOfFile)
            throw CTextException(ErrEndOfFile, kTextEndOfFile);
        RaiseError(ErrBadFormat, state.message);
    };
    png_set_read_fn(png, &state, ReadRoutine);
    png_set_read_status_fn(png, RowRoutine);
    // Pixel data in small reads, so a file cut short still gives the rows
    // before the cut (a read past the end fails whole).
    png_set_compression_buffer_size(png, kPixelDataRead);
    state.readLimit = FirstOverlongChunk(source.GetPosition(), source.GetRemaining());

    Header header;
    if (!ReadInfo(png, info, header))
        libraryError();
    CheckPictureSize(header.width, header.height);

    int sourceDepth = 8;
    int depth = 32;
    bool hasAlpha = false;
    Transforms t;
    switch (header.colorType) {
    case PNG_COLOR_TYPE_GRAY:
        depth = wantedDepth == 32 ? 32 : ResolveTargetDepth(8, wantedDepth);
        t.grayToRgb = t.expand = depth == 32;
        break;
    case PNG_COLOR_TYPE_RGB:
        sourceDepth = 24;
        break;
    case PNG_COLOR_TYPE_PALETTE:
        depth = wantedDepth == 32 || header.bitDepth == 16 ? 32 : 8;
        t.expand = depth == 32;
        break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        t.grayToRgb = t.expand = true;
        hasAlpha = true;
        break;
    default: // RGBA
        sourceDepth = 32;
        hasAlpha = true;
        break;
    }
    wantedDepth = depth;
    // A transparency chunk becomes an alpha channel when expanded.
    if (depth == 32 && header.hasTransparency && !hasAlpha) {
        t.expand = true;
        hasAlpha = true;
    }
    t.bgrAndFiller = depth == 32;
    t.filler = !hasAlpha;

    CRowSink* sink = GetRowSink();
    if (sink && depth == 32 && !header.interlaced) {
        // Red, green and blue as the writer stores them; the alpha is not
        // written.
        t.bgrAndFiller = t.filler = false;
        t.stripAlpha = hasAlpha;
        size_t rowBytes = 0;
        if (!ApplyTransforms(png, info, header, t, rowBytes))
            libraryError();
        if (rowBytes != size_t(header.width) * 3)
            RaiseError(ErrInternal, "Internal error.");
        StreamRows(png, state, int(header.width), int(header.height), *sink, libraryError);
        return;
    }

    size_t rowBytes = 0;
    if (!ApplyTransforms(png, info, header, t, rowBytes))
        libraryError();
    bmp.Create(int(header.width), int(header.height), uint16_t(depth), hasAlpha);
    bmp.SetSourceBitsPerPixel(sourceDepth);
    bmp.SetColourProfile(ColourProfileOf(png, info));
    // libpng writes rowBytes into every line; they must fit.
    if (rowBytes > size_t(bmp.GetLineBytes()))
        RaiseError(ErrInternal, "Internal error.");

    if (depth == 8) {
        PaletteEntry* entries = AllocPalette(palette);
        if (header.colorType == PNG_COLOR_TYPE_PALETTE) {
            png_colorp colors = nullptr;
            int count = 0;
            if (png_get_PLTE(png, info, &colors, &count) && colors) {
                for (int i = 0; i < count && i < 256; ++i)
                    entries[i] = PaletteEntry{colors[i].blue, colors[i].green, colors[i].red, 255};
            }
        } else {
            // 16-bit gray has been stripped to 8 bits by now.
            int levels = 1 << (header.bitDepth > 8 ? 8 : header.bitDepth);
            for (int i = 0; i < levels; ++i) {
                auto v = uint8_t(i * 255 / (levels - 1));
                entries[i] = PaletteEntry{v, v, v, 255};
            }
        }
        bmp.SetPalette(entries);
    }

    // The passes of an interlaced file fill every line bit by bit: a file
    // cut short leaves holes, which are to be blank rather than stale memory.
    const size_t lineBytes = size_t(bmp.GetLineBytes());
    if (header.interlaced)
        for (png_uint_32 y = 0; y < header.height; ++y)
            std::memset(bmp.GetLines()[y], 0, lineBytes);
    if (!ReadImage(png, bmp.GetLines())) {
        if (state.abandoned || state.rowsRead == 0)
            libraryError();
        // Part of the picture came through (or all of it, before a damaged
        // end): shown, with a warning; the lines never read are blank.
        if (!header.interlaced)
            for (size_t y = state.rowsRead; y < header.height; ++y)
                std::memset(bmp.GetLines()[y], 0, lineBytes);
        Warn(kTextDamaged);
    }
}
