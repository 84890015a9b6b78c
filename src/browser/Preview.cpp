#include "Preview.h"

#include "MessageService.h"
#include "picture/AnyPicDecoder.h"
#include "picture/TextException.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace {

constexpr const char* kTextSaveChanges = "Do you want to save your changes?";
constexpr const char* kTextBlitError = "Error bliting image.";

constexpr float kZoomStep = 0.25f;
constexpr float kZoomMin = 0.25f;
constexpr float kZoomMax = 10.0f;
constexpr int kEnlargeLimit = 10;

// The part of a picture shown at displayWidth x displayHeight with its
// top-left corner at `origin` that a client of clientWidth x clientHeight
// shows, in displayed coordinates.
QRect VisibleRegion(QPoint origin, int displayWidth, int displayHeight, int clientWidth,
                    int clientHeight)
{
    const int left = std::max(0, -origin.x());
    const int top = std::max(0, -origin.y());
    const int right = std::min(displayWidth, clientWidth - origin.x());
    const int bottom = std::min(displayHeight, clientHeight - origin.y());
    if (right <= left || bottom <= top)
        return {};
    return QRect(left, top, right - left, bottom - top);
}

} // namespace

// ---------------------------------------------------------------------------
// Geometry

namespace vkview {

PictureSize ChooseDisplaySize(const CPicture& picture, int clientWidth, int clientHeight,
                              bool shrink, bool enlarge, bool tenfoldLimit, bool keepWhenTouching,
                              PictureSize current)
{
    const int w = picture.GetWidth();
    const int h = picture.GetHeight();
    const PictureSize actual{w, h};
    if (!shrink && !enlarge)
        return actual;
    if (clientWidth <= 0 || clientHeight <= 0 || w <= 0 || h <= 0)
        return actual;
    const float aspect = float(clientHeight) / float(clientWidth);
    if (w > clientWidth || h > clientHeight)
        return shrink ? picture.FitSize(clientWidth, clientHeight, aspect) : actual;
    if (w < clientWidth && h < clientHeight) {
        if (!enlarge)
            return actual;
        PictureSize fit = picture.FitSize(clientWidth, clientHeight, aspect);
        if (tenfoldLimit && int64_t(fit.width) > int64_t(kEnlargeLimit) * w)
            fit = {kEnlargeLimit * w, kEnlargeLimit * h};
        return fit;
    }
    return keepWhenTouching ? current : actual;
}

int PlaceAxis(int length, int client, int position, bool horizontal, bool& scrollable)
{
    if (length < client)
        return (client - length) / 2;
    if (length > client)
        scrollable = true;
    switch (position) {
    case UpperLeft: return 0;
    case UpperRight: return horizontal ? client - length : 0;
    default: return (client - length) / 2;
    }
}

bool WholeCacheFits(int displayWidth, int displayHeight, int clientWidth, int clientHeight)
{
    const int64_t limit = std::max<int64_t>(int64_t(4) * clientWidth * clientHeight, 4 << 20);
    return int64_t(displayWidth) * displayHeight <= limit;
}

QRect CacheRegion(const QRect& visible, int displayWidth, int displayHeight, int clientWidth,
                  int clientHeight)
{
    const QRect whole(0, 0, displayWidth, displayHeight);
    // Small enough: keep all of it, so zoom-free dragging never rebuilds.
    if (WholeCacheFits(displayWidth, displayHeight, clientWidth, clientHeight))
        return whole;
    const int marginX = std::max(64, clientWidth / 2);
    const int marginY = std::max(64, clientHeight / 2);
    return visible.adjusted(-marginX, -marginY, marginX, marginY).intersected(whole);
}

QImage BuildScaledRegion(const CWinBmp& source, int displayWidth, int displayHeight,
                         const QRect& region, QRect& actual)
{
    actual = {};
    const int w = source.GetWidth();
    const int h = source.GetHeight();
    if (w <= 0 || h <= 0 || displayWidth <= 0 || displayHeight <= 0 || region.isEmpty())
        return {};

    const CWinBmp* picture = &source;
    CWinBmp converted;
    if (source.GetBitsPerPixel() != 32) {
        converted.CopyFrom(source, 32);
        picture = &converted;
    }

    const double sx = double(w) / displayWidth;
    const double sy = double(h) / displayHeight;
    // The picture pixels under the region, widened to whole pixels.
    const int x0 = std::clamp(int(std::floor(region.left() * sx)), 0, w - 1);
    const int y0 = std::clamp(int(std::floor(region.top() * sy)), 0, h - 1);
    const int x1 = std::clamp(int(std::ceil((region.right() + 1) * sx)), x0 + 1, w);
    const int y1 = std::clamp(int(std::ceil((region.bottom() + 1) * sy)), y0 + 1, h);
    const int dx0 = int(std::lround(x0 / sx));
    const int dy0 = int(std::lround(y0 / sy));
    const int dx1 = std::max(dx0 + 1, int(std::lround(x1 / sx)));
    const int dy1 = std::max(dy0 + 1, int(std::lround(y1 / sy)));

    // The block is bottom-up: wrap it as is and take the flipped rows. The
    // whole picture is scaled straight from the block, without a copy.
    const QImage wrapped(picture->GetPixels(), w, h, picture->GetLineBytes(), QImage::Format_RGB32);
    const bool whole = x0 == 0 && y0 == 0 && x1 == w && y1 == h;
    const QImage part = whole ? wrapped : wrapped.copy(x0, h - y1, x1 - x0, y1 - y0);
    if (part.isNull())
        return {};
    const QSize target(dx1 - dx0, dy1 - dy0);
    QImage result;
    if (target == part.size()) {
        result = part.mirrored(false, true);
    } else if (int64_t(target.width()) * target.height() < int64_t(part.width()) * part.height()) {
        result = part.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).mirrored(false, true);
    } else {
        result = part.mirrored(false, true).scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    if (result.isNull())
        return {};
    actual = QRect(dx0, dy0, target.width(), target.height());
    return result;
}

QImage BuildTile(const CWinBmp& source, int displayWidth, int displayHeight, const QRect& tile)
{
    const int w = source.GetWidth();
    const int h = source.GetHeight();
    if (w <= 0 || h <= 0 || displayWidth <= 0 || displayHeight <= 0 || tile.isEmpty())
        return {};
    const CWinBmp* picture = &source;
    CWinBmp converted;
    if (source.GetBitsPerPixel() != 32) {
        converted.CopyFrom(source, 32);
        picture = &converted;
    }
    QImage result(tile.size(), QImage::Format_RGB32);
    if (result.isNull())
        return {};
    result.fill(Qt::black);
    const QImage wrapped(picture->GetPixels(), w, h, picture->GetLineBytes(), QImage::Format_RGB32);
    const double fx = double(displayWidth) / w;
    const double fy = double(displayHeight) / h;
    // Block coordinates (bottom-up) to tile coordinates: one transform for
    // every tile, so neighbours sample the picture at the same places.
    QPainter painter(&result);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setTransform(QTransform(fx, 0, 0, -fy, -tile.left(), h * fy - tile.top()));
    // Only the picture pixels under the tile, with two more on each side
    // for the filter.
    const int x0 = std::max(0, int(std::floor(tile.left() / fx)) - 2);
    const int x1 = std::min(w, int(std::ceil((tile.right() + 1) / fx)) + 2);
    const int y0 = std::max(0, int(std::floor(tile.top() / fy)) - 2);
    const int y1 = std::min(h, int(std::ceil((tile.bottom() + 1) / fy)) + 2);
    if (x1 <= x0 || y1 <= y0)
        return {};
    const QRect part(x0, h - y1, x1 - x0, y1 - y0);
    painter.drawImage(part, wrapped, part);
    return result;
}

} // namespace vkview

// ---------------------------------------------------------------------------
// The decode worker: one thread, the latest request wins.

struct PreviewLoadRequest {
    uint64_t id = 0;
    std::string path;
    int clientWidth = 0;
    int clientHeight = 0;
    bool shrink = false;
    bool enlarge = false;
    int position = 0;
};

struct PreviewLoadResult {
    uint64_t id = 0;
    bool ok = false;
    std::unique_ptr<CPicture> picture;
    PictureSize display;
    int clientWidth = 0;
    int clientHeight = 0;
    QImage cache;
    QRect cacheRect;
};

class CPreviewLoader {
public:
    using Deliver = std::function<void(std::shared_ptr<PreviewLoadResult>)>;

    explicit CPreviewLoader(Deliver deliver) : m_deliver(std::move(deliver))
    {
        m_thread = std::thread([this] { Run(); });
    }
    ~CPreviewLoader()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
            m_pending.reset();
        }
        m_wake.notify_one();
        m_thread.join();
    }

    void Request(PreviewLoadRequest request)
    {
        {
            std::lock_guard lock(m_mutex);
            m_pending = std::move(request);
        }
        m_wake.notify_one();
    }

    void Cancel()
    {
        std::lock_guard lock(m_mutex);
        m_pending.reset();
    }

private:
    bool Superseded()
    {
        std::lock_guard lock(m_mutex);
        return m_stop || m_pending.has_value();
    }

    void Run()
    {
        for (;;) {
            PreviewLoadRequest request;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] { return m_stop || m_pending.has_value(); });
                if (m_stop)
                    return;
                request = std::move(*m_pending);
                m_pending.reset();
            }
            auto result = std::make_shared<PreviewLoadResult>();
            result->id = request.id;
            result->clientWidth = request.clientWidth;
            result->clientHeight = request.clientHeight;
            try {
                result->picture = std::make_unique<CPicture>();
                m_decoder.DecodeFile(request.path, *result->picture, 32);
                result->ok = result->picture->GetWidth() > 0 && result->picture->GetHeight() > 0;
            } catch (...) {
                // Any failure counts; the frame reports it in its own words.
                result->ok = false;
            }
            if (!result->ok)
                result->picture.reset();
            if (Superseded())
                continue;
            if (result->ok)
                BuildFirstCache(request, *result);
            if (Superseded())
                continue;
            m_deliver(result);
        }
    }

    // The cache of the first paint, so the GUI thread only swaps.
    static void BuildFirstCache(const PreviewLoadRequest& request, PreviewLoadResult& result)
    {
        const CPicture& picture = *result.picture;
        result.display = vkview::ChooseDisplaySize(picture, request.clientWidth, request.clientHeight,
                                                   request.shrink, request.enlarge, true);
        bool scrollable = false;
        const QPoint origin(
            vkview::PlaceAxis(result.display.width, request.clientWidth, request.position, true, scrollable),
            vkview::PlaceAxis(result.display.height, request.clientHeight, request.position, false, scrollable));
        const QRect visible = VisibleRegion(origin, result.display.width, result.display.height,
                                            request.clientWidth, request.clientHeight);
        if (visible.isEmpty())
            return;
        const QRect region = vkview::CacheRegion(visible, result.display.width, result.display.height,
                                                 request.clientWidth, request.clientHeight);
        try {
            result.cache = vkview::BuildScaledRegion(picture, result.display.width, result.display.height,
                                                     region, result.cacheRect);
        } catch (...) {
            result.cache = QImage();
        }
    }

    Deliver m_deliver;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<PreviewLoadRequest> m_pending;
    bool m_stop = false;
    CAnyPicDecoder m_decoder; // used by the worker only
    std::thread m_thread;
};

// ---------------------------------------------------------------------------

CPreview::CPreview(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);
    setBackgroundRole(QPalette::Window);
    m_loader = std::make_unique<CPreviewLoader>([this](std::shared_ptr<PreviewLoadResult> result) {
        QMetaObject::invokeMethod(this, [this, result] { ApplyLoad(result); }, Qt::QueuedConnection);
    });
}

CPreview::~CPreview()
{
    m_loader.reset();
}

void CPreview::AskToSave()
{
    if (!m_picture.IsModified())
        return;
    if (vkui::ask(kTextSaveChanges, vkui::Buttons::YesNo, vkui::Icon::Question) == vkui::Answer::Yes &&
        m_saveHandler)
        m_saveHandler(m_fileName);
}

void CPreview::LoadImage(const QString& path, int position, bool shrink, bool enlarge,
                         const QString& fileName)
{
    AskToSave();
    // An unsaved edit is given up here; a failed load must not ask again.
    m_picture.SetModified(false);
    m_loadPosition = std::clamp(position, 0, 2);
    m_loadShrink = shrink;
    m_loadEnlarge = enlarge;
    m_requestedFileName = fileName;

    PreviewLoadRequest request;
    request.id = ++m_pendingId;
    request.path = path.toStdString();
    request.clientWidth = m_clientWidth;
    request.clientHeight = m_clientHeight;
    request.shrink = shrink;
    request.enlarge = enlarge;
    request.position = m_loadPosition;
    m_loadTimer.start();
    m_loader->Request(std::move(request));
}

void CPreview::CancelLoad()
{
    m_loader->Cancel();
    // A decode already running reports under the old number: drop it.
    m_appliedId = ++m_pendingId;
}

void CPreview::ApplyLoad(std::shared_ptr<PreviewLoadResult> result)
{
    if (result->id != m_pendingId)
        return; // a newer request is on its way
    m_appliedId = result->id;
    if (!result->ok) {
        m_hasImage = false;
        m_picture.SetModified(false);
        m_cache = QImage();
        m_tiles.clear();
        m_loadTime = uint32_t(m_loadTimer.elapsed());
        update();
        emit LoadFinished(false);
        return;
    }

    // Edited while the new picture was decoding: ask before it goes.
    AskToSave();
    m_picture.Swap(*result->picture);
    m_fileName = m_requestedFileName;
    m_hasImage = true;
    m_windowAspect = m_clientWidth > 0 ? float(m_clientHeight) / float(m_clientWidth) : 1.0f;
    const PictureSize size = vkview::ChooseDisplaySize(m_picture, m_clientWidth, m_clientHeight,
                                                       m_loadShrink, m_loadEnlarge, true);
    m_displayWidth = size.width;
    m_displayHeight = size.height;
    PlacePicture(m_loadPosition);
    UpdateDestRect();
    m_picture.ClearEditState();
    ComputeSourceRect();

    InvalidateCache();
    if (!result->cache.isNull() && size == result->display) {
        m_cache = std::move(result->cache);
        m_cacheRect = result->cacheRect;
        m_cacheSerial = m_pictureSerial;
        m_cacheWidth = size.width;
        m_cacheHeight = size.height;
    }
    m_blitErrorShown = false;
    update();
    m_loadTime = uint32_t(m_loadTimer.elapsed());
    emit LoadFinished(true);
}

void CPreview::PlacePicture(int position)
{
    m_scrollable = false;
    m_quietDraw = false;
    m_originX = vkview::PlaceAxis(m_displayWidth, m_clientWidth, position, true, m_scrollable);
    m_originY = vkview::PlaceAxis(m_displayHeight, m_clientHeight, position, false, m_scrollable);
}

void CPreview::UpdateDestRect()
{
    m_destRect = QRect(m_originX, m_originY, m_displayWidth, m_displayHeight);
}

void CPreview::ComputeSourceRect()
{
    const int w = m_picture.GetWidth();
    const int destW = m_destRect.width();
    const int destH = m_destRect.height();
    int drawLeft, drawRight, spanLeft, spanRight;
    // The picture's own rectangle is used rather than the origin, so the
    // visible part follows it while it is dragged.
    if (destW < m_clientWidth) {
        drawLeft = m_destRect.left();
        drawRight = m_destRect.left() + destW;
        spanLeft = 0;
        spanRight = destW;
    } else {
        drawLeft = 0;
        drawRight = m_clientWidth;
        spanLeft = -m_destRect.left();
        spanRight = m_clientWidth - m_destRect.left();
    }
    int drawTop, drawBottom, spanTop, spanBottom;
    if (destH < m_clientHeight) {
        drawTop = m_destRect.top();
        drawBottom = m_destRect.top() + destH;
        spanTop = 0;
        spanBottom = destH;
    } else {
        drawTop = 0;
        drawBottom = m_clientHeight;
        spanTop = -m_destRect.top();
        spanBottom = m_clientHeight - m_destRect.top();
    }
    m_drawRect = QRect(QPoint(drawLeft, drawTop), QPoint(drawRight - 1, drawBottom - 1));
    if (w <= 0 || destW <= 0) {
        m_sourceRect = {};
        return;
    }
    const double scale = double(destW) / w;
    const int sl = int(spanLeft / scale), sr = int(spanRight / scale);
    const int st = int(spanTop / scale), sb = int(spanBottom / scale);
    m_sourceRect = QRect(QPoint(sl, st), QPoint(sr - 1, sb - 1));
}

void CPreview::SetZoom(float factor)
{
    if (!m_hasImage)
        return;
    const int w = std::max(1, int(float(m_picture.GetWidth()) * factor));
    const int h = std::max(1, int(float(m_picture.GetHeight()) * factor));
    m_scrollable = false;
    auto axis = [this](int length, int oldLength, int client, int& origin) {
        if (length < client) {
            origin = (client - length) / 2;
            return;
        }
        if (length > client)
            m_scrollable = true;
        origin += (oldLength - length) / 2;
        if (origin > 0)
            origin = 0;
        if (length + origin < client)
            origin = client - length;
    };
    axis(w, m_displayWidth, m_clientWidth, m_originX);
    axis(h, m_displayHeight, m_clientHeight, m_originY);
    m_displayWidth = w;
    m_displayHeight = h;
    UpdateDestRect();
    m_quietDraw = false;
    ComputeSourceRect();
    update();
}

void CPreview::SetPosition(int position)
{
    if (!m_hasImage)
        return;
    PlacePicture(position);
    UpdateDestRect();
    ComputeSourceRect();
    update();
}

void CPreview::Clear()
{
    CancelLoad();
    m_quietDraw = false;
    m_hasImage = false;
    m_dragging = false;
    // Only undo goes: an edited picture is still asked about when replaced.
    const bool modified = m_picture.IsModified();
    m_picture.ClearEditState();
    m_picture.SetModified(modified);
    m_cache = QImage();
    m_tiles.clear();
    InvalidateCache();
    update();
}

bool CPreview::SetClientSize(int width, int height)
{
    const bool changed = width != m_clientWidth || height != m_clientHeight;
    m_clientWidth = width;
    m_clientHeight = height;
    return changed;
}

void CPreview::Relayout(bool pictureSizeChanged, bool viewSizeChanged)
{
    // The picture may have been edited in place: the cache is stale.
    InvalidateCache();
    if (!m_hasImage) {
        update();
        return;
    }
    if (pictureSizeChanged) {
        const PictureSize size = vkview::ChooseDisplaySize(
            m_picture, m_clientWidth, m_clientHeight, m_loadShrink, m_loadEnlarge, false, true,
            {m_displayWidth, m_displayHeight});
        m_displayWidth = size.width;
        m_displayHeight = size.height;
    }
    if (!pictureSizeChanged && !viewSizeChanged) {
        ComputeSourceRect();
        update();
        return;
    }
    PlacePicture(m_loadPosition);
    UpdateDestRect();
    ComputeSourceRect();
    update();
}

void CPreview::ZoomMore()
{
    if (!m_hasImage || m_picture.GetWidth() <= 0)
        return;
    const float z = float(m_displayWidth) / float(m_picture.GetWidth());
    if (z == kZoomMax)
        return;
    SetZoom(std::min(z + kZoomStep, kZoomMax));
}

void CPreview::ZoomLess()
{
    if (!m_hasImage || m_picture.GetWidth() <= 0)
        return;
    const float z = float(m_displayWidth) / float(m_picture.GetWidth());
    if (z == kZoomMin)
        return;
    SetZoom(std::max(z - kZoomStep, kZoomMin));
}

void CPreview::BestFit()
{
    if (!m_hasImage || m_picture.GetWidth() <= 0 || m_clientWidth <= 0)
        return;
    const PictureSize fit =
        m_picture.FitSize(m_clientWidth, m_clientHeight, float(m_clientHeight) / float(m_clientWidth));
    SetZoom(float(fit.width) / float(m_picture.GetWidth()));
}

QImage CPreview::ToImage() const
{
    if (!m_hasImage)
        return {};
    QRect covered;
    QImage image = vkview::BuildScaledRegion(m_picture, m_picture.GetWidth(), m_picture.GetHeight(),
                                             QRect(0, 0, m_picture.GetWidth(), m_picture.GetHeight()),
                                             covered);
    return image.convertToFormat(QImage::Format_RGB32);
}

void CPreview::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QColor background = palette().color(QPalette::Window);
    if (!m_hasImage || m_drawRect.isEmpty()) {
        painter.fillRect(event->rect(), background);
        return;
    }
    // Background only where the picture does not cover.
    QRegion uncovered = QRegion(event->rect()).subtracted(QRegion(m_drawRect));
    for (const QRect& r : uncovered)
        painter.fillRect(r, background);

    const QRect visible = m_drawRect.translated(-m_destRect.topLeft());
    bool drawn;
    try {
        if (PaintFromCache(painter, visible))
            drawn = true;
        else if (vkview::WholeCacheFits(m_displayWidth, m_displayHeight, m_clientWidth, m_clientHeight))
            drawn = false;
        else
            drawn = PaintTiles(painter, visible);
        if (!drawn && vkview::WholeCacheFits(m_displayWidth, m_displayHeight, m_clientWidth, m_clientHeight)) {
            ++m_cacheBuilds;
            m_cache = vkview::BuildScaledRegion(m_picture, m_displayWidth, m_displayHeight,
                                                QRect(0, 0, m_displayWidth, m_displayHeight), m_cacheRect);
            m_cacheSerial = m_pictureSerial;
            m_cacheWidth = m_displayWidth;
            m_cacheHeight = m_displayHeight;
            drawn = PaintFromCache(painter, visible);
        }
    } catch (...) {
        drawn = false;
    }
    if (!drawn) {
        painter.fillRect(m_drawRect, background);
        if (!m_quietDraw && !m_blitErrorShown) {
            m_blitErrorShown = true;
            QTimer::singleShot(0, this, [] { vkui::ask(kTextBlitError); });
        }
    }
}

bool CPreview::PaintFromCache(QPainter& painter, const QRect& visible)
{
    const bool valid = m_cacheSerial == m_pictureSerial && m_cacheWidth == m_displayWidth &&
                       m_cacheHeight == m_displayHeight && !m_cache.isNull() &&
                       m_cacheRect.contains(visible);
    if (!valid)
        return false;
    painter.drawImage(m_drawRect.topLeft(), m_cache, visible.translated(-m_cacheRect.topLeft()));
    return true;
}

bool CPreview::PaintTiles(QPainter& painter, const QRect& visible)
{
    constexpr int kTile = 256;
    if (m_tileSerial != m_pictureSerial || m_tileWidth != m_displayWidth || m_tileHeight != m_displayHeight) {
        m_tiles.clear();
        m_tileSerial = m_pictureSerial;
        m_tileWidth = m_displayWidth;
        m_tileHeight = m_displayHeight;
    }
    const QRect whole(0, 0, m_displayWidth, m_displayHeight);
    const QPoint offset = m_destRect.topLeft();
    for (int ty = visible.top() / kTile; ty <= visible.bottom() / kTile; ++ty) {
        for (int tx = visible.left() / kTile; tx <= visible.right() / kTile; ++tx) {
            const QRect tileRect = QRect(tx * kTile, ty * kTile, kTile, kTile).intersected(whole);
            const uint64_t key = uint64_t(uint32_t(ty)) << 32 | uint32_t(tx);
            auto it = m_tiles.find(key);
            if (it == m_tiles.end()) {
                QImage tile = vkview::BuildTile(m_picture, m_displayWidth, m_displayHeight, tileRect);
                ++m_tileBuilds;
                if (tile.isNull())
                    return false;
                it = m_tiles.emplace(key, std::move(tile)).first;
            }
            const QRect part = tileRect.intersected(visible);
            painter.drawImage(part.topLeft() + offset, it->second, part.translated(-tileRect.topLeft()));
        }
    }
    // Keep the tiles around the window; drop those far away.
    const size_t keep = size_t((m_clientWidth / kTile + 4) * (m_clientHeight / kTile + 4)) * 2;
    if (m_tiles.size() > keep) {
        const QRect nearby = visible.adjusted(-m_clientWidth, -m_clientHeight, m_clientWidth, m_clientHeight);
        for (auto i = m_tiles.begin(); i != m_tiles.end();) {
            const int ty = int(i->first >> 32), tx = int(uint32_t(i->first));
            if (!QRect(tx * kTile, ty * kTile, kTile, kTile).intersects(nearby))
                i = m_tiles.erase(i);
            else
                ++i;
        }
    }
    return true;
}

void CPreview::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_hasImage && m_scrollable) {
        m_dragPoint = event->position().toPoint();
        m_dragging = true;
    }
    QWidget::mousePressEvent(event);
}

void CPreview::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging)
        DragTo(event->position().toPoint());
    QWidget::mouseMoveEvent(event);
}

void CPreview::DragTo(QPoint position)
{
    const int dx = position.x() - m_dragPoint.x();
    const int dy = position.y() - m_dragPoint.y();
    m_dragPoint = position;
    int left = m_destRect.left();
    int top = m_destRect.top();
    const int w = m_destRect.width();
    const int h = m_destRect.height();
    auto axis = [](int& edge, int delta, int length, int client) {
        if (length <= client)
            return;
        if (delta < 1) {
            if (edge + delta + length < client)
                edge = client - length;
            else
                edge += delta;
        } else if (edge < 0) {
            if (edge + delta < 1)
                edge += delta;
            else
                edge = 0;
        }
    };
    axis(left, dx, w, m_clientWidth);
    axis(top, dy, h, m_clientHeight);
    m_destRect = QRect(left, top, w, h);
    m_quietDraw = true;
    ComputeSourceRect();
    update();
}

void CPreview::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_dragging) {
        m_dragging = false;
        m_originX = m_destRect.left();
        m_originY = m_destRect.top();
    }
    QWidget::mouseReleaseEvent(event);
}
