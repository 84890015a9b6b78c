// BMP decoding and writing at 4000 x 3000, next to a plain memcpy of the
// same bytes. Figures are bytes of file per second.
#include "TestSupport.h"
#include "engine/picture/AnyPicDecoder.h"

#include <benchmark/benchmark.h>
#include <cstring>

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

const std::string& File24()
{
    static std::string bytes = [] {
        CWinBmp bmp;
        vktest::MakeTestPicture(bmp, kWidth, kHeight);
        std::string out;
        WriteBmp(bmp, [&out](const void* d, size_t n) { out.append(static_cast<const char*>(d), n); });
        return out;
    }();
    return bytes;
}

// An RLE8 file of the same size: runs of 1 to 40 pixels and some literals.
const std::string& FileRle8()
{
    static std::string bytes = [] {
        std::string pixels;
        unsigned state = 7;
        for (int y = 0; y < kHeight; ++y) {
            int x = 0;
            while (x < kWidth) {
                state = state * 1103515245u + 12345u;
                int n = std::min(kWidth - x, int(state >> 27) + 1 + int((state >> 8) % 8));
                if ((state & 3) == 0 && n >= 3) {
                    pixels += char(0);
                    pixels += char(n);
                    for (int i = 0; i < n; ++i)
                        pixels += char((x + i) & 0xFF);
                    if (n & 1)
                        pixels += char(0);
                } else {
                    pixels += char(n);
                    pixels += char((state >> 16) & 0xFF);
                }
                x += n;
            }
            pixels += std::string("\0\0", 2);
        }
        pixels += std::string("\0\1", 2);
        std::string out(54 + 1024, '\0');
        auto put32 = [&out](size_t at, uint32_t v) { std::memcpy(&out[at], &v, 4); };
        out[0] = 'B';
        out[1] = 'M';
        put32(2, uint32_t(out.size() + pixels.size()));
        put32(10, 54 + 1024);
        put32(14, 40);
        put32(18, kWidth);
        put32(22, kHeight);
        out[26] = 1;
        out[28] = 8;
        put32(30, 1);
        for (int i = 0; i < 256; ++i)
            out[54 + 4 * i] = out[55 + 4 * i] = out[56 + 4 * i] = char(i);
        return out + pixels;
    }();
    return bytes;
}

void Decode(benchmark::State& state, const std::string& file)
{
    CAnyPicDecoder decoder;
    CWinBmp bmp;
    for (auto _ : state) {
        CMemSource source(reinterpret_cast<const uint8_t*>(file.data()), file.size());
        decoder.Decode(source, bmp, 32);
        benchmark::DoNotOptimize(bmp.GetLine(0));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
}

void BM_Memcpy24(benchmark::State& state)
{
    const std::string& file = File24();
    std::string copy(file.size(), '\0');
    for (auto _ : state) {
        std::memcpy(copy.data(), file.data(), file.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
}

void BM_Decode24(benchmark::State& state)
{
    Decode(state, File24());
}
void BM_DecodeRle8(benchmark::State& state)
{
    Decode(state, FileRle8());
}

void BM_WriteBmp(benchmark::State& state)
{
    CWinBmp bmp;
    vktest::MakeTestPicture(bmp, kWidth, kHeight);
    vktest::TempDir dir;
    for (auto _ : state)
        SaveAsBmpFile(bmp, dir.File("out.bmp"));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(File24().size()));
}

} // namespace

BENCHMARK(BM_Memcpy24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decode24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeRle8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteBmp)->Unit(benchmark::kMillisecond);
