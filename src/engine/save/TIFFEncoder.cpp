#include "engine/save/TIFFEncoder.h"

#include "engine/picture/OutputFile.h"
#include "engine/picture/TextException.h"
#include "engine/picture/WinBmp.h"
#include "engine/save/ColorHash.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <sys/types.h>
#include <vector>

#include <tiffio.h>

namespace {

constexpr const char* kTextWritingImage = "Error writing image.";

// libtiff reads and writes the temporary file's stream through these.
tmsize_t StreamRead(thandle_t h, void* buf, tmsize_t size)
{
    return tmsize_t(std::fread(buf, 1, size_t(size), static_cast<std::FILE*>(h)));
}
tmsize_t StreamWrite(thandle_t h, void* buf, tmsize_t size)
{
    return tmsize_t(std::fwrite(buf, 1, size_t(size), static_cast<std::FILE*>(h)));
}
toff_t StreamSeek(thandle_t h, toff_t offset, int whence)
{
    auto* f = static_cast<std::FILE*>(h);
    if (::fseeko(f, off_t(offset), whence) != 0)
        return toff_t(-1);
    return toff_t(::ftello(f));
}
int StreamClose(thandle_t)
{
    return 0;
}
toff_t StreamSize(thandle_t h)
{
    auto* f = static_cast<std::FILE*>(h);
    off_t here = ::ftello(f);
    if (here < 0 || ::fseeko(f, 0, SEEK_END) != 0)
        return 0;
    off_t end = ::ftello(f);
    ::fseeko(f, here, SEEK_SET);
    return end < 0 ? 0 : toff_t(end);
}
int StreamMap(thandle_t, void**, toff_t*)
{
    return 0;
}
void StreamUnmap(thandle_t, void*, toff_t) {}

// Library messages go to the trace instead of standard error.
int OnTiffMessage(TIFF*, void* level, const char* module, const char* format, va_list args)
{
    if (GetTraceLevel() >= *static_cast<int*>(level)) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        Trace(*static_cast<int*>(level), "libtiff %s: %s\n", module ? module : "", text);
    }
    return 1;
}

uint16_t CompressionTag(int index)
{
    switch (index) {
    case CTIFFEncoder::kPackBits:
        return COMPRESSION_PACKBITS;
    case CTIFFEncoder::kLZW:
        return COMPRESSION_LZW;
    default:
        return COMPRESSION_NONE;
    }
}

struct TiffLayout {
    int width;
    int height;
    int samples;                   // 3 (RGB) or 1 (palette)
    const colorhist_item* palette; // with samples 1
    int colorCount;
    uint16_t compression;
};

// Writes one TIFF into `out`; `fillRow(y, row)` supplies line y. Returns
// false when libtiff failed.
bool WriteTiff(std::FILE* out, const std::string& name, const TiffLayout& layout,
               const std::function<void(int, uint8_t*)>& fillRow)
{
    static int errorLevel = 0, warningLevel = 1;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options)
        return false;
    TIFFOpenOptionsSetErrorHandlerExtR(options, OnTiffMessage, &errorLevel);
    TIFFOpenOptionsSetWarningHandlerExtR(options, OnTiffMessage, &warningLevel);
    TIFF* tif = TIFFClientOpenExt(name.c_str(), "w", out, StreamRead, StreamWrite, StreamSeek, StreamClose,
                                  StreamSize, StreamMap, StreamUnmap, options);
    TIFFOpenOptionsFree(options);
    if (!tif)
        return false;

    bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(layout.width)) &&
              TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(layout.height)) &&
              TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(8)) &&
              TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(layout.samples)) &&
              TIFFSetField(tif, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG)) &&
              TIFFSetField(tif, TIFFTAG_ORIENTATION, uint16_t(ORIENTATION_TOPLEFT)) &&
              TIFFSetField(tif, TIFFTAG_COMPRESSION, layout.compression) &&
              TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                           uint16_t(layout.samples == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_PALETTE)) &&
              TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    std::vector<uint16_t> map;
    std::vector<uint8_t> row;
    try {
        if (layout.samples == 1) {
            map.assign(3 * 256, 0);
            for (int i = 0; i < layout.colorCount; ++i) {
                map[size_t(i)] = uint16_t(layout.palette[i].red * 257);
                map[256 + size_t(i)] = uint16_t(layout.palette[i].green * 257);
                map[512 + size_t(i)] = uint16_t(layout.palette[i].blue * 257);
            }
        }
        row.resize(size_t(layout.width) * size_t(layout.samples));
    } catch (const std::bad_alloc&) {
        TIFFClose(tif);
        throw CTextException(ErrNoMemory, kTextOutOfMemory);
    }
    if (ok && layout.samples == 1)
        ok = TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + 256, map.data() + 512);
    // libtiff may change the row it is given while compressing, so each
    // line is handed over in our own buffer.
    for (int y = 0; ok && y < layout.height; ++y) {
        fillRow(y, row.data());
        ok = TIFFWriteScanline(tif, row.data(), uint32_t(y), 0) == 1;
    }
    ok = ok && TIFFFlush(tif) == 1;
    TIFFClose(tif);
    return ok;
}

void WriteTiffFile(const std::string& path, const TiffLayout& layout,
                   const std::function<void(int, uint8_t*)>& fillRow)
{
    COutputFile file(path);
    if (!WriteTiff(file.GetStream(), path, layout, fillRow))
        throw CTextException(ErrWriting, kTextWritingImage);
    file.Commit();
}

} // namespace

void CTIFFEncoder::Save(const std::string& path, CBmp& bmp, int compressionIndex, int /*secondOption*/)
{
    std::unique_ptr<CWinBmp> converted;
    const CBmp* source = &As32Bits(bmp, converted);
    TiffLayout layout{
        source->GetWidth(), source->GetHeight(), 3, nullptr, 0, CompressionTag(compressionIndex)};
    WriteTiffFile(path, layout, [source, width = layout.width](int y, uint8_t* out) {
        const uint8_t* in = source->GetLine(y);
        for (int x = 0; x < width; ++x, in += 4, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    });
}

int SaveTIF(const char* path, const uint8_t* data, const colorhist_item* palette, int width, int height,
            int bitsPerPixel, int colorCount, int compression, int /*secondOption*/)
{
    try {
        if (!path || !data)
            return 1;
        CheckPictureSize(width, height);
        TiffLayout layout{width, height, 3, nullptr, 0, CompressionTag(compression)};
        if (bitsPerPixel == 8) {
            if (!palette || colorCount < 1 || colorCount > 256)
                return 1;
            layout.samples = 1;
            layout.palette = palette;
            layout.colorCount = colorCount;
        } else if (bitsPerPixel != 24) {
            return 1;
        }
        size_t lineBytes = size_t(width) * size_t(layout.samples);
        WriteTiffFile(path, layout, [data, lineBytes](int y, uint8_t* out) {
            std::memcpy(out, data + size_t(y) * lineBytes, lineBytes);
        });
        return 0;
    } catch (const std::exception&) {
        return 1;
    }
}
