#include "PNGEncoder.h"

#include "picture/TextException.h"
#include "picture/OutputFile.h"
#include "picture/WinBmp.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>

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

// Everything between setjmp and the libpng calls lives here, with no object
// that has a destructor, so the jump back skips nothing. `stage` is owned by
// the caller and survives the jump.
void WritePng(png_structp png, png_infop info, std::FILE* out, const CBmp& bmp, bool interlaced, int level,
              volatile Stage& stage)
{
    if (setjmp(png_jmpbuf(png)))
        return;
    png_init_io(png, out);
    // libpng's default caps width and height at 1000000 for writing too;
    // every picture we hold is within the format's own limit.
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_set_compression_level(png, level);
    png_set_IHDR(png, info, png_uint_32(bmp.GetWidth()), png_uint_32(bmp.GetHeight()), 8, PNG_COLOR_TYPE_RGB,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_packing(png);
    // The picture's lines are blue, green, red, x: libpng reorders and drops
    // the fourth byte in its own row buffer, so rows go in without a copy.
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
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

} // namespace

void CPNGEncoder::Save(const std::string& path, CBmp& bmp, bool interlaced, int level)
{
    if (level < 0 || level > 9)
        level = kDefaultLevel;
    std::unique_ptr<CWinBmp> converted;
    const CBmp* source = &As32Bits(bmp, converted);

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
    WritePng(png, info, file.GetStream(), *source, interlaced, level, stage);
    png_destroy_write_struct(&png, &info);

    switch (stage) {
    case Stage::Setup: throw CTextException(ErrInternal, kTextSetupProblem);
    case Stage::Image: throw CTextException(ErrWriting, kTextImageData);
    case Stage::Row: throw CTextException(ErrWriting, kTextRow);
    case Stage::End: throw CTextException(ErrInternal, kTextFinal);
    case Stage::Done: break;
    }
    file.Commit();
}
