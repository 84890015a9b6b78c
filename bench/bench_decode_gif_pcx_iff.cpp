// GIF, PCX and IFF/ILBM decoding of 4000 x 3000 pictures, next to a memcpy
// of the same bytes and, for GIF, giflib's DGifSlurp on the same file.
#include "BenchSupport.h"
#include "engine/picture/GIFDecoder.h"
#include "engine/picture/IFFDecoder.h"
#include "engine/picture/PCXDecoder.h"

#ifdef VELKOR_HAVE_GIFLIB
#include <gif_lib.h>
#endif

using namespace vkbench;

namespace {

// Every picture here is the 3-3-2 one: index i has these colour bits.
uint8_t IndexOf(uint32_t v)
{
    return uint8_t(((v >> 16) & 0xE0) | ((v >> 11) & 0x1C) | ((v >> 6) & 0x03));
}
uint32_t ColorOf(int i)
{
    return MakePixel(uint8_t(i & 0xE0), uint8_t((i << 3) & 0xE0), uint8_t((i << 6) & 0xC0));
}

// The 256 colours as red, green, blue bytes.
std::string ColorTable()
{
    std::string out;
    for (int i = 0; i < 256; ++i) {
        uint32_t c = ColorOf(i);
        out += {char(c >> 16), char(c >> 8), char(c)};
    }
    return out;
}

const std::string& GifFile()
{
    static std::string bytes = [] {
        vktest::TempDir dir;
        vktest::WriteFile(dir.File("in.ppm"), vktest::ToPpm(Picture(true)));
        vktest::Run(vktest::ImageMagick() + " " + vktest::Quote(dir.File("in.ppm")) + " " +
                    vktest::Quote(dir.File("out.gif")) + " 2>/dev/null");
        return vktest::ReadFile(dir.File("out.gif"));
    }();
    return bytes;
}

// PCX runs, one line of one plane at a time, as writers do.
void PcxLine(std::string& out, const std::string& line)
{
    for (size_t i = 0, run; i < line.size(); i += run) {
        for (run = 1; i + run < line.size() && line[i + run] == line[i] && run < 63;)
            ++run;
        if (run > 1 || uint8_t(line[i]) >= 0xC0)
            out += char(0xC0 | run);
        out += line[i];
    }
}

// Version 5, run-length coded, `planes` planes of 8 bits, `kWidth` bytes a line.
std::string Pcx(int planes)
{
    vktest::ByteWriter h(false);
    h.u8(0x0A).u8(5).u8(1).u8(8).u16(0).u16(0).u16(kWidth - 1).u16(kHeight - 1).zeros(53);
    h.u8(unsigned(planes)).u16(kWidth).zeros(60);
    std::string out = h.s, line(kWidth, '\0');
    for (int y = 0; y < kHeight; ++y) {
        const uint32_t* in = Picture(true).GetLine32(y);
        for (int shift : planes == 1 ? std::vector<int>{-1} : std::vector<int>{16, 8, 0}) {
            for (int x = 0; x < kWidth; ++x)
                line[size_t(x)] = char(shift < 0 ? IndexOf(in[x]) : in[x] >> shift);
            PcxLine(out, line);
        }
    }
    return planes == 1 ? out + char(12) + ColorTable() : out;
}

// ILBM with ByteRun1 BODY: 8 planes with a palette, or 24 planes.
std::string Ilbm(int planes)
{
    const size_t rowBytes = (kWidth + 15) / 16 * 2;
    std::string body;
    std::string plane(rowBytes, '\0');
    for (int y = 0; y < kHeight; ++y) {
        const uint32_t* in = Picture(true).GetLine32(y);
        for (int k = 0; k < planes; ++k) {
            std::fill(plane.begin(), plane.end(), '\0');
            for (int x = 0; x < kWidth; ++x) {
                uint32_t value =
                    planes == 24 ? ((in[x] >> (16 - 8 * (k / 8))) >> (k % 8)) & 1 : (IndexOf(in[x]) >> k) & 1;
                if (value)
                    plane[size_t(x / 8)] = char(plane[size_t(x / 8)] | (0x80 >> (x % 8)));
            }
            PackBitsRow(reinterpret_cast<const uint8_t*>(plane.data()), rowBytes, body);
        }
    }
    vktest::ByteWriter w(true);
    w.bytes("BMHD").u32(20).u16(kWidth).u16(kHeight).u32(0).u8(unsigned(planes)).u8(0).u8(1).u8(0);
    w.u16(0).u8(10).u8(11).u16(kWidth).u16(kHeight);
    if (planes == 8)
        w.bytes("CMAP").u32(768).bytes(ColorTable());
    w.bytes("BODY").u32(uint32_t(body.size())).bytes(body).align();
    return "FORM" + vktest::Be32(uint32_t(4 + w.s.size())) + "ILBM" + w.s;
}

double GiflibSeconds(const std::string& file);

template <class Decoder> void Decode(benchmark::State& state, const std::string& file)
{
    Decoder decoder;
    DecodeBench(state, decoder, file);
}

void BM_Gif_Velkor(benchmark::State& state)
{
    CGIFDecoder decoder;
    double seconds = DecodeBench(state, decoder, GifFile());
#ifdef VELKOR_HAVE_GIFLIB
    if (seconds > 0)
        state.counters["x_giflib"] = GiflibSeconds(GifFile()) / seconds;
#else
    (void)seconds;
#endif
}
void BM_Pcx8_Velkor(benchmark::State& state)
{
    static std::string f = Pcx(1);
    Decode<CPCXDecoder>(state, f);
}
void BM_Pcx24_Velkor(benchmark::State& state)
{
    static std::string f = Pcx(3);
    Decode<CPCXDecoder>(state, f);
}
void BM_Ilbm8_Velkor(benchmark::State& state)
{
    static std::string f = Ilbm(8);
    Decode<CIFFDecoder>(state, f);
}
void BM_Ilbm24_Velkor(benchmark::State& state)
{
    static std::string f = Ilbm(24);
    Decode<CIFFDecoder>(state, f);
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
        double start = CpuSeconds();
        GiflibSlurp(file);
        best = std::min(best, CpuSeconds() - start);
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
