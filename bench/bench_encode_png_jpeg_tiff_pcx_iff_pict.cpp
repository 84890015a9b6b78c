// PNG, JPEG, TIFF, PCX, IFF and PICT writing at 4000 x 3000 (12 MP), next
// to libpng, libjpeg and libtiff called directly on a packed RGB buffer with
// the same settings. Our writers go through a temporary file, an fdatasync
// and a rename; the direct calls write and fdatasync a plain file, so the
// difference is the writer's own work. Figures are source pixels (3 bytes
// each) per second.
#include "TestSupport.h"

#include "engine/save/IFFEncoder.h"
#include "engine/save/JPEGEncoder.h"
#include "engine/save/PCXEncoder.h"
#include "engine/save/PNGEncoder.h"
#include "engine/save/PictEncoder.h"
#include "engine/save/TIFFEncoder.h"

#include <benchmark/benchmark.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <functional>
#include <unistd.h>
#include <vector>

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// A photo-like picture (many colours) and one of 200 colours for the
// palette writers without median cut.
CWinBmp& Photo()
{
    static CWinBmp bmp;
    if (bmp.GetWidth() != kWidth)
        vktest::MakeTestPicture(bmp, kWidth, kHeight);
    return bmp;
}
CWinBmp& Palette200()
{
    static CWinBmp bmp;
    if (bmp.GetWidth() != kWidth) {
        bmp.Create(kWidth, kHeight, 32, false);
        // Bands of colour with runs, like a drawing.
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                unsigned i = unsigned((x / 37 + y / 23) % 200);
                bmp.GetLine32(y)[x] = MakePixel(uint8_t(i * 37), uint8_t(i * 91 + 13), uint8_t(i * 7));
            }
    }
    return bmp;
}
const std::vector<uint8_t>& PhotoRgb()
{
    static std::vector<uint8_t> rgb = [] {
        std::vector<uint8_t> out(size_t(kWidth) * kHeight * 3);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const uint8_t* p = Photo().GetLine(y) + 4 * x;
                uint8_t* o = out.data() + (size_t(y) * kWidth + size_t(x)) * 3;
                o[0] = p[2];
                o[1] = p[1];
                o[2] = p[0];
            }
        return out;
    }();
    return rgb;
}

const vktest::TempDir& Dir()
{
    static vktest::TempDir dir;
    return dir;
}

void Report(benchmark::State& state, const std::string& path)
{
    state.SetItemsProcessed(int64_t(state.iterations()) * kWidth * kHeight);
    state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 3);
    state.counters["file_MB"] = double(vktest::ReadFile(path).size()) / 1e6;
}

void Ours(benchmark::State& state, CWinBmp& (*picture)(),
          const std::function<void(const std::string&, CBmp&)>& save, const char* name)
{
    CWinBmp& bmp = picture();
    std::string path = Dir().File(name);
    for (auto _ : state)
        save(path, bmp);
    Report(state, path);
}

std::FILE* OpenDirect(const std::string& path)
{
    return std::fopen(path.c_str(), "wb");
}
void CloseDirect(std::FILE* f)
{
    std::fflush(f);
    ::fdatasync(::fileno(f));
    std::fclose(f);
}

// libpng, level 9, rows of packed RGB.
void DirectPng(const std::string& path, bool interlaced)
{
    std::FILE* f = OpenDirect(path);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows(kHeight);
    for (int y = 0; y < kHeight; ++y)
        rows[size_t(y)] = const_cast<png_bytep>(PhotoRgb().data()) + size_t(y) * kWidth * 3;
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, f);
        png_set_compression_level(png, 9);
        png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB,
                     interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        png_write_image(png, rows.data());
        png_write_end(png, nullptr);
    }
    png_destroy_write_struct(&png, &info);
    CloseDirect(f);
}

// libjpeg, packed RGB rows, the same settings as the writer.
void DirectJpeg(const std::string& path, int quality, bool optimize, bool progressive)
{
    std::FILE* f = OpenDirect(path);
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, f);
    cinfo.image_width = kWidth;
    cinfo.image_height = kHeight;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.optimize_coding = optimize;
    if (progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(PhotoRgb().data()) + size_t(cinfo.next_scanline) * kWidth * 3;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    CloseDirect(f);
}

// libtiff, packed RGB scanlines.
void DirectTiff(const std::string& path, uint16_t compression)
{
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(kWidth));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(kHeight));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    std::vector<uint8_t> row(size_t(kWidth) * 3);
    for (int y = 0; y < kHeight; ++y) {
        std::memcpy(row.data(), PhotoRgb().data() + size_t(y) * kWidth * 3, row.size());
        TIFFWriteScanline(tif, row.data(), uint32_t(y), 0);
    }
    TIFFClose(tif);
    CloseDirect(std::fopen(path.c_str(), "rb")); // the same sync as the others
}

void Direct(benchmark::State& state, const std::function<void(const std::string&)>& write, const char* name)
{
    PhotoRgb();
    std::string path = Dir().File(name);
    for (auto _ : state)
        write(path);
    Report(state, path);
}

} // namespace

#define OURS(name, picture, call)                                                                            \
    BENCHMARK_CAPTURE(                                                                                       \
        Ours, name, picture, [](const std::string& p, CBmp& b) { call; }, #name)                             \
        ->Unit(benchmark::kMillisecond)                                                                      \
        ->UseRealTime()
#define DIRECT(name, call)                                                                                   \
    BENCHMARK_CAPTURE(                                                                                       \
        Direct, name, [](const std::string& p) { call; }, #name)                                             \
        ->Unit(benchmark::kMillisecond)                                                                      \
        ->UseRealTime()

OURS(png, Photo, CPNGEncoder().Save(p, b, false));
DIRECT(libpng, DirectPng(p, false));
OURS(png_interlaced, Photo, CPNGEncoder().Save(p, b, true));
DIRECT(libpng_interlaced, DirectPng(p, true));
OURS(jpeg_q60, Photo, CJPEGEncoder().Save(p, b, 60, 0, false, false));
DIRECT(libjpeg_q60, DirectJpeg(p, 60, false, false));
OURS(jpeg_q60_optimized_progressive, Photo, CJPEGEncoder().Save(p, b, 60, 0, true, true));
DIRECT(libjpeg_q60_optimized_progressive, DirectJpeg(p, 60, true, true));
OURS(tiff_none, Photo, CTIFFEncoder().Save(p, b, CTIFFEncoder::kNone, 60));
DIRECT(libtiff_none, DirectTiff(p, COMPRESSION_NONE));
OURS(tiff_packbits, Photo, CTIFFEncoder().Save(p, b, CTIFFEncoder::kPackBits, 60));
DIRECT(libtiff_packbits, DirectTiff(p, COMPRESSION_PACKBITS));
OURS(tiff_lzw, Photo, CTIFFEncoder().Save(p, b, CTIFFEncoder::kLZW, 60));
DIRECT(libtiff_lzw, DirectTiff(p, COMPRESSION_LZW));
OURS(pcx24, Photo, CPCXEncoder().Save(p, b, 24));
OURS(pcx8_median_cut, Photo, CPCXEncoder().Save(p, b, 8));
OURS(pcx8_200_colours, Palette200, CPCXEncoder().Save(p, b, 8));
OURS(iff_200_colours, Palette200, CIFFEncoder().Save(p, b));
OURS(iff_median_cut, Photo, CIFFEncoder().Save(p, b));
OURS(pict_rle_200_colours, Palette200, CPictEncoder().Save(p, b, true));
OURS(pict_literal_200_colours, Palette200, CPictEncoder().Save(p, b, false));
OURS(pict_rle_median_cut, Photo, CPictEncoder().Save(p, b, true));
