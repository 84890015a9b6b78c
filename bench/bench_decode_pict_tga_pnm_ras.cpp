// Decoding 4000 x 3000 pictures as uncompressed Targa, PNM (P6) and Sun
// raster, and as run-length Targa and PackBits PICT (direct colour),
// through the format detector as a viewer does, next to a memcpy.
#include "BenchSupport.h"
#include "engine/picture/AnyPicDecoder.h"

using namespace vkbench;

namespace {

// The picture's lines as blue, green, red triples.
std::string BgrPixels()
{
    std::string out;
    out.reserve(size_t(kWidth) * kHeight * 3);
    for (int y = 0; y < kHeight; ++y)
        for (uint32_t p : std::span(Picture().GetLine32(y), size_t(kWidth)))
            out += {char(p), char(p >> 8), char(p >> 16)};
    return out;
}

// Top-down Targa of 24 bits, stored (type 2) or run-length coded (type 10).
std::string Tga(bool rle)
{
    vktest::ByteWriter w(false);
    w.u8(0).u8(0).u8(rle ? 10 : 2).zeros(9).u16(kWidth).u16(kHeight).u8(24).u8(0x20);
    if (!rle)
        return w.s + BgrPixels();
    std::string& out = w.s;
    for (int y = 0; y < kHeight; ++y) {
        const uint32_t* line = Picture().GetLine32(y);
        for (int x = 0; x < kWidth;) {
            int run = 1;
            while (x + run < kWidth && run < 128 && line[x + run] == line[x])
                ++run;
            // A run packet, or a literal one up to the next repeat.
            int n = 1;
            if (run == 1)
                while (x + n < kWidth && n < 128 && line[x + n] != line[x + n - 1])
                    ++n;
            out += char(run > 1 ? 0x80 | (run - 1) : n - 1);
            for (int i = 0; i < (run > 1 ? 1 : n); ++i)
                out += {char(line[x + i]), char(line[x + i] >> 8), char(line[x + i] >> 16)};
            x += run > 1 ? run : n;
        }
    }
    return out;
}

std::string Ras()
{
    vktest::ByteWriter w(true);
    for (uint32_t v :
         {0x59A66A95u, uint32_t(kWidth), uint32_t(kHeight), 24u, uint32_t(kWidth) * kHeight * 3, 1u, 0u, 0u})
        w.u32(v);
    return w.s + BgrPixels();
}

// Direct bits, 32 bits per pixel in three packed component planes, as
// QuickDraw and ImageMagick write photographs.
std::string Pict()
{
    vktest::ByteWriter w(true);
    w.zeros(512).u16(0).rect(0, 0, kHeight, kWidth).u16(0x0011).u16(0x02FF).u16(0x0C00).zeros(24);
    w.u16(0x009A).u32(0xFF).u16(0x8000 | (4 * kWidth & 0x7FFF)).rect(0, 0, kHeight, kWidth);
    w.u16(0).u16(4).u32(0);          // version, pack type, pack size
    w.u32(0x480000).u32(0x480000);   // resolution
    w.u16(16).u16(32).u16(3).u16(8); // pixel type, size, components, component size
    w.zeros(12);                     // plane bytes, table, reserved
    w.rect(0, 0, kHeight, kWidth).rect(0, 0, kHeight, kWidth).u16(0);
    std::vector<uint8_t> planes(size_t(kWidth) * 3);
    std::string packed;
    for (int y = 0; y < kHeight; ++y) {
        const uint32_t* line = Picture().GetLine32(y);
        for (int x = 0; x < kWidth; ++x) {
            planes[size_t(x)] = uint8_t(line[x] >> 16);
            planes[size_t(kWidth + x)] = uint8_t(line[x] >> 8);
            planes[size_t(2 * kWidth + x)] = uint8_t(line[x]);
        }
        packed.clear();
        PackBitsRow(planes.data(), planes.size(), packed);
        w.u16(unsigned(packed.size())).bytes(packed);
    }
    return w.u16(0x00FF).s;
}

void Decode(benchmark::State& state, const std::string& file)
{
    CAnyPicDecoder decoder;
    DecodeBench(state, decoder, file);
}

void BM_DecodeTga(benchmark::State& state)
{
    static std::string f = Tga(false);
    Decode(state, f);
}
void BM_DecodePpm(benchmark::State& state)
{
    static std::string f = vktest::ToPpm(Picture());
    Decode(state, f);
}
void BM_DecodeRas(benchmark::State& state)
{
    static std::string f = Ras();
    Decode(state, f);
}
void BM_DecodeTgaRle(benchmark::State& state)
{
    static std::string f = Tga(true);
    Decode(state, f);
}
void BM_DecodePictPackBits(benchmark::State& state)
{
    static std::string f = Pict();
    Decode(state, f);
}

} // namespace

BENCHMARK(BM_Memcpy_Picture)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeTga)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodePpm)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeRas)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeTgaRle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodePictPackBits)->Unit(benchmark::kMillisecond);
