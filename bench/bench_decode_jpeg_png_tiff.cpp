// JPEG, PNG and TIFF decoding of a 4000 x 3000 picture, each next to the
// library called directly with the same settings and the same output layout
// (32-bit blue, green, red, alpha lines). Figures are megapixels per second;
// the ratios printed at the end are our time over the library's.
#include "TestSupport.h"
#include "engine/picture/JPEGDecoder.h"
#include "engine/picture/PNGDecoder.h"
#include "engine/picture/TIFFDecoder.h"

#include <benchmark/benchmark.h>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

const std::string& SourcePpm()
{
    static std::string path = [] {
        static vktest::TempDir dir;
        CWinBmp bmp;
        vktest::MakeTestPicture(bmp, kWidth, kHeight);
        std::string out = "P6\n" + std::to_string(kWidth) + " " + std::to_string(kHeight) + "\n255\n";
        out.reserve(out.size() + size_t(kWidth) * kHeight * 3);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                uint32_t v = bmp.GetLine32(y)[x];
                out += char(v >> 16 & 0xFF);
                out += char(v >> 8 & 0xFF);
                out += char(v & 0xFF);
            }
        std::string file = dir.File("source.ppm");
        vktest::WriteFile(file, out);
        return file;
    }();
    return path;
}

// Runs a command that reads {in} (the source PPM) and writes {out}; returns
// the bytes written.
std::string Encode(const std::string& command)
{
    vktest::TempDir dir;
    std::string out = dir.File("out");
    std::string full = command;
    full.replace(full.find("{in}"), 4, vktest::Quote(SourcePpm()));
    full.replace(full.find("{out}"), 5, vktest::Quote(out));
    if (vktest::Run("(" + full + ") 2>/dev/null") != 0)
        std::fprintf(stderr, "failed: %s\n", full.c_str());
    return vktest::ReadFile(out);
}

const std::string& JpegBaseline()
{
    static std::string f = Encode("cjpeg -quality 90 {in} >{out}");
    return f;
}
const std::string& JpegProgressive()
{
    static std::string f = Encode("cjpeg -quality 90 -progressive {in} >{out}");
    return f;
}
const std::string& PngRgb()
{
    static std::string f = Encode("pnmtopng {in} >{out}");
    return f;
}
const std::string& PngRgba()
{
    static std::string f =
        Encode(vktest::ImageMagick() + " {in} -alpha set -channel A -evaluate set 60% +channel PNG32:{out}");
    return f;
}
const std::string& TiffNone()
{
    static std::string f = Encode("pnmtotiff {in} >{out}");
    return f;
}
const std::string& TiffLzw()
{
    static std::string f = Encode("pnmtotiff -lzw {in} >{out}");
    return f;
}

void SetCounters(benchmark::State& state)
{
    state.counters["MP/s"] =
        benchmark::Counter(double(kWidth) * kHeight / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

template <class Decoder> void Velkor(benchmark::State& state, const std::string& (*file)())
{
    const std::string& bytes = file();
    Decoder decoder;
    for (auto _ : state) {
        CWinBmp bmp;
        CMemSource source(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        decoder.Decode(source, bmp, 32);
        benchmark::DoNotOptimize(bmp.GetLine(0));
    }
    SetCounters(state);
}

// The caller of a library needs somewhere to put the pixels too.
struct Output {
    std::unique_ptr<uint8_t[]> pixels;
    std::vector<uint8_t*> lines;
    Output(uint32_t width, uint32_t height) : pixels(new uint8_t[size_t(width) * height * 4]), lines(height)
    {
        for (uint32_t y = 0; y < height; ++y)
            lines[y] = pixels.get() + size_t(y) * width * 4;
    }
};

struct JpegErrors {
    jpeg_error_mgr pub;
    jmp_buf jump;
};

void JpegExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<JpegErrors*>(cinfo->err)->jump, 1);
}

void LibJpeg(benchmark::State& state, const std::string& (*file)())
{
    const std::string& bytes = file();
    for (auto _ : state) {
        jpeg_decompress_struct cinfo;
        JpegErrors errors;
        cinfo.err = jpeg_std_error(&errors.pub);
        errors.pub.error_exit = JpegExit;
        if (setjmp(errors.jump)) {
            jpeg_destroy_decompress(&cinfo);
            state.SkipWithError("libjpeg failed");
            break;
        }
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        jpeg_read_header(&cinfo, TRUE);
        cinfo.dct_method = JDCT_FLOAT;
        cinfo.do_fancy_upsampling = FALSE;
        cinfo.out_color_space = JCS_EXT_BGRA;
        jpeg_start_decompress(&cinfo);
        Output out(cinfo.output_width, cinfo.output_height);
        while (cinfo.output_scanline < cinfo.output_height)
            jpeg_read_scanlines(&cinfo, out.lines.data() + cinfo.output_scanline,
                                cinfo.output_height - cinfo.output_scanline);
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(out.pixels.get());
    }
    SetCounters(state);
}

struct PngInput {
    const std::string* bytes;
    size_t offset;
};

void PngRead(png_structp png, png_bytep out, size_t n)
{
    auto* in = static_cast<PngInput*>(png_get_io_ptr(png));
    if (n > in->bytes->size() - in->offset)
        png_error(png, "end of data");
    std::memcpy(out, in->bytes->data() + in->offset, n);
    in->offset += n;
}

void LibPng(benchmark::State& state, const std::string& (*file)())
{
    const std::string& bytes = file();
    for (auto _ : state) {
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        if (setjmp(png_jmpbuf(png))) {
            png_destroy_read_struct(&png, &info, nullptr);
            state.SkipWithError("libpng failed");
            break;
        }
        PngInput in{&bytes, 0};
        png_set_read_fn(png, &in, PngRead);
        png_read_info(png, info);
        png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
        png_set_expand(png);
        png_set_bgr(png);
        if (png_get_color_type(png, info) == PNG_COLOR_TYPE_RGB)
            png_set_filler(png, 255, PNG_FILLER_AFTER);
        png_set_interlace_handling(png);
        png_read_update_info(png, info);
        Output out(width, height);
        png_read_image(png, out.lines.data());
        png_read_end(png, nullptr);
        png_destroy_read_struct(&png, &info, nullptr);
        benchmark::DoNotOptimize(out.pixels.get());
    }
    SetCounters(state);
}

struct TiffInput {
    const std::string* bytes;
    uint64_t offset;
};

tmsize_t TiffRead(thandle_t h, void* buffer, tmsize_t n)
{
    auto* in = static_cast<TiffInput*>(h);
    uint64_t count = std::min<uint64_t>(uint64_t(n), in->bytes->size() -
                                                         std::min<uint64_t>(in->offset, in->bytes->size()));
    std::memcpy(buffer, in->bytes->data() + in->offset, count);
    in->offset += count;
    return tmsize_t(count);
}
tmsize_t TiffWrite(thandle_t, void*, tmsize_t)
{
    return 0;
}
toff_t TiffSeek(thandle_t h, toff_t offset, int whence)
{
    auto* in = static_cast<TiffInput*>(h);
    in->offset = (whence == SEEK_CUR ? in->offset : whence == SEEK_END ? in->bytes->size() : 0) + offset;
    return in->offset;
}
int TiffClose(thandle_t)
{
    return 0;
}
toff_t TiffSize(thandle_t h)
{
    return static_cast<TiffInput*>(h)->bytes->size();
}
int TiffMap(thandle_t h, void** base, toff_t* size)
{
    auto* in = static_cast<TiffInput*>(h);
    *base = const_cast<char*>(in->bytes->data());
    *size = in->bytes->size();
    return 1;
}
void TiffUnmap(thandle_t, void*, toff_t) {}

void LibTiff(benchmark::State& state, const std::string& (*file)())
{
    const std::string& bytes = file();
    for (auto _ : state) {
        TiffInput in{&bytes, 0};
        TIFF* tif = TIFFClientOpen("bench", "r", &in, TiffRead, TiffWrite, TiffSeek, TiffClose, TiffSize,
                                   TiffMap, TiffUnmap);
        uint32_t width = 0, height = 0;
        TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
        Output out(width, height);
        // The raster comes as R, G, B, A bytes; the swap to our order is part
        // of the work either way.
        auto* raster = reinterpret_cast<uint32_t*>(out.pixels.get());
        if (!TIFFReadRGBAImageOriented(tif, width, height, raster, ORIENTATION_BOTLEFT, 0))
            state.SkipWithError("libtiff failed");
        for (size_t i = 0, n = size_t(width) * height; i < n; ++i) {
            uint32_t v = raster[i];
            raster[i] = (v & 0xFF00FF00u) | (v >> 16 & 0xFFu) | (v & 0xFFu) << 16;
        }
        TIFFClose(tif);
        benchmark::DoNotOptimize(out.pixels.get());
    }
    SetCounters(state);
}

// Console output plus a table of our time over the library's.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                m_times[run.benchmark_name()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        // CPU time is the steadier figure on a shared machine.
        std::printf("\n%-18s %12s %12s %8s %12s %12s %8s\n", "case", "velkor ms", "library ms", "ratio",
                    "velkor cpu", "library cpu", "ratio");
        for (const char* name :
             {"JpegBaseline", "JpegProgressive", "PngRgb", "PngRgba", "TiffNone", "TiffLzw"}) {
            auto ours = m_times.find(std::string("Velkor/") + name);
            auto theirs = m_times.find(std::string("Library/") + name);
            if (ours == m_times.end() || theirs == m_times.end())
                continue;
            const Times& a = ours->second;
            const Times& b = theirs->second;
            std::printf("%-18s %12.1f %12.1f %8.3f %12.1f %12.1f %8.3f\n", name, a.real, b.real,
                        a.real / b.real, a.cpu, b.cpu, a.cpu / b.cpu);
        }
    }

  private:
    struct Times {
        double real;
        double cpu;
    };
    // The last repetition of each benchmark.
    std::map<std::string, Times> m_times;
};

} // namespace

int main(int argc, char** argv)
{
    using File = const std::string& (*)();
    auto add = [](const char* name, void (*run)(benchmark::State&, File), File file) {
        benchmark::RegisterBenchmark(name, [run, file](benchmark::State& state) {
            run(state, file);
        })->Unit(benchmark::kMillisecond);
    };
    add("Velkor/JpegBaseline", Velkor<CJPEGDecoder>, JpegBaseline);
    add("Library/JpegBaseline", LibJpeg, JpegBaseline);
    add("Velkor/JpegProgressive", Velkor<CJPEGDecoder>, JpegProgressive);
    add("Library/JpegProgressive", LibJpeg, JpegProgressive);
    add("Velkor/PngRgb", Velkor<CPNGDecoder>, PngRgb);
    add("Library/PngRgb", LibPng, PngRgb);
    add("Velkor/PngRgba", Velkor<CPNGDecoder>, PngRgba);
    add("Library/PngRgba", LibPng, PngRgba);
    add("Velkor/TiffNone", Velkor<CTIFFDecoder>, TiffNone);
    add("Library/TiffNone", LibTiff, TiffNone);
    add("Velkor/TiffLzw", Velkor<CTIFFDecoder>, TiffLzw);
    add("Library/TiffLzw", LibTiff, TiffLzw);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
