// WebP, AVIF, HEIC and JPEG XL decoding of a 2000 x 1500 picture, each next
// to its library called directly into the same 32-bit layout; and what an
// EXIF quarter turn adds to the decoding of 20- and 24-megapixel JPEGs. After the
// Google Benchmark table, the wall time of `vips copy` and of ImageMagick on
// the same files (process start and writing included) is printed for scale.
#include "TestSupport.h"
#include "engine/picture/AnyPicDecoder.h"
#include "engine/picture/HEIFDecoder.h"
#include "engine/picture/JXLDecoder.h"
#include "engine/picture/Orientation.h"
#include "engine/picture/WebPDecoder.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include <jxl/decode.h>
#include <libheif/heif.h>
#include <webp/decode.h>

namespace {

constexpr int kWidth = 2000;
constexpr int kHeight = 1500;

vktest::TempDir& Folder()
{
    static vktest::TempDir dir;
    return dir;
}

const std::string& SourcePng()
{
    static std::string path = [] {
        std::string ppm = Folder().File("source.ppm");
        vktest::WriteTestPpm(ppm, kWidth, kHeight);
        std::string png = Folder().File("source.png");
        vktest::Run(vktest::ImageMagick() + " " + vktest::Quote(ppm) + " " + vktest::Quote(png));
        return png;
    }();
    return path;
}

struct File {
    std::string path;
    std::string bytes;
};

// Encodes the source once per command ({in}, {out}) and keeps the file.
const File& Encoded(const std::string& name, const std::string& command)
{
    static std::map<std::string, File> files;
    auto it = files.find(name);
    if (it != files.end())
        return it->second;
    File f;
    f.path = Folder().File(name);
    std::string full = vktest::Substitute(vktest::Substitute(command, "{in}", vktest::Quote(SourcePng())),
                                          "{out}", vktest::Quote(f.path));
    if (vktest::Run(full + " >/dev/null 2>&1") != 0)
        std::fprintf(stderr, "failed: %s\n", full.c_str());
    f.bytes = vktest::ReadFile(f.path);
    return files[name] = f;
}

const File& WebPLossy()
{
    return Encoded("lossy.webp", "cwebp -q 85 {in} -o {out}");
}
const File& WebPLossless()
{
    return Encoded("lossless.webp", "cwebp -lossless {in} -o {out}");
}
const File& Avif()
{
    return Encoded("pic.avif", "heif-enc -A -q 70 {in} -o {out}");
}
const File& Heic()
{
    return Encoded("pic.heic", "heif-enc -q 70 {in} -o {out}");
}
const File& Jxl()
{
    return Encoded("pic.jxl", "cjxl -d 1 {in} {out}");
}

void SetCounters(benchmark::State& state, double pixels)
{
    state.counters["MP/s"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

template <class Decoder> void Velkor(benchmark::State& state, const File& (*file)())
{
    const std::string& bytes = file().bytes;
    Decoder decoder;
    for (auto _ : state) {
        CWinBmp bmp;
        CMemSource source(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        try {
            decoder.Decode(source, bmp, 32);
        } catch (const CTextException& e) {
            state.SkipWithError(e.what());
            break;
        }
        benchmark::DoNotOptimize(bmp.GetLine(0));
    }
    SetCounters(state, double(kWidth) * kHeight);
}

void LibWebP(benchmark::State& state, const File& (*file)())
{
    const std::string& bytes = file().bytes;
    std::vector<uint8_t> out(size_t(kWidth) * kHeight * 4);
    for (auto _ : state) {
        if (!WebPDecodeBGRAInto(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), out.data(),
                                out.size(), kWidth * 4)) {
            state.SkipWithError("libwebp failed");
            break;
        }
        benchmark::DoNotOptimize(out.data());
    }
    SetCounters(state, double(kWidth) * kHeight);
}

void LibHeif(benchmark::State& state, const File& (*file)())
{
    const std::string& bytes = file().bytes;
    for (auto _ : state) {
        heif_context* ctx = heif_context_alloc();
        heif_context_set_max_decoding_threads(ctx, 0);
        heif_image_handle* handle = nullptr;
        heif_image* image = nullptr;
        bool ok =
            heif_context_read_from_memory_without_copy(ctx, bytes.data(), bytes.size(), nullptr).code == 0 &&
            heif_context_get_primary_image_handle(ctx, &handle).code == 0 &&
            heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr)
                    .code == 0;
        if (ok) {
            int stride = 0;
            benchmark::DoNotOptimize(heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride));
        }
        heif_image_release(image);
        heif_image_handle_release(handle);
        heif_context_free(ctx);
        if (!ok) {
            state.SkipWithError("libheif failed");
            break;
        }
    }
    SetCounters(state, double(kWidth) * kHeight);
}

void LibJxl(benchmark::State& state, const File& (*file)())
{
    const std::string& bytes = file().bytes;
    std::vector<uint8_t> out(size_t(kWidth) * kHeight * 4);
    const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    for (auto _ : state) {
        JxlDecoder* dec = JxlDecoderCreate(nullptr);
        JxlDecoderSubscribeEvents(dec, JXL_DEC_FULL_IMAGE);
        JxlDecoderSetInput(dec, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        JxlDecoderCloseInput(dec);
        bool ok = false;
        for (;;) {
            JxlDecoderStatus status = JxlDecoderProcessInput(dec);
            if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
                JxlDecoderSetImageOutBuffer(dec, &format, out.data(), out.size());
                continue;
            }
            ok = status == JXL_DEC_FULL_IMAGE;
            break;
        }
        JxlDecoderDestroy(dec);
        if (!ok) {
            state.SkipWithError("libjxl failed");
            break;
        }
        benchmark::DoNotOptimize(out.data());
    }
    SetCounters(state, double(kWidth) * kHeight);
}

// A 6000 x 4000 JPEG stored turned: decoded as stored and turned upright.
// A 6000 x 4000 test picture and two real photographs of 20 and 24 MP
// (the lomiri wallpapers scripts/setup.sh installs), each stored turned
// (orientation 6); empty when a photograph or a tool is missing.
const std::string& TurnedJpeg(int which)
{
    static const char* const kPhotos[] = {nullptr, "/usr/share/backgrounds/Kleiber_by_Lukas_Baubkus.jpg",
                                          "/usr/share/backgrounds/Painting-Colors_by__herobrine7gamer.jpg"};
    static std::map<int, std::string> paths;
    auto it = paths.find(which);
    if (it != paths.end())
        return it->second;
    const std::string jpg = Folder().File("turned" + std::to_string(which) + ".jpg");
    std::string make;
    if (which == 0) {
        const std::string ppm = Folder().File("big.ppm");
        vktest::WriteTestPpm(ppm, 6000, 4000);
        make = "cjpeg -quality 90 -outfile " + vktest::Quote(jpg) + " " + vktest::Quote(ppm);
    } else {
        make = "cp " + vktest::Quote(kPhotos[which]) + " " + vktest::Quote(jpg);
    }
    const bool made = vktest::Run(make + " && exiftool -q -n -Orientation=6 -overwrite_original " +
                                  vktest::Quote(jpg) + " 2>/dev/null") == 0;
    return paths[which] = made ? jpg : std::string();
}

// First arg 0: as stored; 1: turned upright as it decodes; 2: decoded as
// stored, then turned through a second picture. Second arg: the file.
void JpegOrientation(benchmark::State& state)
{
    static const char* const kNames[] = {"test picture 24 MP", "Kleiber 20 MP", "Painting-Colors 24 MP"};
    const std::string& path = TurnedJpeg(int(state.range(1)));
    if (path.empty()) {
        state.SkipWithError("photograph or exiftool missing");
        return;
    }
    state.SetLabel(kNames[state.range(1)]);
    const std::string bytes = vktest::ReadFile(path);
    CAnyPicDecoder decoder;
    decoder.SetApplyOrientation(state.range(0) == 1);
    double pixels = 0;
    for (auto _ : state) {
        CWinBmp bmp;
        CMemSource source(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        decoder.Decode(source, bmp, 32);
        if (state.range(0) == 2)
            ApplyOrientation(bmp, decoder.GetStoredOrientation());
        benchmark::DoNotOptimize(bmp.GetLine(0));
        pixels = double(bmp.GetWidth()) * bmp.GetHeight();
    }
    SetCounters(state, pixels);
}

// The capture macro takes no template arguments.
void VelkorWebP(benchmark::State& state, const File& (*file)())
{
    Velkor<CWebPDecoder>(state, file);
}
void VelkorHeif(benchmark::State& state, const File& (*file)())
{
    Velkor<CHEIFDecoder>(state, file);
}
void VelkorJxl(benchmark::State& state, const File& (*file)())
{
    Velkor<CJXLDecoder>(state, file);
}

BENCHMARK_CAPTURE(VelkorWebP, webp_lossy, WebPLossy)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LibWebP, webp_lossy, WebPLossy)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(VelkorWebP, webp_lossless, WebPLossless)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LibWebP, webp_lossless, WebPLossless)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(VelkorHeif, avif, Avif)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LibHeif, avif, Avif)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(VelkorHeif, heic, Heic)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LibHeif, heic, Heic)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(VelkorJxl, jxl, Jxl)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LibJxl, jxl, Jxl)->Unit(benchmark::kMillisecond);
// Wall time, and the CPU time of every thread: a large picture is placed
// upright on a second thread while it decodes.
BENCHMARK(JpegOrientation)
    ->ArgsProduct({{0, 1, 2}, {0, 1, 2}})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// Best wall time of three runs of a shell command, in milliseconds.
double WallMs(const std::string& command)
{
    double best = 1e12;
    for (int i = 0; i < 3; ++i) {
        auto start = std::chrono::steady_clock::now();
        if (vktest::Run(command + " >/dev/null 2>&1") != 0)
            return -1;
        best = std::min(
            best,
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\nPeers on the same files, wall time with process start (best of 3, -1 = failed):\n");
    std::printf("%-16s %12s %12s %12s\n", "file", "velkor-cli", "vips copy", "ImageMagick");
    const std::string out = Folder().File("out.v");
    for (const File* f : {&WebPLossy(), &WebPLossless(), &Avif(), &Heic(), &Jxl()}) {
        const std::string in = vktest::Quote(f->path);
        std::printf("%-16s %10.0f ms %10.0f ms %10.0f ms\n", f->path.substr(f->path.rfind('/') + 1).c_str(),
                    WallMs(std::string(VELKOR_CLI_PATH) + " info " + in),
                    WallMs("vips copy " + in + " " + vktest::Quote(out)),
                    WallMs(vktest::ImageMagick() + " " + in + " -depth 8 rgba:/dev/null"));
    }
    return 0;
}
