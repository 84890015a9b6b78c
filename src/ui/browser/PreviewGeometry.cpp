#include "ui/browser/PreviewGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace vkview {

int PlaceAxis(int length, int client, int position, bool horizontal, bool& scrollable)
{
    if (length < client)
        return (client - length) / 2;
    if (length > client)
        scrollable = true;
    switch (position) {
    case UpperLeft:
        return 0;
    case UpperRight:
        return horizontal ? client - length : 0;
    default:
        return (client - length) / 2;
    }
}

QRect VisibleRegion(QPoint origin, int displayWidth, int displayHeight, int clientWidth, int clientHeight)
{
    const int left = std::max(0, -origin.x());
    const int top = std::max(0, -origin.y());
    const int right = std::min(displayWidth, clientWidth - origin.x());
    const int bottom = std::min(displayHeight, clientHeight - origin.y());
    if (right <= left || bottom <= top)
        return {};
    return QRect(left, top, right - left, bottom - top);
}

} // namespace vkview

bool CPreviewGeometry::SetClientSize(int width, int height)
{
    const bool changed = width != m_clientWidth || height != m_clientHeight;
    m_clientWidth = width;
    m_clientHeight = height;
    return changed;
}

void CPreviewGeometry::Place(int position)
{
    m_scrollable = false;
    m_originX = vkview::PlaceAxis(m_displayWidth, m_clientWidth, position, true, m_scrollable);
    m_originY = vkview::PlaceAxis(m_displayHeight, m_clientHeight, position, false, m_scrollable);
    UpdateDestRect();
}

void CPreviewGeometry::ComputeSourceRect(int pictureWidth)
{
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
    if (pictureWidth <= 0 || destW <= 0) {
        m_sourceRect = {};
        return;
    }
    const double scale = double(destW) / pictureWidth;
    const int sl = int(spanLeft / scale), sr = int(spanRight / scale);
    const int st = int(spanTop / scale), sb = int(spanBottom / scale);
    m_sourceRect = QRect(QPoint(sl, st), QPoint(sr - 1, sb - 1));
}

void CPreviewGeometry::Zoom(int pictureWidth, int pictureHeight, float factor)
{
    const int w = std::max(1, int(float(pictureWidth) * factor));
    const int h = std::max(1, int(float(pictureHeight) * factor));
    // Start from where the picture is drawn: in the middle of a drag that is
    // where the drag has moved it, not where it was when the drag began.
    m_originX = m_destRect.left();
    m_originY = m_destRect.top();
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
    ComputeSourceRect(pictureWidth);
}

void CPreviewGeometry::ZoomAt(int pictureWidth, int pictureHeight, float factor, QPoint anchor)
{
    const int w = std::max(1, int(float(pictureWidth) * factor));
    const int h = std::max(1, int(float(pictureHeight) * factor));
    m_scrollable = false;
    auto axis = [this](int length, int oldLength, int client, int edge, int at) {
        if (length < client)
            return (client - length) / 2;
        if (length > client)
            m_scrollable = true;
        // The same fraction of the picture stays under the pointer.
        const double fraction = oldLength > 0 ? double(at - edge) / oldLength : 0.5;
        int origin = int(std::lround(at - fraction * length));
        origin = std::min(origin, 0);
        return std::max(origin, client - length);
    };
    m_originX = axis(w, m_displayWidth, m_clientWidth, m_destRect.left(), anchor.x());
    m_originY = axis(h, m_displayHeight, m_clientHeight, m_destRect.top(), anchor.y());
    m_displayWidth = w;
    m_displayHeight = h;
    UpdateDestRect();
    ComputeSourceRect(pictureWidth);
}

void CPreviewGeometry::DragBy(int dx, int dy)
{
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
}
