#include "ui/widgets/TileCache.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace vkview {

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

QImage BuildScaledRegion(const CWinBmp& source, int displayWidth, int displayHeight, const QRect& region,
                         QRect& actual, vkdisplay::ColourTarget colours)
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
    const QSize size(dx1 - dx0, dy1 - dy0);
    QImage result;
    if (size == part.size()) {
        result = part.mirrored(false, true);
    } else if (int64_t(size.width()) * size.height() < int64_t(part.width()) * part.height()) {
        result = part.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).mirrored(false, true);
    } else {
        result = part.mirrored(false, true).scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    if (result.isNull())
        return {};
    vkdisplay::ManageColours(result, source, colours);
    actual = QRect(dx0, dy0, size.width(), size.height());
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
    painter.end();
    vkdisplay::ManageColours(result, source);
    return result;
}

} // namespace vkview

void CTileCache::Clear()
{
    Invalidate();
    m_cache = QImage();
    m_tiles.clear();
}

void CTileCache::Adopt(QImage image, const QRect& region, int displayWidth, int displayHeight)
{
    m_cache = std::move(image);
    m_cacheRect = region;
    m_cacheSerial = m_pictureSerial;
    m_cacheWidth = displayWidth;
    m_cacheHeight = displayHeight;
}

bool CTileCache::TakeWhole(int displayWidth, int displayHeight, QImage& image, QRect& region)
{
    if (m_cacheSerial != m_pictureSerial || m_cacheWidth != displayWidth || m_cacheHeight != displayHeight ||
        m_cache.isNull() || m_cacheRect != QRect(0, 0, displayWidth, displayHeight))
        return false;
    image = std::move(m_cache);
    m_cache = QImage();
    region = m_cacheRect;
    Invalidate();
    return true;
}

bool CTileCache::Paint(QPainter& painter, const CWinBmp& picture, int displayWidth, int displayHeight,
                       int clientWidth, int clientHeight, const QRect& visible, QPoint offset)
{
    if (PaintWhole(painter, displayWidth, displayHeight, visible, offset))
        return true;
    if (!vkview::WholeCacheFits(displayWidth, displayHeight, clientWidth, clientHeight))
        return PaintTiles(painter, picture, displayWidth, displayHeight, clientWidth, clientHeight, visible,
                          offset);
    ++m_cacheBuilds;
    m_cache = vkview::BuildScaledRegion(picture, displayWidth, displayHeight,
                                        QRect(0, 0, displayWidth, displayHeight), m_cacheRect);
    m_cacheSerial = m_pictureSerial;
    m_cacheWidth = displayWidth;
    m_cacheHeight = displayHeight;
    return PaintWhole(painter, displayWidth, displayHeight, visible, offset);
}

bool CTileCache::PaintWhole(QPainter& painter, int displayWidth, int displayHeight, const QRect& visible,
                            QPoint offset)
{
    const bool valid = m_cacheSerial == m_pictureSerial && m_cacheWidth == displayWidth &&
                       m_cacheHeight == displayHeight && !m_cache.isNull() && m_cacheRect.contains(visible);
    if (!valid)
        return false;
    painter.drawImage(visible.topLeft() + offset, m_cache, visible.translated(-m_cacheRect.topLeft()));
    return true;
}

bool CTileCache::PaintTiles(QPainter& painter, const CWinBmp& picture, int displayWidth, int displayHeight,
                            int clientWidth, int clientHeight, const QRect& visible, QPoint offset)
{
    constexpr int kTile = 256;
    if (m_tileSerial != m_pictureSerial || m_tileWidth != displayWidth || m_tileHeight != displayHeight) {
        m_tiles.clear();
        m_tileSerial = m_pictureSerial;
        m_tileWidth = displayWidth;
        m_tileHeight = displayHeight;
    }
    const QRect whole(0, 0, displayWidth, displayHeight);
    for (int ty = visible.top() / kTile; ty <= visible.bottom() / kTile; ++ty) {
        for (int tx = visible.left() / kTile; tx <= visible.right() / kTile; ++tx) {
            const QRect tileRect = QRect(tx * kTile, ty * kTile, kTile, kTile).intersected(whole);
            const uint64_t key = uint64_t(uint32_t(ty)) << 32 | uint32_t(tx);
            auto it = m_tiles.find(key);
            if (it == m_tiles.end()) {
                QImage tile = vkview::BuildTile(picture, displayWidth, displayHeight, tileRect);
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
    const size_t keep = size_t((clientWidth / kTile + 4) * (clientHeight / kTile + 4)) * 2;
    if (m_tiles.size() > keep) {
        const QRect nearby = visible.adjusted(-clientWidth, -clientHeight, clientWidth, clientHeight);
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
