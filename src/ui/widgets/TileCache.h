// CTileCache: the scaled pixels the image view paints from. A picture small
// enough on screen is scaled whole once; a larger one is scaled in tiles
// around the visible part, kept while they stay near it. Both are rebuilt
// only when the picture or its displayed size changes.
#pragma once

#include "engine/picture/WinBmp.h"
#include "ui/widgets/DisplayColour.h"

#include <QImage>
#include <QRect>

#include <cstdint>
#include <unordered_map>

class QPainter;

namespace vkview {

// The scaled picture for `region` (in displayed coordinates of a picture
// shown at displayWidth x displayHeight), smoothly scaled, top line first,
// in the colours of `target` (the scaled pixels are turned, so the cost
// follows the displayed size). `actual` receives the region the image
// really covers. Safe on any thread.
QImage BuildScaledRegion(const CWinBmp& picture, int displayWidth, int displayHeight, const QRect& region,
                         QRect& actual, vkdisplay::ColourTarget target = vkdisplay::ColourTarget::Screen);

// One tile of the picture shown at displayWidth x displayHeight: `tile` in
// displayed coordinates, smoothly scaled from the block without copying it.
// Neighbouring tiles meet without seams. In the screen's colours. Safe on
// any thread.
QImage BuildTile(const CWinBmp& picture, int displayWidth, int displayHeight, const QRect& tile);

// True when the whole displayed picture is small enough to be cached.
bool WholeCacheFits(int displayWidth, int displayHeight, int clientWidth, int clientHeight);

// The region the cache holds around the visible part `visible`.
QRect CacheRegion(const QRect& visible, int displayWidth, int displayHeight, int clientWidth,
                  int clientHeight);

} // namespace vkview

class CTileCache {
  public:
    // The picture changed (replaced or edited in place): nothing cached is valid.
    void Invalidate() { ++m_pictureSerial; }
    // Invalidates and frees the pixels.
    void Clear();
    // Takes a scaled region built elsewhere (by the loader) for the current picture.
    void Adopt(QImage image, const QRect& region, int displayWidth, int displayHeight);
    // Hands over the whole scaled picture when that is what is cached for
    // the current picture at displayWidth x displayHeight; false otherwise.
    bool TakeWhole(int displayWidth, int displayHeight, QImage& image, QRect& region);

    // Paints `visible` (displayed coordinates) of `picture` shown at
    // displayWidth x displayHeight with its top-left corner at `offset`,
    // building what is missing. False when it could not be drawn.
    bool Paint(QPainter& painter, const CWinBmp& picture, int displayWidth, int displayHeight,
               int clientWidth, int clientHeight, const QRect& visible, QPoint offset);

    int CacheBuilds() const { return m_cacheBuilds; }
    int TileBuilds() const { return m_tileBuilds; }

  private:
    bool PaintWhole(QPainter& painter, int displayWidth, int displayHeight, const QRect& visible,
                    QPoint offset);
    bool PaintTiles(QPainter& painter, const CWinBmp& picture, int displayWidth, int displayHeight,
                    int clientWidth, int clientHeight, const QRect& visible, QPoint offset);

    uint64_t m_pictureSerial = 1;
    // The scaled region m_cacheRect (displayed coordinates).
    QImage m_cache;
    QRect m_cacheRect;
    uint64_t m_cacheSerial = 0;
    int m_cacheWidth = 0;
    int m_cacheHeight = 0;
    int m_cacheBuilds = 0;
    // Tiles keyed by tile row and column.
    std::unordered_map<uint64_t, QImage> m_tiles;
    uint64_t m_tileSerial = 0;
    int m_tileWidth = 0;
    int m_tileHeight = 0;
    int m_tileBuilds = 0;
};
