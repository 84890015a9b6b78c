// GIF, PCX and IFF/ILBM decoding of 4000 x 3000 pictures, next to a memcpy
// of the same bytes and, for GIF, giflib's DGifSlurp on the same file.
#include "TestSupport.h"
#include "picture/GIFDecoder.h"
#include "picture/IFFDecoder.h"
#include "picture/PCXDecoder.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <cstring>
#include <span>
#include <string>

#ifdef VELKOR_HAVE_GIFLIB
#include <gif_lib.h>
#endif

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// The test picture cut to 3-3-2 bits: at most 256 colours, gradients and
// noise, so every format holds it exactly.
const CWinBmp& Picture()
{
    static CWinBmp* bmp = [] {
        auto* b = new CWinBmp;
        vktest::MakeTestPicture(*b, kWidth, kHeight);
        for (int y = 0; y < kHeight; ++y)
            for (uint32_t& v : std::span(b->GetLine32(y), size_t(kWidth)))
                v &= 0xFFE0E0C0u;
        return b;
    }();
    return *bmp;
}

uint8_t IndexOf(uint32_t v) { return uint8_t(((v >> 16) & 0xE0) | ((v >> 11) & 0x1C) | ((v >> 6) & 0x03)); }
uint32_t ColorOf(int i) { return MakePixel(uint8_t(i & 0xE0), uint8_t((i << 3) & 0xE0), uint8_t((i << 6) & 0xC0)); }

const std::string& GifFile()
{
    static std::string bytes = [] {
        vktest::TempDir dir;
        vktest::Pixels p = vktest::FromBitmap(Picture());
        std::string ppm = "P6\n" + std::to_string(kWidth) + " " + std::to_string(kHeight) + "\n255\n";
        ppm.reserve(ppm.size() + p.data.size() * 3);
        for (uint32_t v : p.data) {
            ppm += char(v >> 16);
            ppm += char(v >> 8);
            ppm += char(v);
        }
        vktest::WriteFile(dir.File("in.ppm"), ppm);
        vktest::Run(vktest::ImageMagick() + " " + vktest::Quote(dir.File("in.ppm")) + " " +
                    vktest::Quote(dir.File("out.gif")) + " 2>/dev/null");
        return vktest::ReadFile(dir.File("out.gif"));
    }();
    return bytes;
}

// PCX runs, one line of one plane at a time, as writers do.
void PcxLine(std::string& out, const uint8_t* line, size_t n)
{
    for (size_t i = 0; i < n;) {
        size_t run = 1;
        while (i + run < n && line[i + run] == line[i] && run < 63)
            ++run;
        if (run > 1 || line[i] >= 0xC0)
            out += char(0xC0 | run);
        out += char(line[i]);
        i += run;
    }
}

std::string PcxHeader(int bits, int planes, int version)
{
    std::string h(128, '\0');
    h[0] = 0x0A;
    h[1] = char(version);
    h[2] = 1;
    h[3] = char(bits);
    h[8] = char((kWidth - 1) & 0xFF);
    h[9] = char((kWidth - 1) >> 8);
    h[10] = char((kHeight - 1) & 0xFF);
    h[11] = char((kHeight - 1) >> 8);
    h[65] = char(planes);
    h[66] = char(kWidth & 0xFF);
    h[67] = char(kWidth >> 8);
    return h;
}

const std::string& Pcx8()
{
    static std::string bytes = [] {
        std::string out = PcxHeader(8, 1, 5);
        std::string line(kWidth, '\0');
        for (int y = 0; y < kHeight; ++y) {
            const uint32_t* in = Picture().GetLine32(y);
            for (int x = 0; x < kWidth; ++x)
                line[size_t(x)] = char(IndexOf(in[x]));
            PcxLine(out, reinterpret_cast<const uint8_t*>(line.data()), line.size());
        }
        out += char(12);
        for (int i = 0; i < 256; ++i) {
            uint32_t c = ColorOf(i);
            out += char(c >> 16);
            out += char(c >> 8);
            out += char(c);
        }
        return out;
    }();
    return bytes;
}

const std::string& Pcx24()
{
    static std::string bytes = [] {
        std::string out = PcxHeader(8, 3, 5);
        std::string plane(kWidth, '\0');
        for (int y = 0; y < kHeight; ++y) {
            const uint32_t* in = Picture().GetLine32(y);
            for (int shift : {16, 8, 0}) {
                for (int x = 0; x < kWidth; ++x)
                    plane[size_t(x)] = char(in[x] >> shift);
                PcxLine(out, reinterpret_cast<const uint8_t*>(plane.data()), plane.size());
            }
        }
        return out;
    }();
    return bytes;
}

void ByteRun1(std::string& out, const uint8_t* row, size_t n)
{
    size_t i = 0;
    while (i < n) {
        size_t run = 1;
        while (i + run < n && row[i + run] == row[i] && run < 128)
            ++run;
        if (run >= 3) {
            out += char(257 - run);
            out += char(row[i]);
            i += run;
            continue;
        }
        size_t start = i;
        while (i < n && i - start < 128 && !(i + 2 < n && row[i] == row[i + 1] && row[i] == row[i + 2]))
            ++i;
        out += char(i - start - 1);
        out.append(reinterpret_cast<const char*>(row + start), i - start);
    }
}

std::string BE32(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

// ILBM with ByteRun1 BODY: 8 planes with a palette, or 24 planes.
std::string Ilbm(int planes)
{
    const size_t rowBytes = (kWidth + 15) / 16 * 2;
    std::string body;
    std::string plane(rowBytes, '\0');
    for (int y = 0; y < kHeight; ++y) {
        const uint32_t* in = Picture().GetLine32(y);
        for (int k = 0; k < planes; ++k) {
            std::fill(plane.begin(), plane.end(), '\0');
            for (int x = 0; x < kWidth; ++x) {
                uint32_t value = planes == 24 ? ((in[x] >> (16 - 8 * (k / 8))) >> (k % 8)) & 1 : (IndexOf(in[x]) >> k) & 1;
                if (value)
                    plane[size_t(x / 8)] = char(plane[size_t(x / 8)] | (0x80 >> (x % 8)));
            }
            ByteRun1(body, reinterpret_cast<const uint8_t*>(plane.data()), rowBytes);
        }
    }
    std::string bmhd = {char(kWidth >> 8), char(kWidth & 0xFF), char(kHeight >> 8), char(kHeight & 0xFF), 0, 0, 0, 0,
                        char(planes), 0, 1, 0, 0, 0, 10, 11, char(kWidth >> 8), char(kWidth & 0xFF),
                        char(kHeight >> 8), char(kHeight & 0xFF)};
    std::string chunks = "BMHD" + BE32(20) + bmhd;
    if (planes == 8) {
        std::string cmap;
        for (int i = 0; i < 256; ++i) {
            uint32_t c = ColorOf(i);
            cmap += {char(c >> 16), char(c >> 8), char(c)};
        }
        chunks += "CMAP" + BE32(uint32_t(cmap.size())) + cmap;
    }
    chunks += "BODY" + BE32(uint32_t(body.size())) + body;
    if (body.size() & 1)
        chunks += '\0';
    return "FORM" + BE32(uint32_t(4 + chunks.size())) + "ILBM" + chunks;
}

const std::string& Ilbm8()
{
    static std::string bytes = Ilbm(8);
    return bytes;
}
const std::string& Ilbm24()
{
    static std::string bytes = Ilbm(24);
    return bytes;
}

double ThreadSeconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// CPU seconds of one memcpy of `bytes` bytes, the best of a few rounds.
double MemcpySeconds(size_t bytes)
{
    std::string from(bytes, '\1'), to(bytes, '\0');
    double best = 1e9;
    for (int round = 0; round < 10; ++round) {
        double start = ThreadSeconds();
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        best = std::min(best, ThreadSeconds() - start);
    }
    return best;
}

double GiflibSeconds(const std::string& file);

// Figures in bytes of file per second; x_memcpy_file and x_memcpy_picture
// are decode speed over the speed of a memcpy of the file's bytes and of
// the decoded picture's bytes (CPU time, so other load on the machine
// counts less).
template <class Decoder>
void Decode(benchmark::State& state, const std::string& file, bool withGiflib = false)
{
    if (file.empty()) {
        state.SkipWithError("no file (ImageMagick missing?)");
        return;
    }
    Decoder decoder;
    CWinBmp bmp;
    double seconds = 0;
    for (auto _ : state) {
        double start = ThreadSeconds();
        CMemSource source(reinterpret_cast<const uint8_t*>(file.data()), file.size());
        decoder.Decode(source, bmp, 32);
        benchmark::DoNotOptimize(bmp.GetLine(0));
        seconds += ThreadSeconds() - start;
    }
    seconds /= double(state.iterations());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
    state.counters["file_MB"] = double(file.size()) / 1e6;
    state.counters["x_memcpy_file"] = MemcpySeconds(file.size()) / seconds;
    state.counters["x_memcpy_picture"] = MemcpySeconds(size_t(kWidth) * kHeight * 4) / seconds;
#ifdef VELKOR_HAVE_GIFLIB
    if (withGiflib)
        state.counters["x_giflib"] = GiflibSeconds(file) / seconds;
#endif
}

void BM_Gif_Velkor(benchmark::State& state) { Decode<CGIFDecoder>(state, GifFile(), true); }
void BM_Pcx8_Velkor(benchmark::State& state) { Decode<CPCXDecoder>(state, Pcx8()); }
void BM_Pcx24_Velkor(benchmark::State& state) { Decode<CPCXDecoder>(state, Pcx24()); }
void BM_Ilbm8_Velkor(benchmark::State& state) { Decode<CIFFDecoder>(state, Ilbm8()); }
void BM_Ilbm24_Velkor(benchmark::State& state) { Decode<CIFFDecoder>(state, Ilbm24()); }

// A memcpy of the decoded picture's bytes.
void BM_Memcpy_Picture(benchmark::State& state)
{
    const size_t bytes = size_t(kWidth) * kHeight * 4;
    std::string from(bytes, '\1'), to(bytes, '\0');
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

#ifdef VELKOR_HAVE_GIFLIB
struct MemReader {
    const std::string* file;
    size_t pos;
};

int ReadMem(GifFileType* gif, GifByteType* out, int n)
{
    auto* m = static_cast<MemReader*>(gif->UserData);
    size_t count = std::min(size_t(n), m->file->size() - m->pos);
    std::memcpy(out, m->file->data() + m->pos, count);
    m->pos += count;
    return int(count);
}

// giflib's whole-file read: every image's indices, no colour expansion.
bool GiflibSlurp(const std::string& file)
{
    MemReader reader{&file, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, ReadMem, &error);
    if (!gif)
        return false;
    bool ok = DGifSlurp(gif) == GIF_OK;
    if (ok)
        benchmark::DoNotOptimize(gif->SavedImages[0].RasterBits);
    DGifCloseFile(gif, &error);
    return ok;
}

double GiflibSeconds(const std::string& file)
{
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        double start = ThreadSeconds();
        GiflibSlurp(file);
        best = std::min(best, ThreadSeconds() - start);
    }
    return best;
}

void BM_Gif_GiflibSlurp(benchmark::State& state)
{
    const std::string& file = GifFile();
    for (auto _ : state)
        if (!GiflibSlurp(file)) {
            state.SkipWithError("giflib failed");
            return;
        }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
}
BENCHMARK(BM_Gif_GiflibSlurp)->Unit(benchmark::kMillisecond);
#endif

} // namespace

BENCHMARK(BM_Memcpy_Picture)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Gif_Velkor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pcx8_Velkor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pcx24_Velkor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ilbm8_Velkor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ilbm24_Velkor)->Unit(benchmark::kMillisecond);
