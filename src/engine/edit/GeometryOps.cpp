#include "engine/edit/GeometryOps.h"

#include "engine/picture/HugePages.h"
#include "engine/picture/TextException.h"
#include "engine/picture/WinBmp.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDegree = 0.005555555555555556; // 1 / 180
// Fixed-point blending weights: 4096 is 1.0.
constexpr int kOne = 4096;
constexpr int kHalf = 2048;
// Sizes beyond this are refused before they are turned into integers.
constexpr double kLargestSide = double(kMaxPixels);

void Assert32(const CBmp& bmp)
{
    assert(bmp.GetBitsPerPixel() == 32);
    (void)bmp;
}

// (a (4096 - f) + b f + 2048) div 4096 for each of the four bytes.
inline uint32_t Blend(uint32_t a, uint32_t b, uint32_t f)
{
#ifdef __SSE2__
    // Bytes of a and b interleaved as 16-bit pairs, times the pair (4096 - f, f).
    const __m128i zero = _mm_setzero_si128();
    __m128i ab =
        _mm_unpacklo_epi8(_mm_unpacklo_epi8(_mm_cvtsi32_si128(int(a)), _mm_cvtsi32_si128(int(b))), zero);
    __m128i sum = _mm_madd_epi16(ab, _mm_set1_epi32(int((kOne - f) | f << 16)));
    sum = _mm_srli_epi32(_mm_add_epi32(sum, _mm_set1_epi32(kHalf)), 12);
    sum = _mm_packs_epi32(sum, sum);
    return uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(sum, sum)));
#else
    // Two bytes at a time in 32-bit lanes of a 64-bit word.
    constexpr uint64_t kLanes02 = 0x000000FF000000FFull;
    constexpr uint64_t kRound = uint64_t(kHalf) << 32 | uint64_t(kHalf);
    const uint32_t g = kOne - f;
    uint64_t a02 = (uint64_t(a) | uint64_t(a) << 16) & kLanes02;           // bytes 0, 2
    uint64_t a13 = (uint64_t(a >> 8) | uint64_t(a >> 8) << 16) & kLanes02; // bytes 1, 3
    uint64_t b02 = (uint64_t(b) | uint64_t(b) << 16) & kLanes02;
    uint64_t b13 = (uint64_t(b >> 8) | uint64_t(b >> 8) << 16) & kLanes02;
    uint64_t s02 = (a02 * g + b02 * f + kRound) >> 12 & kLanes02;
    uint64_t s13 = (a13 * g + b13 * f + kRound) >> 12 & kLanes02;
    return uint32_t(s02 | s02 >> 16) | uint32_t(s13 | s13 >> 16) << 8;
#endif
}

// Start place and blending fraction of a run shifted by s >= 0.
struct Shift {
    int64_t start;
    uint32_t f;
};
inline Shift MakeShift(double s, int64_t bias)
{
    double whole = std::trunc(s);
    return Shift{int64_t(whole) - bias, uint32_t((s - whole) * kOne)};
}

// Value at place `k` of a run of n source pixels placed from place 0, the
// run's previous pixel being the background: what lands there after the
// run is shifted (and blended with its neighbour when antiAlias).
template <typename Get> inline uint32_t RunPixel(int64_t k, int64_t n, uint32_t f, bool antiAlias, Get get)
{
    if (k < 0 || k > n)
        return kBackgroundPixel;
    if (k == n)
        return antiAlias && f > 0 ? Blend(kBackgroundPixel, get(n - 1), f) : kBackgroundPixel;
    if (!antiAlias || f == 0)
        return get(k);
    return Blend(get(k), k > 0 ? get(k - 1) : kBackgroundPixel, f);
}

// Writes a destination line of `length` pixels holding the source line of n
// pixels shifted right by `shift`.
void ShiftLine(const uint32_t* in, int64_t n, uint32_t* out, int64_t length, Shift shift, bool antiAlias)
{
    const uint32_t f = antiAlias ? shift.f : 0;
    const int64_t first = std::clamp<int64_t>(shift.start, 0, length);
    const int64_t last = std::clamp<int64_t>(shift.start + n, 0, length); // one past the run
    std::fill(out, out + first, kBackgroundPixel);
    int64_t p = first;
    if (f == 0) {
        if (last > first)
            std::memcpy(out + first, in + (first - shift.start), size_t(last - first) * 4);
        p = std::max(first, last);
    } else {
        for (; p < last; ++p) {
            int64_t k = p - shift.start;
            out[p] = Blend(in[k], k > 0 ? in[k - 1] : kBackgroundPixel, f);
        }
        if (p < length && p == shift.start + n && n > 0)
            out[p++] = Blend(kBackgroundPixel, in[n - 1], f);
    }
    std::fill(out + std::max(p, first), out + length, kBackgroundPixel);
}

void CreateLike(CBmp& dest, const CBmp& source, int64_t width, int64_t height)
{
    CheckPictureSize(width, height);
    dest.Create(int(width), int(height), 32, source.HasAlphaChannel());
    AdviseLargePages(dest);
}

} // namespace

void AdviseLargePages(CBmp& bmp)
{
    if (bmp.GetHeight() == 0)
        return;
    const auto top = reinterpret_cast<uintptr_t>(bmp.GetLine(0));
    const auto bottom = reinterpret_cast<uintptr_t>(bmp.GetLine(bmp.GetHeight() - 1));
    const uintptr_t begin = std::min(top, bottom);
    const uintptr_t end = std::max(top, bottom) + uintptr_t(bmp.GetLineBytes());
    AdviseHugePages(reinterpret_cast<void*>(begin), end - begin);
}

// --- index mapping ---------------------------------------------------------

IndexMapping& IndexMapping::MirrorColumns()
{
    c = -c;
    b = -b;
    k1 = 1 - k1;
    return *this;
}

IndexMapping& IndexMapping::MirrorLines()
{
    d = -d;
    e = -e;
    k2 = 1 - k2;
    return *this;
}

IndexMapping& IndexMapping::SwapAxes()
{
    std::swap(c, e);
    std::swap(b, d);
    std::swap(k1, k2);
    return *this;
}

IndexMapping IndexMapping::Turn(int degrees)
{
    switch (degrees) {
    case 90:
        return IndexMapping().SwapAxes().MirrorColumns();
    case 180:
        return IndexMapping().MirrorColumns().MirrorLines();
    case 270:
        return IndexMapping().SwapAxes().MirrorLines();
    default:
        return IndexMapping();
    }
}

void MapPixels(const CBmp& source, CBmp& dest, const IndexMapping& m)
{
    Assert32(source);
    Assert32(dest);
    const int w = source.GetWidth();
    const int h = source.GetHeight();
    const int newW = h * std::abs(m.b) + w * std::abs(m.c);
    const int newH = h * std::abs(m.d) + w * std::abs(m.e);
    assert(dest.GetWidth() == newW && dest.GetHeight() == newH);
    if (newW == 0 || newH == 0)
        return;
    const int colBase = (newW - 1) * m.k1;
    const int lineBase = (newH - 1) * m.k2;

    if (!m.SwapsSides()) {
        // Each source line goes whole to one destination line.
        for (int y = 0; y < h; ++y) {
            const uint32_t* in = source.GetLine32(y);
            uint32_t* out = dest.GetLine32(lineBase + y * m.d);
            if (m.c == 1)
                std::memcpy(out, in, size_t(w) * 4);
            else
                std::reverse_copy(in, in + w, out);
        }
        return;
    }

    // Source columns become destination lines: walk in tiles so that both
    // sides stay in cache, moving 4 x 4 blocks at a time where they fit.
    constexpr int kTile = 32;
    auto place = [&](int x, int y, uint32_t pixel) {
        dest.GetLine32(lineBase + x * m.e)[colBase + y * m.b] = pixel;
    };
    const int h4 = h & ~3, w4 = w & ~3;
    for (int y0 = 0; y0 < h4; y0 += kTile) {
        const int y1 = std::min(h4, y0 + kTile);
        for (int x0 = 0; x0 < w4; x0 += kTile) {
            const int x1 = std::min(w4, x0 + kTile);
            for (int y = y0; y < y1; y += 4) {
                const uint32_t* in[4] = {source.GetLine32(y), source.GetLine32(y + 1),
                                         source.GetLine32(y + 2), source.GetLine32(y + 3)};
                // Destination column of the block's first pixel in a line.
                const int col = colBase + (m.b > 0 ? y : -(y + 3));
                for (int x = x0; x < x1; x += 4) {
#ifdef __SSE2__
                    __m128i r0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in[0] + x));
                    __m128i r1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in[1] + x));
                    __m128i r2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in[2] + x));
                    __m128i r3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in[3] + x));
                    __m128i t0 = _mm_unpacklo_epi32(r0, r1), t1 = _mm_unpacklo_epi32(r2, r3);
                    __m128i t2 = _mm_unpackhi_epi32(r0, r1), t3 = _mm_unpackhi_epi32(r2, r3);
                    __m128i c[4] = {_mm_unpacklo_epi64(t0, t1), _mm_unpackhi_epi64(t0, t1),
                                    _mm_unpacklo_epi64(t2, t3), _mm_unpackhi_epi64(t2, t3)};
                    for (int i = 0; i < 4; ++i) {
                        __m128i v = m.b > 0 ? c[i] : _mm_shuffle_epi32(c[i], _MM_SHUFFLE(0, 1, 2, 3));
                        _mm_storeu_si128(
                            reinterpret_cast<__m128i*>(dest.GetLine32(lineBase + (x + i) * m.e) + col), v);
                    }
#else
                    (void)col;
                    for (int i = 0; i < 4; ++i)
                        for (int j = 0; j < 4; ++j)
                            place(x + i, y + j, in[j][x + i]);
#endif
                }
            }
        }
    }
    // The lines and columns left over from the 4 x 4 blocks.
    for (int y = 0; y < h; ++y) {
        const uint32_t* in = source.GetLine32(y);
        for (int x = y < h4 ? w4 : 0; x < w; ++x)
            place(x, y, in[x]);
    }
}

// --- rotation ---------------------------------------------------------------

double DegreesToRadians(double degrees)
{
    return degrees * kPi * kDegree;
}

ShearRotationSizes ComputeShearRotationSizes(int width, int height, double theta)
{
    ShearRotationSizes r;
    const double tx = std::fabs(std::tan(theta / 2));
    const double sy = std::fabs(std::sin(theta));
    const double w = width, h = height;
    auto sound = [](double v) { return std::isfinite(v) && v >= 0 && v < kLargestSide; };

    const double t = std::trunc(h * tx + w + 0.999999);
    if (!sound(t))
        return r;
    const double j = std::trunc(sy * (t - w));
    const double u = std::trunc(h + sy * t + 0.999999);
    if (!sound(u))
        return r;
    const double k = std::trunc(tx * (u - j - h));
    const double newH = u - 2 * j;
    const double newW = std::trunc(tx * newH + t + 0.999999 - 2 * k);
    if (!sound(k) || !sound(newH) || !sound(newW))
        return r;
    r.t = int64_t(t);
    r.j = int64_t(j);
    r.u = int64_t(u);
    r.k = int64_t(k);
    r.width = int64_t(newW);
    r.height = int64_t(newH);
    r.valid = true;
    return r;
}

RotationSplit SplitRotation(int angle)
{
    if (angle <= 45)
        return {0, -angle};
    if (angle <= 135)
        return {90, 90 - angle};
    if (angle <= 225)
        return {180, 180 - angle};
    if (angle <= 315)
        return {270, 270 - angle};
    return {0, 360 - angle};
}

void RotateByShears(const CBmp& source, CBmp& dest, double theta, bool antiAlias)
{
    Assert32(source);
    const int w = source.GetWidth();
    const int h = source.GetHeight();
    const ShearRotationSizes z = ComputeShearRotationSizes(w, h, theta);
    if (!z.valid)
        throw CTextException(ErrNoMemory, kTextOutOfMemory);
    const double tx = std::fabs(std::tan(theta / 2));
    const double sy = std::fabs(std::sin(theta));
    const bool ccw = theta > 0;
    const uint32_t aa = antiAlias;

    // Pass 1: horizontal shear into T x H.
    CWinBmp first;
    CreateLike(first, source, z.t, h);
    for (int y = 0; y < h; ++y) {
        Shift s = MakeShift(ccw ? tx * y : tx * (h - y), 0);
        ShiftLine(source.GetLine32(y), w, first.GetLine32(y), z.t, s, antiAlias);
    }

    // Passes 2 and 3: the vertical shear is made a band of lines at a time,
    // gathered from the lines of pass 1 in tiles so that the slanted reads
    // stay in cache, and each band line is shifted straight into the result.
    std::vector<Shift> columns(size_t(z.t));
    for (int64_t x = 0; x < z.t; ++x)
        columns[size_t(x)] = MakeShift(ccw ? sy * double(z.t - x) : sy * double(x), z.j);
    const uint8_t* const* firstLines = first.GetLines();
    constexpr int64_t kBand = 32, kTileColumns = 256;
    std::vector<uint32_t> band(size_t(kBand) * size_t(z.t));
    CreateLike(dest, source, z.width, z.height);
    for (int64_t y0 = 0; y0 < z.height; y0 += kBand) {
        const int64_t y1 = std::min(z.height, y0 + kBand);
        for (int64_t x0 = 0; x0 < z.t; x0 += kTileColumns) {
            const int64_t x1 = std::min(z.t, x0 + kTileColumns);
            for (int64_t y = y0; y < y1; ++y) {
                uint32_t* line = &band[size_t(y - y0) * size_t(z.t)];
                for (int64_t x = x0; x < x1; ++x) {
                    const Shift& s = columns[size_t(x)];
                    line[x] = RunPixel(y - s.start, h, s.f * aa, antiAlias, [&](int64_t k) {
                        return reinterpret_cast<const uint32_t*>(firstLines[k])[x];
                    });
                }
            }
        }
        for (int64_t y = y0; y < y1; ++y) {
            Shift s = MakeShift(ccw ? tx * double(y) : tx * double(z.height - y), z.k);
            ShiftLine(&band[size_t(y - y0) * size_t(z.t)], z.t, dest.GetLine32(int(y)), z.width, s,
                      antiAlias);
        }
    }
}

PictureSize HighRotationSize(int width, int height, int angle)
{
    const double theta = DegreesToRadians(-angle);
    const double boxW = width * std::fabs(std::cos(theta)) + height * std::fabs(std::sin(theta));
    const double boxH = width * std::fabs(std::sin(theta)) + height * std::fabs(std::cos(theta));
    // The three-shear sizes overshoot the bounding box by a few pixels while
    // the turn is small. Past a quarter turn they stop covering the turned
    // picture (content would be cut off), and near 180 degrees
    // tan(theta / 2) runs away and so do they.
    constexpr double kSlack = 4;
    ShearRotationSizes z = ComputeShearRotationSizes(width, height, theta);
    auto near = [kSlack](double size, double box) { return size <= box + kSlack && size >= box - 1; };
    if (z.valid && near(double(z.width), boxW) && near(double(z.height), boxH))
        return {int(z.width), int(z.height)};
    const RotationSplit split = SplitRotation(angle);
    int w = width, h = height;
    if (split.step == 90 || split.step == 270)
        std::swap(w, h);
    if (split.residual == 0)
        return {w, h};
    z = ComputeShearRotationSizes(w, h, DegreesToRadians(split.residual));
    if (!z.valid)
        throw CTextException(ErrNoMemory, kTextOutOfMemory);
    return {int(z.width), int(z.height)};
}

void RotateByInverseMapping(const CBmp& source, CBmp& dest, int angle)
{
    Assert32(source);
    Assert32(dest);
    const int w = source.GetWidth();
    const int h = source.GetHeight();
    const int newW = dest.GetWidth();
    const int newH = dest.GetHeight();
    const double theta = DegreesToRadians(-angle);
    const double cosT = std::cos(theta);
    const double sinT = std::sin(theta);
    // Pixel centres turn about the picture centres; floor, not truncation,
    // so that the half pixel left of column 0 is outside. Source places are
    // stepped along a line in 32.32 fixed point.
    const double cx = w / 2.0, cy = h / 2.0;
    const double dcx = newW / 2.0, dcy = newH / 2.0;
    constexpr double kUnit = 4294967296.0; // 2^32
    auto fixed = [](double v) { return int64_t(std::llround(v * kUnit)); };
    const int64_t stepX = fixed(cosT), stepY = fixed(sinT);
    // Source place of each line's first pixel.
    std::vector<int64_t> rowX(static_cast<size_t>(newH)), rowY(static_cast<size_t>(newH));
    for (int y = 0; y < newH; ++y) {
        const double dy = y + 0.5 - dcy;
        const double dx0 = 0.5 - dcx;
        rowX[size_t(y)] = fixed(cx + cosT * dx0 - sinT * dy);
        rowY[size_t(y)] = fixed(cosT * dy + sinT * dx0 + cy);
    }
    // Destination tiles keep the slanted reads from the source in cache.
    constexpr int kTileLines = 32, kTileColumns = 128;
    const uint8_t* const* lines = source.GetLines();
    for (int y0 = 0; y0 < newH; y0 += kTileLines) {
        const int y1 = std::min(newH, y0 + kTileLines);
        for (int x0 = 0; x0 < newW; x0 += kTileColumns) {
            const int x1 = std::min(newW, x0 + kTileColumns);
            for (int y = y0; y < y1; ++y) {
                int64_t fx = rowX[size_t(y)] + stepX * x0;
                int64_t fy = rowY[size_t(y)] + stepY * x0;
                uint32_t* out = dest.GetLine32(y);
                for (int x = x0; x < x1; ++x, fx += stepX, fy += stepY) {
                    const int64_t sx = fx >> 32, sy = fy >> 32;
                    if (uint64_t(sx) < uint64_t(w) && uint64_t(sy) < uint64_t(h))
                        out[x] = reinterpret_cast<const uint32_t*>(lines[sy])[sx];
                    else
                        out[x] = kBackgroundPixel;
                }
            }
        }
    }
}

// --- shear -------------------------------------------------------------------

int64_t ShearWidth(int width, int height, double angle)
{
    const double t = std::fabs(std::tan(DegreesToRadians(angle)));
    const double n = std::trunc(height * t + width + 0.999999);
    if (!std::isfinite(n) || n >= kLargestSide)
        throw CTextException(ErrNoMemory, kTextOutOfMemory);
    return int64_t(n);
}

void ShearPixels(const CBmp& source, CBmp& dest, double angle, int corner, bool antiAlias)
{
    Assert32(source);
    Assert32(dest);
    const int w = source.GetWidth();
    const int h = source.GetHeight();
    const double theta = DegreesToRadians(corner == 1 ? angle : -angle);
    const double t = std::fabs(std::tan(theta));
    const int n = dest.GetWidth();
    for (int y = 0; y < h; ++y) {
        Shift s = MakeShift(theta > 0 ? t * y : t * (h - y), 0);
        ShiftLine(source.GetLine32(y), w, dest.GetLine32(y), n, s, antiAlias);
    }
}

// --- canvas --------------------------------------------------------------------

void CanvasOffset(int width, int height, int newWidth, int newHeight, int anchor, int& ox, int& oy)
{
    const int dw = newWidth - width;
    const int dh = newHeight - height;
    // Columns: 0 left, 1 centre, 2 right; the same for lines.
    static const int kColumn[9] = {1, 0, 1, 2, 0, 2, 0, 1, 2};
    static const int kLine[9] = {1, 0, 0, 0, 1, 1, 2, 2, 2};
    if (anchor < 0 || anchor > 8)
        anchor = 0;
    auto offset = [](int place, int d) { return place == 0 ? 0 : place == 1 ? d / 2 : d; };
    ox = offset(kColumn[anchor], dw);
    oy = offset(kLine[anchor], dh);
}

void PlaceOnCanvas(const CBmp& source, CBmp& dest, int anchor)
{
    Assert32(source);
    Assert32(dest);
    const int w = source.GetWidth(), h = source.GetHeight();
    const int newW = dest.GetWidth(), newH = dest.GetHeight();
    int ox = 0, oy = 0;
    CanvasOffset(w, h, newW, newH, anchor, ox, oy);
    // Destination columns the source covers, and the first source column.
    const int first = std::clamp(ox, 0, newW);
    const int last = std::clamp(ox + w, 0, newW);
    for (int y = 0; y < newH; ++y) {
        uint32_t* out = dest.GetLine32(y);
        const int sy = y - oy;
        if (sy < 0 || sy >= h || last <= first) {
            std::fill(out, out + newW, kBackgroundPixel);
            continue;
        }
        std::fill(out, out + first, kBackgroundPixel);
        std::memcpy(out + first, source.GetLine32(sy) + (first - ox), size_t(last - first) * 4);
        std::fill(out + last, out + newW, kBackgroundPixel);
    }
}

// --- resize ----------------------------------------------------------------------

namespace {

// Block boundaries of box averaging: destination index i covers source
// trunc(i / ratio) .. trunc((i + 1) / ratio) - 1, in single precision.
std::vector<int> BoxBounds(int destCount, int sourceCount)
{
    const float ratio = float(destCount) / float(sourceCount);
    std::vector<int> bounds(size_t(destCount) + 1);
    for (int i = 0; i <= destCount; ++i)
        bounds[size_t(i)] = std::clamp(int(float(i) / ratio), 0, sourceCount);
    bounds[size_t(destCount)] = sourceCount;
    // Every block holds at least one source index.
    for (int i = 0; i < destCount; ++i)
        bounds[size_t(i) + 1] = std::max(bounds[size_t(i) + 1], bounds[size_t(i)] + 1);
    return bounds;
}

// Exact floor(sum / divisor) for the averages of box resizing (quotients
// of at most 255): a reciprocal estimate, corrected by one either way.
struct AverageDivider {
    uint64_t divisor = 1;
    double reciprocal = 1;
    void Set(uint64_t d)
    {
        divisor = d;
        reciprocal = 1.0 / double(d);
    }
    uint32_t operator()(uint64_t sum) const
    {
        uint64_t q = uint64_t(double(sum) * reciprocal);
        if (q * divisor > sum)
            --q;
        else if ((q + 1) * divisor <= sum)
            ++q;
        return uint32_t(q);
    }
};

void BoxAverage(const CBmp& source, CBmp& dest)
{
    const int newW = dest.GetWidth(), newH = dest.GetHeight();
    const std::vector<int> cols = BoxBounds(newW, source.GetWidth());
    const std::vector<int> rows = BoxBounds(newH, source.GetHeight());
    std::vector<uint64_t> sums(size_t(newW) * 4);
    std::vector<AverageDivider> dividers(static_cast<size_t>(newW));
    for (int i = 0; i < newH; ++i) {
        std::fill(sums.begin(), sums.end(), 0);
        const int r0 = rows[size_t(i)], r1 = rows[size_t(i) + 1];
        for (int r = r0; r < r1; ++r) {
            const uint32_t* in = source.GetLine32(r);
            uint64_t* sum = sums.data();
            for (int j = 0; j < newW; ++j, sum += 4) {
                // Bytes 0 and 2, and 1 and 3, summed in 16-bit lanes, which
                // hold the sum of up to 257 values.
                int x = cols[size_t(j)];
                const int end = cols[size_t(j) + 1];
                while (x < end) {
                    const int chunk = std::min(end, x + 256);
                    uint32_t s02 = 0, s13 = 0;
                    for (; x < chunk; ++x) {
                        s02 += in[x] & 0x00FF00FFu;
                        s13 += in[x] >> 8 & 0x00FF00FFu;
                    }
                    sum[0] += s02 & 0xFFFF;
                    sum[1] += s13 & 0xFFFF;
                    sum[2] += s02 >> 16;
                    sum[3] += s13 >> 16;
                }
            }
        }
        // The sum divided by the columns and then by the lines is the sum
        // divided by the block's size.
        const uint64_t lineCount = uint64_t(r1 - r0);
        if (i == 0 || lineCount != uint64_t(rows[size_t(i)] - rows[size_t(i) - 1]))
            for (int j = 0; j < newW; ++j)
                dividers[size_t(j)].Set(uint64_t(cols[size_t(j) + 1] - cols[size_t(j)]) * lineCount);
        uint32_t* out = dest.GetLine32(i);
        for (int j = 0; j < newW; ++j) {
            const uint64_t* sum = &sums[size_t(j) * 4];
            const AverageDivider& divide = dividers[size_t(j)];
            out[j] = divide(sum[0]) | divide(sum[1]) << 8 | divide(sum[2]) << 16 | divide(sum[3]) << 24;
        }
    }
}

// out[k] = trunc(fy below[k] + (1 - fy) above[k]), in single precision.
void BlendLinesVertically(const uint8_t* above, const uint8_t* below, float fy, int count, float* out)
{
    const float gy = 1 - fy;
    int k = 0;
#ifdef __SSE2__
    const __m128 vf = _mm_set1_ps(fy), vg = _mm_set1_ps(gy);
    const __m128i zero = _mm_setzero_si128();
    for (; k + 4 <= count; k += 4) {
        uint32_t a4, b4;
        std::memcpy(&a4, above + k, 4);
        std::memcpy(&b4, below + k, 4);
        __m128 fa =
            _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(int(a4)), zero), zero));
        __m128 fb =
            _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(int(b4)), zero), zero));
        __m128 v = _mm_add_ps(_mm_mul_ps(vf, fb), _mm_mul_ps(vg, fa));
        _mm_storeu_ps(out + k, _mm_cvtepi32_ps(_mm_cvttps_epi32(v)));
    }
#endif
    for (; k < count; ++k)
        out[k] = float(int(fy * float(below[k]) + gy * float(above[k])));
}

// Pixel j = trunc((1 - fx) left + fx right) per channel, left being the
// blended pixel at column x0s[j] and right the one after it.
void BlendColumns(const float* blended, const int* x0s, const float* fxs, int count, uint32_t* out)
{
    for (int j = 0; j < count; ++j) {
        const float fx = fxs[j];
        const float gx = 1 - fx;
        const float* left = blended + size_t(x0s[j]) * 4;
#ifdef __SSE2__
        __m128 v = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(gx), _mm_loadu_ps(left)),
                              _mm_mul_ps(_mm_set1_ps(fx), _mm_loadu_ps(left + 4)));
        __m128i n = _mm_cvttps_epi32(v);
        n = _mm_packs_epi32(n, n);
        out[j] = uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(n, n)));
#else
        uint32_t p = 0;
        for (int ch = 0; ch < 4; ++ch)
            p |= uint32_t(int(gx * left[ch] + fx * left[ch + 4])) << (8 * ch);
        out[j] = p;
#endif
    }
}

void Bilinear(const CBmp& source, CBmp& dest)
{
    const int w = source.GetWidth(), h = source.GetHeight();
    const int newW = dest.GetWidth(), newH = dest.GetHeight();
    const float qy = float(h) / float(newH);
    const float qx = float(w) / float(newW);
    // Column pairs and weights, the same for every line.
    std::vector<int> x0s(static_cast<size_t>(newW));
    std::vector<float> fxs(static_cast<size_t>(newW));
    for (int j = 0; j < newW; ++j) {
        const float x = qx * float(j);
        const int x0 = std::min(int(x), w - 1);
        x0s[size_t(j)] = x0;
        fxs[size_t(j)] = x0 == int(x) ? x - float(x0) : 0.0f;
    }
    // One line blended vertically, channels as floats of whole values; one
    // extra entry repeats the last column for the missing right neighbour.
    std::vector<float> blended(size_t(w + 1) * 4);
    for (int i = 0; i < newH; ++i) {
        const float y = qy * float(i);
        const int y0 = std::min(int(y), h - 1);
        const float fy = y0 == int(y) ? y - float(y0) : 0.0f;
        // The last line stands in for the missing one below it, as the last
        // column does for columns (taking the pair above instead would put
        // the line above in the last line's place).
        const int above = y0, below = std::min(y0 + 1, h - 1);
        const uint8_t* a = source.GetLine(above);
        const uint8_t* b = source.GetLine(below);
        BlendLinesVertically(a, b, fy, w * 4, blended.data());
        for (int ch = 0; ch < 4; ++ch)
            blended[size_t(w) * 4 + size_t(ch)] = blended[size_t(w - 1) * 4 + size_t(ch)];
        BlendColumns(blended.data(), x0s.data(), fxs.data(), newW, dest.GetLine32(i));
    }
}

} // namespace

void ResizePixels(const CBmp& source, CBmp& dest)
{
    Assert32(source);
    Assert32(dest);
    if (dest.GetWidth() == 0 || dest.GetHeight() == 0)
        return;
    if (source.GetWidth() == 0 || source.GetHeight() == 0) {
        for (int y = 0; y < dest.GetHeight(); ++y)
            std::fill(dest.GetLine32(y), dest.GetLine32(y) + dest.GetWidth(), kBackgroundPixel);
        return;
    }
    if (dest.GetWidth() < source.GetWidth() && dest.GetHeight() < source.GetHeight())
        BoxAverage(source, dest);
    else
        Bilinear(source, dest);
}
