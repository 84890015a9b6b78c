// CPreview: the image view. Shows the current picture in the browser's
// preview pane or filling the viewer, chooses the displayed size, places it,
// lets the user drag a picture larger than the window and asks to save an
// edited picture before it is replaced.
//
// Files are decoded off the GUI thread by one worker into a separate
// picture that is swapped in on the GUI thread; a newer request supersedes
// an older one. Painting blits from a cache of the scaled visible part (with
// a margin) that is rebuilt only when the picture, the zoom or the visible
// part outside the margin changes.
#pragma once

#include "edit/PictureEx.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>

class CPreviewLoader;
class QPainter;
struct PreviewLoadResult;

namespace vkview {

enum Position : int { UpperLeft = 0, UpperRight = 1, Centre = 2 };

// The displayed size at load: actual size, shrunk or enlarged to fit the
// client area, with enlarging limited to ten times the picture when
// `tenfoldLimit` is set. With `keepWhenTouching` (relayout after an edit) a
// picture that touches the window in one direction keeps `current`.
PictureSize ChooseDisplaySize(const CPicture& picture, int clientWidth, int clientHeight,
                              bool shrink, bool enlarge, bool tenfoldLimit,
                              bool keepWhenTouching = false, PictureSize current = {});

// One axis of placing a picture: the origin for displayed length `length`
// in a client of `client` by the position rule; `scrollable` is set when
// the picture is longer than the client.
int PlaceAxis(int length, int client, int position, bool horizontal, bool& scrollable);

// The scaled picture for `region` (in displayed coordinates of a picture
// shown at displayWidth x displayHeight), smoothly scaled, top line first.
// `actual` receives the region the image really covers. Safe on any thread.
QImage BuildScaledRegion(const CWinBmp& picture, int displayWidth, int displayHeight,
                         const QRect& region, QRect& actual);

// One tile of the picture shown at displayWidth x displayHeight: `tile` in
// displayed coordinates, smoothly scaled from the block without copying it.
// Neighbouring tiles meet without seams. Safe on any thread.
QImage BuildTile(const CWinBmp& picture, int displayWidth, int displayHeight, const QRect& tile);

// True when the whole displayed picture is small enough to be cached.
bool WholeCacheFits(int displayWidth, int displayHeight, int clientWidth, int clientHeight);

// The region the cache holds around the visible part `visible`.
QRect CacheRegion(const QRect& visible, int displayWidth, int displayHeight, int clientWidth,
                  int clientHeight);

} // namespace vkview

class CPreview : public QWidget {
    Q_OBJECT
public:
    explicit CPreview(QWidget* parent = nullptr);
    ~CPreview() override;

    // Asks to save an edited picture, then starts decoding `path`; the
    // result arrives as LoadFinished. `fileName` is remembered for the save
    // question. A later request supersedes this one.
    void LoadImage(const QString& path, int position, bool shrink, bool enlarge,
                   const QString& fileName);
    bool IsLoading() const { return m_pendingId != m_appliedId; }
    // Drops any pending load.
    void CancelLoad();

    void SetZoom(float factor);
    void SetPosition(int position);
    void Clear();
    void Relayout(bool pictureSizeChanged, bool viewSizeChanged);
    // Sets the stored client size; true when it changed.
    bool SetClientSize(int width, int height);

    // The save question; true when the caller may go on (always, here).
    void AskToSave();
    // Runs Save As for the file name; false when nothing was saved.
    void SetSaveHandler(std::function<bool(const QString& fileName)> handler) { m_saveHandler = std::move(handler); }

    bool HasImage() const { return m_hasImage; }
    CPictureEx& GetPicture() { return m_picture; }
    const CPictureEx& GetPicture() const { return m_picture; }
    uint32_t GetLoadTime() const { return m_loadTime; }
    int GetDisplayWidth() const { return m_displayWidth; }
    int GetDisplayHeight() const { return m_displayHeight; }
    int GetClientWidth() const { return m_clientWidth; }
    int GetClientHeight() const { return m_clientHeight; }
    int GetOriginX() const { return m_originX; }
    int GetOriginY() const { return m_originY; }
    QRect GetDestRect() const { return m_destRect; }
    QRect GetDrawRect() const { return m_drawRect; }
    QRect GetSourceRect() const { return m_sourceRect; }
    bool IsScrollable() const { return m_scrollable; }
    bool IsDragging() const { return m_dragging; }
    int GetLoadPosition() const { return m_loadPosition; }
    QString GetFileName() const { return m_fileName; }
    // How often the paint cache and its tiles were built (for the benchmark).
    int GetCacheBuilds() const { return m_cacheBuilds; }
    int GetTileBuilds() const { return m_tileBuilds; }

    // The picture as a QImage (a copy, top line first), for the clipboard.
    QImage ToImage() const;

    // The zoom commands of the viewer.
    void ZoomMore();
    void ZoomLess();
    void BestFit();

signals:
    void LoadFinished(bool success);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void ApplyLoad(std::shared_ptr<PreviewLoadResult> result);
    void PlacePicture(int position);
    void UpdateDestRect();
    void ComputeSourceRect();
    void InvalidateCache() { ++m_pictureSerial; }
    void DragTo(QPoint position);
    bool PaintFromCache(QPainter& painter, const QRect& visible);
    bool PaintTiles(QPainter& painter, const QRect& visible);

    CPictureEx m_picture;
    std::unique_ptr<CPreviewLoader> m_loader;
    uint64_t m_pendingId = 0;
    uint64_t m_appliedId = 0;
    std::function<bool(const QString&)> m_saveHandler;

    QString m_fileName;
    QString m_requestedFileName; // becomes m_fileName when its picture arrives
    bool m_hasImage = false;
    int m_loadPosition = 0;
    bool m_loadShrink = false;
    bool m_loadEnlarge = false;
    int m_displayWidth = 0;
    int m_displayHeight = 0;
    int m_originX = 0;
    int m_originY = 0;
    QRect m_destRect;
    QRect m_drawRect;
    QRect m_sourceRect;
    int m_clientWidth = 0;
    int m_clientHeight = 0;
    float m_windowAspect = 1.0f;
    bool m_scrollable = false;
    bool m_dragging = false;
    QPoint m_dragPoint;
    bool m_quietDraw = false;
    uint32_t m_loadTime = 0;
    QElapsedTimer m_loadTimer;

    // Paint cache: the scaled region m_cacheRect (displayed coordinates).
    QImage m_cache;
    QRect m_cacheRect;
    uint64_t m_pictureSerial = 1;
    uint64_t m_cacheSerial = 0;
    int m_cacheWidth = 0;
    int m_cacheHeight = 0;
    int m_cacheBuilds = 0;
    // Tiles for pictures too large to cache whole, keyed by tile row and column.
    std::unordered_map<uint64_t, QImage> m_tiles;
    uint64_t m_tileSerial = 0;
    int m_tileWidth = 0;
    int m_tileHeight = 0;
    int m_tileBuilds = 0;
    bool m_blitErrorShown = false;
};
