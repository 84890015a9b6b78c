// What the decoding benchmarks share: the 4000 x 3000 test picture, CPU
// time, a memcpy to measure against, PackBits rows and the decode loop
// with its figures.
#pragma once

#include "TestSupport.h"
#include "engine/picture/PicDecoder.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <span>
#include <string>
#include <vector>

namespace vkbench {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr size_t kPictureBytes = size_t(kWidth) * kHeight * 4;

// Thread CPU seconds: the machine is shared, so wall time says little.
inline double CpuSeconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// CPU seconds of one memcpy of `bytes` bytes, the best of ten.
inline double MemcpySeconds(size_t bytes)
{
    std::vector<char> from(bytes, 1), to(bytes);
    double best = 1e9;
    for (int round = 0; round < 10; ++round) {
        double start = CpuSeconds();
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
        best = std::min(best, CpuSeconds() - start);
    }
    return best;
}

// The test picture at full size. Cut to 3-3-2 bits it has at most 256
// colours, gradients and noise, so every indexed format holds it exactly.
inline const CWinBmp& Picture(bool threeThreeTwo = false)
{
    static auto make = [](bool cut) {
        auto* b = new CWinBmp;
        vktest::MakeTestPicture(*b, kWidth, kHeight);
        if (cut)
            for (int y = 0; y < kHeight; ++y)
                for (uint32_t& v : std::span(b->GetLine32(y), size_t(kWidth)))
                    v &= 0xFFE0E0C0u;
        return b;
    };
    if (threeThreeTwo) {
        static const CWinBmp* cut = make(true);
        return *cut;
    }
    static const CWinBmp* full = make(false);
    return *full;
}

// PackBits (ByteRun1) of one row: runs of 3 or more equal bytes, literals
// otherwise, at most 128 bytes a packet.
inline void PackBitsRow(const uint8_t* row, size_t n, std::string& out)
{
    for (size_t i = 0; i < n;) {
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
        while (i < n && i - start < 128 && !(i + 2 < n && row[i] == row[i + 1] && row[i] == row[i + 2]))
            ++i;
        out += char(i - start - 1);
        out.append(reinterpret_cast<const char*>(row + start), i - start);
    }
}

// A memcpy of the decoded picture's bytes, the yardstick.
inline void BM_Memcpy_Picture(benchmark::State& state)
{
    std::vector<char> from(kPictureBytes, 1), to(kPictureBytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), kPictureBytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kPictureBytes));
}

// Decodes `file` at 32 bits per iteration. Figures in bytes of file per
// second; x_memcpy_file and x_memcpy_picture are decode speed over the
// speed of a memcpy of the file's bytes and of the decoded picture's bytes
// (CPU time, so other load on the machine counts less). Returns the mean
// CPU seconds of a decode.
inline double DecodeBench(benchmark::State& state, CPicDecoder& decoder, const std::string& file)
{
    if (file.empty()) {
        state.SkipWithError("no file (ImageMagick missing?)");
        return 0;
    }
    CWinBmp bmp;
    double seconds = 0;
    for (auto _ : state) {
        double start = CpuSeconds();
        CMemSource source(reinterpret_cast<const uint8_t*>(file.data()), file.size());
        decoder.Decode(source, bmp, 32);
        benchmark::DoNotOptimize(bmp.GetLine(0));
        seconds += CpuSeconds() - start;
    }
    seconds /= double(state.iterations());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
    state.counters["file_MB"] = double(file.size()) / 1e6;
    state.counters["x_memcpy_file"] = MemcpySeconds(file.size()) / seconds;
    state.counters["x_memcpy_picture"] = MemcpySeconds(kPictureBytes) / seconds;
    return seconds;
}

} // namespace vkbench
