#include "engine/edit/PictureEx.h"

#include "engine/edit/ColorOps.h"
#include "engine/edit/GeometryOps.h"
#include "engine/picture/TextException.h"
#include "engine/save/ColorHash.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Distinct colours Contrast works with at most.
constexpr int64_t kContrastColorLimit = 800000;

// Depths the picture is said to come from after an operation.
constexpr int kTrueColorDepth = 24;
constexpr int kGrayDepth = 8;

} // namespace

// --- undo and state ------------------------------------------------------------

void CPictureEx::SaveUndo()
{
    m_undo.CopyFrom(*this, GetBitsPerPixel());
}

int CPictureEx::Undo()
{
    if (!m_undoAvailable)
        return 0;
    const int width = GetWidth();
    const int height = GetHeight();
    Swap(m_undo);
    m_undoAvailable = false;
    return GetWidth() != width || GetHeight() != height ? 1 : 0;
}

void CPictureEx::CopyForEdit(const CPictureEx& source)
{
    CopyFrom(source, source.GetBitsPerPixel());
    m_modified = source.m_modified;
    m_undoAvailable = source.m_undoAvailable;
    m_sourcePath = source.m_sourcePath;
}

void CPictureEx::Exchange(CPictureEx& other) noexcept
{
    Swap(other);
    m_undo.Swap(other.m_undo);
    std::swap(m_modified, other.m_modified);
    std::swap(m_undoAvailable, other.m_undoAvailable);
    m_sourcePath.swap(other.m_sourcePath);
}

void CPictureEx::MakeTrueColor()
{
    if (GetBitsPerPixel() == 32)
        return;
    CWinBmp converted;
    converted.CopyFrom(*this, 32);
    Swap(converted);
}

void CPictureEx::SnapshotAndRecreate(int width, int height)
{
    // The current pixels become the snapshot without a copy; the picture is
    // rebuilt from them into other storage: the previous snapshot's when it
    // has the size (its pages are already mapped), else fresh storage.
    // Nothing changes if that cannot be had.
    if (m_undo.GetWidth() == width && m_undo.GetHeight() == height && m_undo.GetBitsPerPixel() == 32) {
        const bool alpha = HasAlphaChannel();
        const int depth = GetSourceBitsPerPixel();
        ColourProfilePtr profile = GetColourProfile();
        m_undo.Swap(*this);
        SetHasAlpha(alpha);
        SetSourceBitsPerPixel(depth);
        SetColourProfile(std::move(profile));
        return;
    }
    CWinBmp fresh;
    fresh.Create(width, height, 32, HasAlphaChannel());
    AdviseLargePages(fresh);
    fresh.SetSourceBitsPerPixel(GetSourceBitsPerPixel());
    fresh.SetColourProfile(GetColourProfile());
    m_undo.Swap(*this);
    Swap(fresh);
}

// --- colour operations ---------------------------------------------------------

void CPictureEx::Invert()
{
    MakeTrueColor();
    SnapshotAndRecreate(GetWidth(), GetHeight());
    InvertColors(m_undo, *this);
    MarkEdited();
}

void CPictureEx::SwapRedBlue()
{
    MakeTrueColor();
    SnapshotAndRecreate(GetWidth(), GetHeight());
    SwapRedBlueColors(m_undo, *this);
    MarkEdited();
}

void CPictureEx::EditThroughTables(const ChannelTable& blue, const ChannelTable& green,
                                   const ChannelTable& red)
{
    MakeTrueColor();
    SnapshotAndRecreate(GetWidth(), GetHeight());
    ApplyChannelTables(m_undo, *this, blue, green, red);
    SetSourceBitsPerPixel(kTrueColorDepth);
    MarkEdited();
}

int CPictureEx::AdjustBrightness(int value)
{
    if (value < -100 || value > 100)
        return -1;
    ChannelTable table;
    BuildBrightnessTable(value, table);
    EditThroughTables(table, table, table);
    return 0;
}

void CPictureEx::AdjustColorBalance(int red, int green, int blue)
{
    ChannelTable redTable, greenTable, blueTable;
    BuildBrightnessTable(red, redTable);
    BuildBrightnessTable(green, greenTable);
    BuildBrightnessTable(blue, blueTable);
    EditThroughTables(blueTable, greenTable, redTable);
}

int CPictureEx::AdjustGamma(double gamma)
{
    if (!(gamma >= 0 && gamma <= 2))
        return -1;
    ChannelTable table;
    BuildGammaTable(gamma, table);
    EditThroughTables(table, table, table);
    return 0;
}

int CPictureEx::AdjustContrast(int value)
{
    if (value < -100 || value > 100)
        return -1;
    MakeTrueColor();
    const int64_t limit = std::min(kContrastColorLimit, int64_t(GetWidth()) * GetHeight());
    auto histogram = ComputeColorHistogram(*this, size_t(limit));
    if (!histogram)
        return -2;

    // Intensity range over the distinct colours; both marks start at the
    // rounded luminance of the first colour.
    int low = 0, high = 0;
    if (!histogram->empty()) {
        const colorhist_item& first = histogram->front();
        low = high = RoundedLuminance(first.red, first.green, first.blue);
    }
    for (const colorhist_item& item : *histogram) {
        const int intensity = (item.red + item.green + item.blue) / 3;
        low = std::min(low, intensity);
        high = std::max(high, intensity);
    }
    ChannelTable table;
    if (BuildContrastTable(low, high, ContrastBandWidth(value), table)) {
        SnapshotAndRecreate(GetWidth(), GetHeight());
        ApplyChannelTables(m_undo, *this, table, table, table);
    } else {
        // One intensity only: no range to stretch, the picture stays.
        SaveUndo();
    }
    SetSourceBitsPerPixel(kTrueColorDepth);
    MarkEdited();
    return 0;
}

void CPictureEx::ToGrayShades()
{
    MakeTrueColor();
    SnapshotAndRecreate(GetWidth(), GetHeight());
    ConvertToGrayShades(m_undo, *this);
    SetSourceBitsPerPixel(kGrayDepth);
    MarkEdited();
}

// --- geometry operations -------------------------------------------------------

void CPictureEx::FlipLines()
{
    MakeTrueColor();
    SnapshotAndRecreate(GetWidth(), GetHeight());
    MapPixels(m_undo, *this, IndexMapping::FlipLines());
    MarkEdited();
}

void CPictureEx::FlipColumns()
{
    MakeTrueColor();
    SnapshotAndRecreate(GetWidth(), GetHeight());
    MapPixels(m_undo, *this, IndexMapping::FlipColumns());
    MarkEdited();
}

int CPictureEx::Transpose()
{
    MakeTrueColor();
    const int width = GetWidth(), height = GetHeight();
    SnapshotAndRecreate(height, width);
    MapPixels(m_undo, *this, IndexMapping::Transpose());
    MarkEdited();
    return width != height ? 1 : 0;
}

int CPictureEx::Rotate(int angle, int quality)
{
    if (angle < 1 || angle > 359)
        return -1;
    MakeTrueColor();
    const int width = GetWidth(), height = GetHeight();

    // Quarter turns are exact at every quality: no resampling, no border.
    if (quality == RotateHigh && angle % 90 != 0) {
        const PictureSize size = HighRotationSize(width, height, angle);
        SnapshotAndRecreate(size.width, size.height);
        RotateByInverseMapping(m_undo, *this, angle);
    } else {
        const RotationSplit split = SplitRotation(angle);
        const IndexMapping step = IndexMapping::Turn(split.step);
        const int stepW = step.SwapsSides() ? height : width;
        const int stepH = step.SwapsSides() ? width : height;
        if (split.residual == 0) {
            SnapshotAndRecreate(stepW, stepH);
            MapPixels(m_undo, *this, step);
        } else {
            // The 90-degree step into a working bitmap (skipped when there
            // is none), then the three shears into the picture.
            CWinBmp stepped;
            const CBmp* source = this;
            if (split.step != 0) {
                stepped.Create(stepW, stepH, 32, HasAlphaChannel());
                AdviseLargePages(stepped);
                MapPixels(*this, stepped, step);
                source = &stepped;
            }
            CWinBmp result;
            RotateByShears(*source, result, DegreesToRadians(split.residual), quality == RotateMedium);
            result.SetSourceBitsPerPixel(GetSourceBitsPerPixel());
            result.SetColourProfile(GetColourProfile());
            m_undo.Swap(*this);
            Swap(result);
        }
    }
    SetSourceBitsPerPixel(kTrueColorDepth);
    MarkEdited();
    return GetWidth() != width || GetHeight() != height ? 1 : 0;
}

int CPictureEx::Shear(double angle, int corner, bool antiAlias)
{
    if (!(angle > 0 && angle < 90))
        return 0;
    MakeTrueColor();
    const int width = GetWidth(), height = GetHeight();
    const int64_t newWidth = ShearWidth(width, height, angle);
    CheckPictureSize(newWidth, height);
    SnapshotAndRecreate(int(newWidth), height);
    ShearPixels(m_undo, *this, angle, corner, antiAlias);
    SetSourceBitsPerPixel(kTrueColorDepth);
    MarkEdited();
    return newWidth != width ? 1 : 0;
}

namespace {
constexpr const char* kTextBadSize = "The new size must be at least 1 x 1 pixels.";
constexpr const char* kTextBadAnchor = "The anchor must be 0 to 8.";

void CheckNewSize(int width, int height)
{
    if (width < 1 || height < 1)
        throw CTextException(ErrUnsupported, kTextBadSize);
    CheckPictureSize(width, height);
}
} // namespace

int CPictureEx::CanvasSize(int width, int height, int anchor)
{
    CheckNewSize(width, height);
    if (anchor < AnchorCenter || anchor > AnchorBottomRight)
        throw CTextException(ErrUnsupported, kTextBadAnchor);
    MakeTrueColor();
    const int oldWidth = GetWidth(), oldHeight = GetHeight();
    SnapshotAndRecreate(width, height);
    PlaceOnCanvas(m_undo, *this, anchor);
    SetSourceBitsPerPixel(kTrueColorDepth);
    MarkEdited();
    return width != oldWidth || height != oldHeight ? 1 : 0;
}

int CPictureEx::Resize(int width, int height)
{
    CheckNewSize(width, height);
    MakeTrueColor();
    const int oldWidth = GetWidth(), oldHeight = GetHeight();
    SnapshotAndRecreate(width, height);
    ResizePixels(m_undo, *this);
    SetSourceBitsPerPixel(kTrueColorDepth);
    MarkEdited();
    return width != oldWidth || height != oldHeight ? 1 : 0;
}

// --- colour count and histogram ------------------------------------------------

int64_t CPictureEx::ColorLimit() const
{
    return ColorCountLimit(*this);
}

int64_t CPictureEx::CountColors() const
{
    return CountDistinctColors(*this, ColorLimit());
}

void CPictureEx::ComputeHistogram(ChannelHistogram& histogram) const
{
    ComputeChannelHistogram(*this, histogram);
}
