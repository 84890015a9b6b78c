#include "engine/save/PNGEncoder.h"

#include "engine/picture/OutputFile.h"
#include "engine/picture/TextException.h"
#include "engine/picture/WinBmp.h"

#include <png.h>

#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr const char* kTextNoMemory = "Out of memory";
constexpr const char* kTextSetupProblem = "LibPng problem";
constexpr const char* kTextImageData = "Problem while writing image data.";
constexpr const char* kTextRow = "LibPng problem while writing row.";
constexpr const char* kTextFinal = "Error on final libpng call.";

// Where libpng was when it failed; decides the error reported.
enum class Stage { Setup, Image, Row, End, Done };

[[noreturn]] void OnPngError(png_structp png, png_const_charp message)
{
    std::fprintf(stderr, "writepng libpng error: %s\n", message);
    std::fflush(stderr);
    png_longjmp(png, 1);
}

using Packing = CPNGEncoder::Packing;

// The libpng settings of a packing; Exhaustive keeps libpng's defaults.
void SetPacking(png_structp png, Packing packing, int level)
{
    switch (packing) {
    case Packing::Exhaustive:
        break;
    case Packing::FilteredRuns:
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
        png_set_compression_strategy(png, Z_RLE);
        break;
    case Packing::Unfiltered:
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
        png_set_compression_strategy(png, Z_DEFAULT_STRATEGY);
        break;
    case Packing::Stored:
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
        level = 0;
        break;
    }
    png_set_compression_level(png, level);
}

// The header of an 8-bit RGB file whose rows come as the picture's lines,
// blue, green, red, x: libpng reorders and drops the fourth byte in its own
// row buffer, so rows go in without a copy. Called after setjmp.
void WriteHeader(png_structp png, png_infop info, png_uint_32 width, png_uint_32 height, bool interlaced,
                 Packing packing, int level)
{
    // libpng's default caps width and height at 1000000 for writing too;
    // every picture we hold is within the format's own limit.
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    SetPacking(png, packing, level);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
}

// Everything between setjmp and the libpng calls lives here, with no object
// that has a destructor, so the jump back skips nothing. `stage` is owned by
// the caller and survives the jump.
void WritePng(png_structp png, png_infop info, std::FILE* out, const CBmp& bmp, bool interlaced, int level,
              Packing packing, volatile Stage& stage)
{
    if (setjmp(png_jmpbuf(png)))
        return;
    png_init_io(png, out);
    WriteHeader(png, info, png_uint_32(bmp.GetWidth()), png_uint_32(bmp.GetHeight()), interlaced, packing,
                level);
    auto rows = const_cast<png_bytepp>(bmp.GetLines());
    if (interlaced) {
        stage = Stage::Image;
        png_write_image(png, rows);
    } else {
        stage = Stage::Row;
        for (int y = 0; y < bmp.GetHeight(); ++y)
            png_write_row(png, rows[y]);
    }
    stage = Stage::End;
    png_write_end(png, nullptr);
    stage = Stage::Done;
}

// A trial packing of sample rows: counts the bytes, writes nothing.
void CountBytes(png_structp png, png_bytep, png_size_t length)
{
    *static_cast<size_t*>(png_get_io_ptr(png)) += length;
}
void NoFlush(png_structp) {}
[[noreturn]] void OnTrialError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}
void OnTrialWarning(png_structp, png_const_charp) {}

// As WritePng: no object with a destructor between setjmp and libpng.
void WriteSample(png_structp png, png_infop info, size_t& bytes, png_uint_32 width,
                 png_const_bytep const* rows, int count, Packing packing, int level, volatile bool& done)
{
    if (setjmp(png_jmpbuf(png)))
        return;
    png_set_write_fn(png, &bytes, CountBytes, NoFlush);
    WriteHeader(png, info, width, png_uint_32(count), false, packing, level);
    for (int i = 0; i < count; ++i)
        png_write_row(png, rows[i]);
    png_write_end(png, nullptr);
    done = true;
}

// Bytes of the rows packed as `packing`; 0 when libpng fails.
size_t PackedSize(const CBmp& bmp, const std::vector<png_const_bytep>& rows, Packing packing, int level)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnTrialError, OnTrialWarning);
    if (!png)
        return 0;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return 0;
    }
    size_t bytes = 0;
    volatile bool done = false;
    WriteSample(png, info, bytes, png_uint_32(bmp.GetWidth()), rows.data(), int(rows.size()), packing, level,
                done);
    png_destroy_write_struct(&png, &info);
    return done ? bytes : 0;
}

// Below this many pixels the trial is not worth its time.
constexpr int64_t kTrialPixels = 512 * 512;

// `bmp` has 32 bits per pixel.
Packing Choose(const CBmp& bmp, int level)
{
    if (level <= 0)
        return Packing::Stored;
    const int width = bmp.GetWidth(), height = bmp.GetHeight();
    const int band = std::max(8, height / 400);
    if (level >= 7 || int64_t(width) * height < kTrialPixels || height < 4 * band)
        return Packing::Exhaustive;
    // Four bands spread over the height, about one row in a hundred.
    std::vector<png_const_bytep> rows;
    const uint8_t* const* lines = bmp.GetLines();
    for (int k = 0; k < 4; ++k) {
        const int first = std::clamp((2 * k + 1) * (height / 8) - band / 2, 0, height - band);
        rows.insert(rows.end(), lines + first, lines + first + band);
    }
    const size_t runs = PackedSize(bmp, rows, Packing::FilteredRuns, level);
    const size_t plain = PackedSize(bmp, rows, Packing::Unfiltered, level);
    if (runs == 0 || plain == 0)
        return Packing::Exhaustive;
    if (runs <= plain)
        return Packing::FilteredRuns;
    // Drawing or screenshot: libpng's own way now and then packs it smaller.
    const size_t exhaustive = PackedSize(bmp, rows, Packing::Exhaustive, level);
    return exhaustive != 0 && exhaustive < plain ? Packing::Exhaustive : Packing::Unfiltered;
}

} // namespace

CPNGEncoder::Packing CPNGEncoder::ChoosePacking(const CBmp& bmp, int level)
{
    std::unique_ptr<CWinBmp> converted;
    return Choose(As32Bits(bmp, converted), level);
}

void CPNGEncoder::Save(const std::string& path, CBmp& bmp, bool interlaced, int level)
{
    if (level < 0 || level > 9)
        level = kDefaultLevel;
    std::unique_ptr<CWinBmp> converted;
    const CBmp* source = &As32Bits(bmp, converted);
    const Packing packing = Choose(*source, level);

    COutputFile file(path);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, nullptr);
    if (!png)
        throw CTextException(ErrNoMemory, kTextNoMemory);
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        throw CTextException(ErrNoMemory, kTextNoMemory);
    }
    volatile Stage stage = Stage::Setup;
    WritePng(png, info, file.GetStream(), *source, interlaced, level, packing, stage);
    png_destroy_write_struct(&png, &info);

    switch (stage) {
    case Stage::Setup:
        throw CTextException(ErrInternal, kTextSetupProblem);
    case Stage::Image:
        throw CTextException(ErrWriting, kTextImageData);
    case Stage::Row:
        throw CTextException(ErrWriting, kTextRow);
    case Stage::End:
        throw CTextException(ErrInternal, kTextFinal);
    case Stage::Done:
        break;
    }
    file.Commit();
}
