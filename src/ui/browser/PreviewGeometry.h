// CPreviewGeometry: where the image view draws its picture. Holds the
// displayed size, the origin, the destination, drawn and source rectangles
// and the client size, and applies the placing, zoom and drag rules to them.
// Plain values: no window, no pixels.
#pragma once

#include "engine/edit/Picture.h"

#include <QPoint>
#include <QRect>

namespace vkview {

enum Position : int { UpperLeft = 0, UpperRight = 1, Centre = 2 };

// One axis of placing a picture: the origin for displayed length `length`
// in a client of `client` by the position rule; `scrollable` is set when
// the picture is longer than the client.
int PlaceAxis(int length, int client, int position, bool horizontal, bool& scrollable);

// The part of a picture shown at displayWidth x displayHeight with its
// top-left corner at `origin` that a client of clientWidth x clientHeight
// shows, in displayed coordinates.
QRect VisibleRegion(QPoint origin, int displayWidth, int displayHeight, int clientWidth, int clientHeight);

} // namespace vkview

class CPreviewGeometry {
  public:
    // Sets the client size; true when it changed.
    bool SetClientSize(int width, int height);
    void SetDisplaySize(int width, int height)
    {
        m_displayWidth = width;
        m_displayHeight = height;
    }
    // Places the displayed size by the position rule and sets the
    // destination rectangle from it.
    void Place(int position);
    // The drawn and source rectangles for a picture `pictureWidth` wide.
    void ComputeSourceRect(int pictureWidth);
    // Shows a pictureWidth x pictureHeight picture at `factor`, keeping the
    // centre where the picture is now (moved by a drag or not) and leaving
    // no gap at an edge in a direction the picture is larger than the client.
    void Zoom(int pictureWidth, int pictureHeight, float factor);
    // Shows the picture at `factor` keeping the picture point under `anchor`
    // (client coordinates) where it is, as far as the edges allow.
    void ZoomAt(int pictureWidth, int pictureHeight, float factor, QPoint anchor);
    // Moves the destination by (dx, dy) within the drag limits; the origin
    // follows on EndDrag.
    void DragBy(int dx, int dy);
    void EndDrag()
    {
        m_originX = m_destRect.left();
        m_originY = m_destRect.top();
    }
    // The visible part of the picture in displayed coordinates.
    QRect Visible() const { return m_drawRect.translated(-m_destRect.topLeft()); }

    int DisplayWidth() const { return m_displayWidth; }
    int DisplayHeight() const { return m_displayHeight; }
    int ClientWidth() const { return m_clientWidth; }
    int ClientHeight() const { return m_clientHeight; }
    int OriginX() const { return m_originX; }
    int OriginY() const { return m_originY; }
    QRect DestRect() const { return m_destRect; }
    QRect DrawRect() const { return m_drawRect; }
    QRect SourceRect() const { return m_sourceRect; }
    bool Scrollable() const { return m_scrollable; }

  private:
    void UpdateDestRect() { m_destRect = QRect(m_originX, m_originY, m_displayWidth, m_displayHeight); }

    int m_displayWidth = 0;
    int m_displayHeight = 0;
    int m_originX = 0;
    int m_originY = 0;
    QRect m_destRect;
    QRect m_drawRect;
    QRect m_sourceRect;
    int m_clientWidth = 0;
    int m_clientHeight = 0;
    bool m_scrollable = false;
};
