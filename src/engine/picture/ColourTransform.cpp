#include "engine/picture/ColourTransform.h"

#include "engine/picture/WinBmp.h"

#include <algorithm>
#include <atomic>
#include <list>
#include <mutex>
#include <thread>

#include <lcms2.h>

namespace vkcolour {

class CTransform {
  public:
    explicit CTransform(cmsHTRANSFORM handle) : m_handle(handle) {}
    ~CTransform() { cmsDeleteTransform(m_handle); }
    CTransform(const CTransform&) = delete;
    CTransform& operator=(const CTransform&) = delete;
    cmsHTRANSFORM Handle() const { return m_handle; }

  private:
    cmsHTRANSFORM m_handle;
};

namespace {

// Pairs kept; a viewer meets few profiles.
constexpr size_t kCachedPairs = 16;
// Below this, one thread turns it all: starting threads would cost more.
constexpr int64_t kPixelsPerBand = 1 << 17;

std::atomic<int> g_built{0};

struct ProfileCloser {
    void operator()(void* p) const
    {
        if (p)
            cmsCloseProfile(p);
    }
};
using ProfileHandle = std::unique_ptr<void, ProfileCloser>;

bool ValidChromaticity(double x, double y)
{
    return x > 0 && x < 1 && y > 0 && y < 1 && x + y <= 1;
}

ProfileHandle BuildGammaProfile(const CColourProfile& p)
{
    // sRGB's white and primaries unless the file names its own.
    double c[8] = {0.3127, 0.3290, 0.64, 0.33, 0.30, 0.60, 0.15, 0.06};
    if (p.hasChromaticities)
        std::copy(p.chromaticities, p.chromaticities + 8, c);
    for (int i = 0; i < 8; i += 2)
        if (!ValidChromaticity(c[i], c[i + 1]))
            return nullptr;
    if (!(p.gamma >= 0 && p.gamma <= 10))
        return nullptr;
    const cmsCIExyY white{c[0], c[1], 1.0};
    const cmsCIExyYTRIPLE primaries{{c[2], c[3], 1.0}, {c[4], c[5], 1.0}, {c[6], c[7], 1.0}};
    cmsToneCurve* curve = nullptr;
    if (p.gamma > 0.01) {
        curve = cmsBuildGamma(nullptr, 1.0 / p.gamma);
    } else {
        const cmsFloat64Number srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
        curve = cmsBuildParametricToneCurve(nullptr, 4, srgb);
    }
    if (!curve)
        return nullptr;
    cmsToneCurve* curves[3] = {curve, curve, curve};
    ProfileHandle profile(cmsCreateRGBProfile(&white, &primaries, curves));
    cmsFreeToneCurve(curve);
    return profile;
}

// An lcms2 profile for the description; null when it cannot be used.
ProfileHandle OpenProfile(const CColourProfile* p)
{
    if (!p || p->kind == CColourProfile::Kind::Srgb)
        return ProfileHandle(cmsCreate_sRGBProfile());
    if (p->kind == CColourProfile::Kind::Gamma)
        return BuildGammaProfile(*p);
    if (p->icc.size() < 132 || p->icc.size() > kMaxIccProfileBytes)
        return nullptr; // shorter than the header and tag count
    ProfileHandle profile(cmsOpenProfileFromMem(p->icc.data(), cmsUInt32Number(p->icc.size())));
    if (!profile || cmsGetColorSpace(profile.get()) != cmsSigRgbData)
        return nullptr;
    const cmsProfileClassSignature cls = cmsGetDeviceClass(profile.get());
    if (cls != cmsSigDisplayClass && cls != cmsSigInputClass && cls != cmsSigOutputClass &&
        cls != cmsSigColorSpaceClass)
        return nullptr;
    return profile;
}

TransformPtr Build(const CColourProfile& from, const CColourProfile* to)
{
    ProfileHandle source = OpenProfile(&from);
    ProfileHandle target = OpenProfile(to);
    if (!source || !target)
        return nullptr;
    cmsHTRANSFORM handle = cmsCreateTransform(source.get(), TYPE_BGRA_8, target.get(), TYPE_BGRA_8,
                                              INTENT_RELATIVE_COLORIMETRIC, 0);
    if (!handle)
        return nullptr;
    ++g_built;
    return std::make_shared<const CTransform>(handle);
}

struct CacheEntry {
    CColourProfile from;
    bool toSrgb = true;
    CColourProfile to;
    TransformPtr transform; // null: unusable, remembered so it is not parsed again
};

std::mutex g_cacheMutex;
std::list<CacheEntry> g_cache; // most recently used first

bool IsSrgb(const CColourProfile* p)
{
    return !p || p->kind == CColourProfile::Kind::Srgb;
}

} // namespace

TransformPtr TransformFor(const CColourProfile& from, const CColourProfile* to)
{
    if (IsSrgb(&from) && IsSrgb(to))
        return nullptr;
    const bool toSrgb = IsSrgb(to);
    {
        const std::lock_guard lock(g_cacheMutex);
        for (auto it = g_cache.begin(); it != g_cache.end(); ++it) {
            if (it->toSrgb == toSrgb && (toSrgb || it->to == *to) && it->from == from) {
                g_cache.splice(g_cache.begin(), g_cache, it);
                return it->transform;
            }
        }
    }
    // Built outside the lock: a large profile takes a while, and two
    // threads building the same pair at once only waste a little work.
    TransformPtr transform = Build(from, to);
    const std::lock_guard lock(g_cacheMutex);
    g_cache.push_front({from, toSrgb, toSrgb ? CColourProfile{} : *to, transform});
    if (g_cache.size() > kCachedPairs)
        g_cache.pop_back();
    return transform;
}

void Apply(const CTransform& transform, uint8_t* first, int width, int height, ptrdiff_t stride)
{
    if (width <= 0 || height <= 0)
        return;
    const int64_t pixels = int64_t(width) * height;
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    const int bands = int(std::clamp<int64_t>(pixels / kPixelsPerBand, 1, std::min(cores, height)));
    auto run = [&](int band) {
        const int y0 = int(int64_t(height) * band / bands);
        const int y1 = int(int64_t(height) * (band + 1) / bands);
        uint8_t* line = first + stride * y0;
        // In place: lcms2 reads each line before it writes it.
        if (stride == ptrdiff_t(width) * 4 && y1 > y0)
            cmsDoTransform(transform.Handle(), line, line, cmsUInt32Number(width * (y1 - y0)));
        else
            for (int y = y0; y < y1; ++y, line += stride)
                cmsDoTransform(transform.Handle(), line, line, cmsUInt32Number(width));
    };
    std::vector<std::thread> workers;
    workers.reserve(size_t(bands - 1));
    for (int band = 1; band < bands; ++band)
        workers.emplace_back(run, band);
    run(0);
    for (std::thread& t : workers)
        t.join();
}

bool ConvertToSrgb(CBmp& bmp)
{
    const ColourProfilePtr profile = bmp.GetColourProfile();
    if (!profile || bmp.GetWidth() <= 0 || bmp.GetHeight() <= 0)
        return false;
    const TransformPtr transform = TransformFor(*profile, nullptr);
    if (!transform)
        return false;
    if (bmp.GetBitsPerPixel() != 32) {
        CWinBmp widened;
        widened.CopyFrom(bmp, 32);
        bmp.CopyFrom(widened, 0);
    }
    // Line by line: the lines need not be one block.
    const int height = bmp.GetHeight();
    const ptrdiff_t stride = height > 1 ? bmp.GetLine(1) - bmp.GetLine(0) : 0;
    bool evenlySpaced = true;
    for (int y = 1; y < height && evenlySpaced; ++y)
        evenlySpaced = bmp.GetLine(y) - bmp.GetLine(y - 1) == stride;
    if (evenlySpaced) {
        Apply(*transform, bmp.GetLine(0), bmp.GetWidth(), height, stride);
    } else {
        for (int y = 0; y < height; ++y)
            Apply(*transform, bmp.GetLine(y), bmp.GetWidth(), 1, 0);
    }
    bmp.SetColourProfile(MakeSrgbProfile());
    return true;
}

std::vector<uint8_t> IccBytesOf(const CColourProfile& profile)
{
    if (profile.kind == CColourProfile::Kind::Icc)
        return IsUsable(profile) ? profile.icc : std::vector<uint8_t>{};
    // sRGB and gamma descriptions are written out by lcms2.
    ProfileHandle handle = OpenProfile(&profile);
    cmsUInt32Number bytes = 0;
    if (!handle || !cmsSaveProfileToMem(handle.get(), nullptr, &bytes) || bytes == 0)
        return {};
    std::vector<uint8_t> out(bytes);
    if (!cmsSaveProfileToMem(handle.get(), out.data(), &bytes))
        return {};
    out.resize(bytes);
    return out;
}

bool IsUsable(const CColourProfile& profile)
{
    // lcms2 reads the tags only when a transform is built.
    return profile.kind == CColourProfile::Kind::Srgb || TransformFor(profile, nullptr) != nullptr;
}

int TransformsBuilt()
{
    return g_built.load();
}

} // namespace vkcolour
