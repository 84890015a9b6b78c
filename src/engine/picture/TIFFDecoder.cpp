#include "engine/picture/TIFFDecoder.h"

#include "engine/picture/Orientation.h"

#include <algorithm>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include <tiffio.h>

namespace {

constexpr const char* kTextOutOfMemoryBuffer = "Out of memory allocating TIFF buffer.";
constexpr const char* kTextOutOfMemoryPalette = "Out of memory allocating TIFF palette.";
constexpr const char* kTextEmptyImage = "Image has no pixels.";
constexpr const char* kTextWriteDisabled = "TIFFOpen: Function disabled.";
constexpr const char* kTextUnexpectedPhotometric =
    "unexpected PhotometricInterpretation in CTIFFDecoder::DoLoColor()";
constexpr const char* kTextUnexpectedBitDepth = "unexpected bit-depth in CTIFFDecoder::DoLoColor()";

// Largest single block libtiff may allocate for a strip or tile.
constexpr tmsize_t kMaxLibraryAlloc = tmsize_t(1) << 30;

// The TIFF data from the source's position to the end of the file image.
// Error texts are kept per decode (not in libtiff's process-wide handler),
// so two decodes on two threads do not mix them up.
struct MemClient {
    const uint8_t* data = nullptr;
    uint64_t offset = 0;
    uint64_t size = 0;
    char message[256] = {};
};

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t n)
{
    auto* c = static_cast<MemClient*>(handle);
    if (n <= 0 || c->offset >= c->size)
        return 0;
    uint64_t count = std::min<uint64_t>(uint64_t(n), c->size - c->offset);
    std::memcpy(buffer, c->data + c->offset, size_t(count));
    c->offset += count;
    return tmsize_t(count);
}

tmsize_t WriteProc(thandle_t handle, void*, tmsize_t)
{
    auto* c = static_cast<MemClient*>(handle);
    std::snprintf(c->message, sizeof c->message, "%s", kTextWriteDisabled);
    return 0;
}

// Offsets are those of lseek: from the end they are added to the size.
toff_t SeekProc(thandle_t handle, toff_t offset, int whence)
{
    auto* c = static_cast<MemClient*>(handle);
    int64_t base = whence == SEEK_CUR ? int64_t(c->offset) : whence == SEEK_END ? int64_t(c->size) : 0;
    int64_t target = base + int64_t(offset);
    if (target < 0)
        return toff_t(-1);
    c->offset = uint64_t(target);
    return c->offset;
}

int CloseProc(thandle_t)
{
    return 0;
}
toff_t SizeProc(thandle_t handle)
{
    return static_cast<MemClient*>(handle)->size;
}
// The file image is already in memory; handing it to libtiff as a mapping
// spares a copy of every strip, and libtiff 4.5 refuses uncompressed tiles
// read through the copying path (its buffer is rounded up past the tile).
int MapProc(thandle_t handle, void** base, toff_t* size)
{
    auto* c = static_cast<MemClient*>(handle);
    *base = const_cast<uint8_t*>(c->data);
    *size = c->size;
    return 1;
}
void UnmapProc(thandle_t, void*, toff_t) {}

int ErrorHandler(TIFF*, void* user, const char*, const char* format, va_list args)
{
    auto* c = static_cast<MemClient*>(user);
    std::vsnprintf(c->message, sizeof c->message, format, args);
    return 1;
}

int WarningHandler(TIFF*, void*, const char*, const char* format, va_list args)
{
    if (GetTraceLevel() >= 2) {
        char text[256];
        std::vsnprintf(text, sizeof text, format, args);
        Trace(2, "Warning in LIBTIFF: %s\n", text);
    }
    return 1;
}

class TiffFile {
  public:
    explicit TiffFile(MemClient& client)
    {
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        if (!options)
            return;
        TIFFOpenOptionsSetErrorHandlerExtR(options, ErrorHandler, &client);
        TIFFOpenOptionsSetWarningHandlerExtR(options, WarningHandler, &client);
        TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxLibraryAlloc);
        tif = TIFFClientOpenExt("MemSource", "r", &client, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc,
                                MapProc, UnmapProc, options);
        TIFFOpenOptionsFree(options);
    }
    ~TiffFile()
    {
        if (tif)
            TIFFClose(tif);
    }
    TiffFile(const TiffFile&) = delete;
    TiffFile& operator=(const TiffFile&) = delete;

    TIFF* tif = nullptr;
};

// The RGBA interface reads the whole picture in one call and hands it on
// strip by strip (or tile by tile) through its put routine. Ours checks for
// an abandoned decode first; once abandoned it puts nothing more and sends
// the next read out of range, which ends the call early.
class RgbaImage {
  public:
    RgbaImage() { std::memset(&img, 0, sizeof img); }
    ~RgbaImage()
    {
        if (begun)
            TIFFRGBAImageEnd(&img);
    }
    RgbaImage(const RgbaImage&) = delete;
    RgbaImage& operator=(const RgbaImage&) = delete;

    TIFFRGBAImage img; // first member: libtiff hands its address to the put routine
    bool begun = false;
    bool abandoned = false;
    tileContigRoutine contig = nullptr;
    tileSeparateRoutine separate = nullptr;
};

bool StillWanted(TIFFRGBAImage* img)
{
    auto* rgba = reinterpret_cast<RgbaImage*>(img);
    if (!rgba->abandoned && DecodeAbandoned()) {
        rgba->abandoned = true;
        img->stoponerr = 1;
        img->row_offset = int(img->height);
    }
    return !rgba->abandoned;
}

void PutContig(TIFFRGBAImage* img, uint32_t* raster, uint32_t x, uint32_t y, uint32_t w, uint32_t h,
               int32_t fromskew, int32_t toskew, unsigned char* pp)
{
    if (StillWanted(img))
        reinterpret_cast<RgbaImage*>(img)->contig(img, raster, x, y, w, h, fromskew, toskew, pp);
}

void PutSeparate(TIFFRGBAImage* img, uint32_t* raster, uint32_t x, uint32_t y, uint32_t w, uint32_t h,
                 int32_t fromskew, int32_t toskew, unsigned char* r, unsigned char* g, unsigned char* b,
                 unsigned char* a)
{
    if (StillWanted(img))
        reinterpret_cast<RgbaImage*>(img)->separate(img, raster, x, y, w, h, fromskew, toskew, r, g, b, a);
}

// libtiff's pixels read as words are 0xAABBGGRR; ours are 0xAARRGGBB.
inline uint32_t SwapRedBlue(uint32_t v)
{
    return (v & 0xFF00FF00u) | (v >> 16 & 0xFFu) | (v & 0xFFu) << 16;
}

void DecodeFullColor(TIFF* tif, MemClient& client, CBmp& bmp)
{
    RgbaImage rgba;
    char emsg[1024] = {};
    if (!TIFFRGBAImageOK(tif, emsg) || !TIFFRGBAImageBegin(&rgba.img, tif, 0, emsg))
        RaiseError(ErrWrongSignature, emsg);
    rgba.begun = true;
    static_assert(offsetof(RgbaImage, img) == 0);
    if (rgba.img.isContig) {
        rgba.contig = rgba.img.put.contig;
        rgba.img.put.contig = rgba.contig ? PutContig : nullptr;
    } else {
        rgba.separate = rgba.img.put.separate;
        rgba.img.put.separate = rgba.separate ? PutSeparate : nullptr;
    }
    const uint32_t width = rgba.img.width;
    const uint32_t height = rgba.img.height;
    CheckPictureSize(width, height);
    if (width == 0 || height == 0)
        RaiseError(ErrWrongSignature, kTextEmptyImage);
    bmp.Create(int(width), int(height), 32, rgba.img.alpha != 0);

    // The raster's first row is the bottom line: exactly the bitmap's own
    // bottom-up block when it has that layout.
    std::vector<uint32_t> buffer;
    uint32_t* raster = nullptr;
    if (IsBottomUpBlock(bmp)) {
        raster = bmp.GetLine32(int(height) - 1);
    } else {
        try {
            buffer.resize(size_t(width) * height);
        } catch (const std::bad_alloc&) {
            RaiseError(ErrNoMemory, kTextOutOfMemoryBuffer);
        }
        raster = buffer.data();
    }
    client.message[0] = '\0';
    const bool read = TIFFRGBAImageGet(&rgba.img, raster, width, height) != 0;
    if (rgba.abandoned)
        throw CTextException(ErrAborted, kTextAborted);
    if (!read)
        RaiseError(ErrWrongSignature, client.message);

    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t* in = raster + size_t(height - 1 - y) * width;
        uint32_t* out = LineToFill32(bmp, int(y));
        for (uint32_t x = 0; x < width; ++x)
            out[x] = SwapRedBlue(in[x]);
    }
}

void DecodeLowColor(TIFF* tif, MemClient& client, CBmp& bmp, PaletteHolder& palette, int& wantedDepth,
                    int bits)
{
    uint32_t width = 0, height = 0;
    uint16_t photometric = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetFieldDefaulted(tif, TIFFTAG_IMAGELENGTH, &height);
    if (!TIFFGetFieldDefaulted(tif, TIFFTAG_PHOTOMETRIC, &photometric))
        photometric = PHOTOMETRIC_MINISBLACK;
    const int depth = bits == 1 ? 1 : 8;
    wantedDepth = depth;
    CheckPictureSize(width, height);
    if (width == 0 || height == 0)
        RaiseError(ErrWrongSignature, kTextEmptyImage);
    bmp.Create(int(width), int(height), uint16_t(depth), false);

    PaletteEntry* entries = nullptr;
    try {
        entries = CPicDecoder::AllocPalette(palette);
    } catch (const std::bad_alloc&) {
        RaiseError(ErrNoMemory, kTextOutOfMemoryPalette);
    }
    // Short palettes stay padded with black up to 256 entries.
    const int count = 1 << bits;
    auto ramp = [count](int i) { return uint8_t(i * 255 / (count - 1)); };
    uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (photometric == PHOTOMETRIC_PALETTE && TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue)) {
        bool wide = false;
        for (int i = 0; i < count; ++i)
            wide = wide || red[i] >= 256 || green[i] >= 256 || blue[i] >= 256;
        auto scale = [wide](uint16_t v) { return uint8_t(wide ? uint32_t(v) * 255 / 65535 : v); };
        for (int i = 0; i < count; ++i)
            entries[i] = PaletteEntry{scale(blue[i]), scale(green[i]), scale(red[i]), 255};
    } else {
        if (photometric != PHOTOMETRIC_MINISBLACK && photometric != PHOTOMETRIC_MINISWHITE)
            Trace(2, "%s", kTextUnexpectedPhotometric);
        for (int i = 0; i < count; ++i) {
            uint8_t v = ramp(photometric == PHOTOMETRIC_MINISWHITE ? count - 1 - i : i);
            entries[i] = PaletteEntry{v, v, v, 255};
        }
    }

    tmsize_t scanlineSize = TIFFScanlineSize(tif);
    if (scanlineSize <= 0)
        RaiseError(ErrWrongSignature, client.message);
    std::vector<uint8_t> scanline;
    try {
        scanline.resize(size_t(scanlineSize));
    } catch (const std::bad_alloc&) {
        RaiseError(ErrNoMemory, kTextOutOfMemoryBuffer);
    }
    // Never more pixels than the scanline holds.
    const uint32_t pixels = std::min<uint64_t>(width, uint64_t(scanlineSize) * 8 / unsigned(bits));
    const size_t lineBytes = size_t(bmp.GetLineBytes());
    for (uint32_t y = 0; y < height; ++y) {
        if (TIFFReadScanline(tif, scanline.data(), y, 0) < 0)
            RaiseError(ErrWrongSignature, client.message);
        uint8_t* out = LineToFill(bmp, int(y));
        const uint8_t* in = scanline.data();
        if (bits == 1 || bits == 8) {
            std::memcpy(out, in, std::min(lineBytes, size_t(scanlineSize)));
        } else if (bits == 4) {
            for (uint32_t x = 0; x < pixels; ++x)
                out[x] = (x & 1) ? in[x >> 1] & 0x0F : in[x >> 1] >> 4;
        } else {
            // 2 bits and the odd depths: samples packed most significant first.
            const unsigned mask = (1u << bits) - 1;
            for (uint32_t x = 0; x < pixels; ++x) {
                size_t bit = size_t(x) * unsigned(bits);
                unsigned word = unsigned(in[bit >> 3]) << 8;
                if ((bit >> 3) + 1 < size_t(scanlineSize))
                    word |= in[(bit >> 3) + 1];
                out[x] = uint8_t(word >> (16 - bits - (bit & 7)) & mask);
            }
            if (bits != 2)
                Trace(3, "%s", kTextUnexpectedBitDepth);
        }
    }
    bmp.SetPalette(entries);
}

} // namespace

void CTIFFDecoder::DecodeInto(CBmp& bmp, PaletteHolder& palette, int& wantedDepth, CDataSource& source)
{
    MemClient client;
    client.data = source.GetPosition();
    client.size = source.GetRemaining();
    TiffFile file(client);
    if (!file.tif)
        RaiseError(ErrWrongSignature, client.message);
    TIFF* tif = file.tif;
    // libtiff stops at a directory chain that loops back on itself.
    m_found.pageCount = std::max<int>(1, int(std::min<tdir_t>(TIFFNumberOfDirectories(tif), kMaxTiffPages)));
    const int page = GetChoice().page;
    CheckPage(page, m_found.pageCount);
    if (page > 0 && !TIFFSetDirectory(tif, tdir_t(page)))
        RaiseError(ErrBadFormat, client.message[0] ? client.message : kTextNoSuchPage);

    uint16_t bitsPerSample = 1, samplesPerPixel = 1;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bitsPerSample);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samplesPerPixel);
    const int sourceDepth = int(bitsPerSample) * int(samplesPerPixel);

    // Tiled files cannot be read by scanline; the RGBA interface reads them.
    const bool lowColor = samplesPerPixel == 1 && bitsPerSample >= 1 && bitsPerSample <= 8 &&
                          wantedDepth != 32 && !TIFFIsTiled(tif);
    if (lowColor) {
        DecodeLowColor(tif, client, bmp, palette, wantedDepth, bitsPerSample);
    } else {
        ResolveTargetDepth(32, wantedDepth);
        DecodeFullColor(tif, client, bmp);
    }
    bmp.SetSourceBitsPerPixel(sourceDepth);
    uint32_t iccBytes = 0;
    const uint8_t* icc = nullptr;
    if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &iccBytes, &icc) && icc && iccBytes > 0)
        bmp.SetColourProfile(MakeIccProfile(std::vector<uint8_t>(icc, icc + iccBytes)));
}

int TiffOrientationLeft(int stored, const CBmp& decoded)
{
    if (decoded.GetBitsPerPixel() != 32)
        return stored;
    if (!OrientationSwapsSides(stored))
        return OrientUpright;
    return stored == OrientTurnedRight || stored == OrientTurnedLeft ? OrientTransversed : OrientTransposed;
}
