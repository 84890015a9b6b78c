// Decoding 4000 x 3000 pictures as uncompressed Targa, PNM (P6) and Sun
// raster, and as run-length Targa and PackBits PICT (direct colour). Every
// figure counts the picture's 36 MB of RGB, and "vs_memcpy" is the decode's
// speed over a memcpy of that many bytes measured in the same run.
#include "TestSupport.h"
#include "picture/anydec.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr size_t kRgbBytes = size_t(kWidth) * kHeight * 3;

// Thread CPU seconds: the machine is shared, so wall time says little.
double CpuSeconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

const CWinBmp& Picture()
{
    static CWinBmp bmp;
    static bool made = (vktest::MakeTestPicture(bmp, kWidth, kHeight), true);
    (void)made;
    return bmp;
}

void Put16LE(std::string& s, unsigned v) { s += char(v & 0xFF); s += char(v >> 8); }
void Put16BE(std::string& s, unsigned v) { s += char(v >> 8); s += char(v & 0xFF); }
void Put32BE(std::string& s, uint32_t v) { Put16BE(s, v >> 16); Put16BE(s, v & 0xFFFF); }

uint8_t Red(uint32_t p) { return uint8_t(p >> 16); }
uint8_t Green(uint32_t p) { return uint8_t(p >> 8); }
uint8_t Blue(uint32_t p) { return uint8_t(p); }

std::string TgaHeader(int type)
{
    std::string s(2, '\0');
    s += char(type);
    s.append(9, '\0');
    Put16LE(s, kWidth);
    Put16LE(s, kHeight);
    s += char(24);
    s += char(0x20); // top-down
    return s;
}

const std::string& Tga()
{
    static std::string s = [] {
        std::string out = TgaHeader(2);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                uint32_t p = Picture().GetLine32(y)[x];
                out += char(Blue(p));
                out += char(Green(p));
                out += char(Red(p));
            }
        return out;
    }();
    return s;
}

const std::string& TgaRle()
{
    static std::string s = [] {
        std::string out = TgaHeader(10);
        for (int y = 0; y < kHeight; ++y) {
            const uint32_t* line = Picture().GetLine32(y);
            int x = 0;
            while (x < kWidth) {
                int run = 1;
                while (x + run < kWidth && run < 128 && line[x + run] == line[x])
                    ++run;
                if (run > 1) {
                    out += char(0x80 | (run - 1));
                    out += char(Blue(line[x]));
                    out += char(Green(line[x]));
                    out += char(Red(line[x]));
                    x += run;
                    continue;
                }
                int n = 1;
                while (x + n < kWidth && n < 128 && line[x + n] != line[x + n - 1])
                    ++n;
                out += char(n - 1);
                for (int i = 0; i < n; ++i) {
                    out += char(Blue(line[x + i]));
                    out += char(Green(line[x + i]));
                    out += char(Red(line[x + i]));
                }
                x += n;
            }
        }
        return out;
    }();
    return s;
}

const std::string& Ppm()
{
    static std::string s = [] {
        std::string out = "P6\n" + std::to_string(kWidth) + " " + std::to_string(kHeight) + "\n255\n";
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                uint32_t p = Picture().GetLine32(y)[x];
                out += char(Red(p));
                out += char(Green(p));
                out += char(Blue(p));
            }
        return out;
    }();
    return s;
}

const std::string& Ras()
{
    static std::string s = [] {
        std::string out;
        for (uint32_t v : {0x59A66A95u, uint32_t(kWidth), uint32_t(kHeight), 24u, uint32_t(kRgbBytes), 1u, 0u, 0u})
            Put32BE(out, v);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                uint32_t p = Picture().GetLine32(y)[x];
                out += char(Blue(p));
                out += char(Green(p));
                out += char(Red(p));
            }
        return out;
    }();
    return s;
}

// PackBits of one row: runs of 3 or more equal bytes, literals otherwise.
void PackRow(const uint8_t* row, size_t n, std::string& out)
{
    size_t i = 0;
    while (i < n) {
        size_t run = 1;
        while (i + run < n && run < 128 && row[i + run] == row[i])
            ++run;
        if (run >= 3) {
            out += char(257 - run);
            out += char(row[i]);
            i += run;
            continue;
        }
        size_t start = i;
        size_t len = 0;
        while (i < n && len < 128) {
            if (i + 2 < n && row[i] == row[i + 1] && row[i] == row[i + 2])
                break;
            ++i;
            ++len;
        }
        out += char(len - 1);
        out.append(reinterpret_cast<const char*>(row + start), len);
    }
}

// Direct bits, 32 bits per pixel in three packed component planes, as
// QuickDraw and ImageMagick write photographs.
const std::string& Pict()
{
    static std::string s = [] {
        std::string out(512, '\0');
        Put16BE(out, 0);
        for (int v : {0, 0, kHeight, kWidth})
            Put16BE(out, unsigned(v));
        Put16BE(out, 0x0011);
        Put16BE(out, 0x02FF);
        Put16BE(out, 0x0C00);
        out.append(24, '\0');
        Put16BE(out, 0x009A);
        Put32BE(out, 0xFF);
        Put16BE(out, 0x8000 | (4 * kWidth & 0x7FFF));
        for (int v : {0, 0, kHeight, kWidth})
            Put16BE(out, unsigned(v));
        Put16BE(out, 0);          // version
        Put16BE(out, 4);          // pack type
        Put32BE(out, 0);          // pack size
        Put32BE(out, 0x480000);
        Put32BE(out, 0x480000);
        Put16BE(out, 16);         // pixel type
        Put16BE(out, 32);         // pixel size
        Put16BE(out, 3);          // components
        Put16BE(out, 8);          // component size
        out.append(12, '\0');     // plane bytes, table, reserved
        for (int r = 0; r < 2; ++r)
            for (int v : {0, 0, kHeight, kWidth})
                Put16BE(out, unsigned(v));
        Put16BE(out, 0);          // mode
        std::vector<uint8_t> planes(size_t(kWidth) * 3);
        std::string packed;
        for (int y = 0; y < kHeight; ++y) {
            const uint32_t* line = Picture().GetLine32(y);
            for (int x = 0; x < kWidth; ++x) {
                planes[size_t(x)] = Red(line[x]);
                planes[size_t(kWidth + x)] = Green(line[x]);
                planes[size_t(2 * kWidth + x)] = Blue(line[x]);
            }
            packed.clear();
            PackRow(planes.data(), planes.size(), packed);
            Put16BE(out, unsigned(packed.size()));
            out += packed;
        }
        Put16BE(out, 0x00FF);
        return out;
    }();
    return s;
}

// Seconds for one memcpy of the picture's RGB bytes, best of several.
double MemcpySeconds()
{
    static double best = [] {
        std::vector<char> from(kRgbBytes, 1), to(kRgbBytes);
        double b = 1e9;
        for (int i = 0; i < 10; ++i) {
            double t0 = CpuSeconds();
            std::memcpy(to.data(), from.data(), kRgbBytes);
            benchmark::ClobberMemory();
            b = std::min(b, CpuSeconds() - t0);
        }
        return b;
    }();
    return best;
}

void BM_Memcpy(benchmark::State& state)
{
    std::vector<char> from(kRgbBytes, 1), to(kRgbBytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), kRgbBytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kRgbBytes));
}

void Decode(benchmark::State& state, const std::string& file)
{
    CAnyPicDecoder decoder;
    CWinBmp bmp;
    double best = 1e9;
    for (auto _ : state) {
        double t0 = CpuSeconds();
        CMemSource source(reinterpret_cast<const uint8_t*>(file.data()), file.size());
        decoder.Decode(source, bmp, 32);
        benchmark::DoNotOptimize(bmp.GetLine(0));
        best = std::min(best, CpuSeconds() - t0);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kRgbBytes));
    state.counters["file_MB"] = double(file.size()) / 1e6;
    state.counters["vs_memcpy"] = MemcpySeconds() / best;
}

void BM_DecodeTga(benchmark::State& state) { Decode(state, Tga()); }
void BM_DecodePpm(benchmark::State& state) { Decode(state, Ppm()); }
void BM_DecodeRas(benchmark::State& state) { Decode(state, Ras()); }
void BM_DecodeTgaRle(benchmark::State& state) { Decode(state, TgaRle()); }
void BM_DecodePictPackBits(benchmark::State& state) { Decode(state, Pict()); }

} // namespace

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeTga)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodePpm)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeRas)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeTgaRle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodePictPackBits)->Unit(benchmark::kMillisecond);
