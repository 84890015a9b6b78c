// Colour management on the way to the screen: what it adds to the first
// paint of a 24 MP picture tagged with a Display P3 like profile, which
// turns the displayed (scaled) size only. Figures, best of several runs in
// wall time (the transform runs on every core): the scaled image without
// and with management and the difference (goal: under 30 ms added), the
// same transform on one thread straight through lcms2 (the peer), and
// what turning the whole picture would have cost instead.
#include "TestSupport.h"
#include "engine/picture/ColourTransform.h"
#include "ui/widgets/DisplayColour.h"
#include "ui/widgets/TileCache.h"

#include <benchmark/benchmark.h>
#include <lcms2.h>

#include <algorithm>
#include <chrono>
#include <ctime>

namespace {

constexpr int kWidth = 6000, kHeight = 4000;
// Fitted into a 1920 x 1080 screen.
constexpr int kShownWidth = 1620, kShownHeight = 1080;
const double kP3[8] = {0.3127, 0.3290, 0.680, 0.320, 0.265, 0.690, 0.150, 0.060};

const CWinBmp& Picture()
{
    static CWinBmp* bmp = [] {
        auto* b = new CWinBmp;
        vktest::MakeTestPicture(*b, kWidth, kHeight);
        b->SetColourProfile(MakeGammaProfile(0, kP3));
        return b;
    }();
    return *bmp;
}

// Thread CPU milliseconds: the machine may be shared, and wall time then
// says little about a transform on one thread.
double CpuMs()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

template <class F> double BestMs(F work, int rounds = 7)
{
    double best = 1e9;
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(
            best,
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

QImage Scaled()
{
    QRect actual;
    return vkview::BuildScaledRegion(Picture(), kShownWidth, kShownHeight,
                                     QRect(0, 0, kShownWidth, kShownHeight), actual);
}

void FirstPaint(benchmark::State& state)
{
    const CWinBmp& picture = Picture();
    double off = 0, on = 0, lcmsOneThread = 0, lcmsOneThreadCpu = 0, whole = 0;
    for (auto _ : state) {
        vkdisplay::SetColourManaged(false);
        off = BestMs([] { benchmark::DoNotOptimize(Scaled()); });
        vkdisplay::SetColourManaged(true);
        Scaled(); // the transform is built once and cached
        on = BestMs([] { benchmark::DoNotOptimize(Scaled()); });

        // lcms2 on its own, one thread, over the displayed size.
        vkdisplay::SetColourManaged(false);
        QImage shown = Scaled();
        const vkcolour::TransformPtr t = vkcolour::TransformFor(*picture.GetColourProfile(), nullptr);
        cmsHPROFILE p3 = nullptr;
        {
            const std::vector<uint8_t> icc = vkcolour::IccBytesOf(*picture.GetColourProfile());
            p3 = cmsOpenProfileFromMem(icc.data(), cmsUInt32Number(icc.size()));
        }
        cmsHPROFILE srgb = cmsCreate_sRGBProfile();
        cmsHTRANSFORM peer =
            cmsCreateTransform(p3, TYPE_BGRA_8, srgb, TYPE_BGRA_8, INTENT_RELATIVE_COLORIMETRIC, 0);
        lcmsOneThread = BestMs([&] {
            for (int y = 0; y < shown.height(); ++y)
                cmsDoTransform(peer, shown.scanLine(y), shown.scanLine(y), cmsUInt32Number(shown.width()));
        });
        lcmsOneThreadCpu = 1e9;
        for (int round = 0; round < 7; ++round) {
            const double start = CpuMs();
            for (int y = 0; y < shown.height(); ++y)
                cmsDoTransform(peer, shown.scanLine(y), shown.scanLine(y), cmsUInt32Number(shown.width()));
            lcmsOneThreadCpu = std::min(lcmsOneThreadCpu, CpuMs() - start);
        }
        cmsDeleteTransform(peer);
        cmsCloseProfile(p3);
        cmsCloseProfile(srgb);

        // The whole picture instead of the displayed size.
        CWinBmp copy;
        copy.CopyFrom(picture);
        whole = BestMs(
            [&] { vkcolour::Apply(*t, copy.GetLine(kHeight - 1), kWidth, kHeight, copy.GetLineBytes()); }, 3);
        vkdisplay::SetColourManaged(true);
    }
    state.counters["scaled_ms"] = off;
    state.counters["scaled_managed_ms"] = on;
    state.counters["added_ms"] = on - off;
    state.counters["lcms_1thread_ms"] = lcmsOneThread;
    state.counters["lcms_1thread_cpu_ms"] = lcmsOneThreadCpu;
    state.counters["ours_vs_lcms_1thread"] = lcmsOneThread > 0 ? (on - off) / lcmsOneThread : 0;
    state.counters["whole_picture_ms"] = whole;
}
BENCHMARK(FirstPaint)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void TransformLookup(benchmark::State& state)
{
    const ColourProfilePtr profile = MakeGammaProfile(0, kP3);
    vkcolour::TransformFor(*profile, nullptr);
    for (auto _ : state)
        benchmark::DoNotOptimize(vkcolour::TransformFor(*profile, nullptr));
}
BENCHMARK(TransformLookup);

} // namespace
