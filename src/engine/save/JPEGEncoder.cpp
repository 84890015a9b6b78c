#include "engine/save/JPEGEncoder.h"

#include "engine/picture/OutputFile.h"
#include "engine/picture/TextException.h"
#include "engine/picture/WinBmp.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

#ifndef JCS_EXTENSIONS
#error "libjpeg-turbo's extended colour spaces (JCS_EXT_BGRX) are needed"
#endif

namespace {

constexpr const char* kTextWritingImage = "Error writing image.";

struct JpegSettings {
    int quality;
    int smoothing;
    bool optimize;
    bool progressive;
};

struct JpegErrorManager {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

[[noreturn]] void OnJpegError(j_common_ptr cinfo)
{
    char text[JMSG_LENGTH_MAX];
    cinfo->err->format_message(cinfo, text);
    Trace(0, "libjpeg: %s\n", text);
    std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->jump, 1);
}

// libjpeg's warnings would go to standard error; the trace takes them.
void OnJpegMessage(j_common_ptr cinfo)
{
    char text[JMSG_LENGTH_MAX];
    cinfo->err->format_message(cinfo, text);
    Trace(1, "libjpeg: %s\n", text);
}

// All libjpeg calls happen in this frame, which holds no object with a
// destructor, so a library error can jump back here soundly. `rows` are
// `height` lines of 3-byte RGB or, with `bgrx`, of 4-byte blue, green,
// red, x pixels. Returns false when libjpeg failed.
bool CompressJpeg(jpeg_compress_struct& cinfo, JpegErrorManager& err, std::FILE* out, int width, int height,
                  const uint8_t* const* rows, bool bgrx, const JpegSettings& settings)
{
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = OnJpegError;
    err.mgr.output_message = OnJpegMessage;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = bgrx ? 4 : 3;
    cinfo.in_color_space = bgrx ? JCS_EXT_BGRX : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    // The dialog's 0..100 slider; libjpeg treats 0 as 1.
    jpeg_set_quality(&cinfo, settings.quality, TRUE);
    cinfo.smoothing_factor = settings.smoothing;
    cinfo.optimize_coding = settings.optimize ? TRUE : FALSE;
    if (settings.progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    auto lines = const_cast<JSAMPARRAY>(rows);
    while (cinfo.next_scanline < cinfo.image_height)
        jpeg_write_scanlines(&cinfo, lines + cinfo.next_scanline, cinfo.image_height - cinfo.next_scanline);
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

void WriteJpegFile(const std::string& path, int width, int height, const uint8_t* const* rows, bool bgrx,
                   const JpegSettings& settings)
{
    COutputFile file(path);
    jpeg_compress_struct cinfo{};
    JpegErrorManager err{};
    if (!CompressJpeg(cinfo, err, file.GetStream(), width, height, rows, bgrx, settings))
        throw CTextException(ErrWriting, kTextWritingImage);
    file.Commit();
}

JpegSettings MakeSettings(int quality, int smoothing, bool optimize, bool progressive)
{
    return {std::clamp(quality, 0, 100), std::clamp(smoothing, 0, 100), optimize, progressive};
}

} // namespace

void CJPEGEncoder::Save(const std::string& path, CBmp& bmp, int quality, int smoothing, bool optimize,
                        bool progressive)
{
    JpegSettings settings = MakeSettings(quality, smoothing, optimize, progressive);
    std::unique_ptr<CWinBmp> converted;
    const CBmp* source = &As32Bits(bmp, converted);
    // libjpeg-turbo takes the picture's own lines; no packed copy is needed.
    WriteJpegFile(path, source->GetWidth(), source->GetHeight(), source->GetLines(), true, settings);
}

int SaveJPG(const char* path, const uint8_t* rgb, int width, int height, int quality, int smoothing,
            int optimize, int progressive, int /*reserved*/)
{
    try {
        if (!path || !rgb)
            return 0;
        CheckPictureSize(width, height);
        std::vector<const uint8_t*> rows(static_cast<size_t>(height));
        for (int y = 0; y < height; ++y)
            rows[size_t(y)] = rgb + size_t(y) * size_t(width) * 3;
        WriteJpegFile(path, width, height, rows.data(), false,
                      MakeSettings(quality, smoothing, optimize != 0, progressive != 0));
        return 1;
    } catch (const std::exception&) {
        return 0;
    }
}
