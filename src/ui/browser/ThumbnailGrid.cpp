#include "ui/browser/ThumbnailGrid.h"

#include "models/thumbnails/ThumbnailProvider.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QWheelEvent>

#include <cmath>
#include <functional>

namespace {

constexpr int kCellMargin = 8;

// Draws a cell: the thumbnail (or a folder's or an unreadable file's icon)
// centred in a square of the grid's size, the name elided beneath.
class ThumbnailDelegate : public QStyledItemDelegate {
  public:
    explicit ThumbnailDelegate(CThumbnailGrid& grid) : QStyledItemDelegate(&grid), m_grid(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        QStyle* style = cell.widget ? cell.widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, painter, cell.widget);
        const int size = m_grid.GetThumbnailSize();
        const QRect square(option.rect.x() + (option.rect.width() - size) / 2,
                           option.rect.y() + kCellMargin / 2, size, size);
        const QImage image = m_grid.ImageFor(index);
        if (!image.isNull()) {
            // Fitted in logical pixels: the image carries the screen's ratio.
            QSizeF shown = image.deviceIndependentSize();
            if (shown.width() > size || shown.height() > size)
                shown.scale(size, size, Qt::KeepAspectRatio);
            const QRectF target(square.x() + (size - shown.width()) / 2,
                                square.y() + (size - shown.height()) / 2, shown.width(), shown.height());
            painter->save();
            painter->setRenderHint(QPainter::SmoothPixmapTransform);
            painter->drawImage(target, image);
            painter->restore();
        } else {
            const bool failed = !m_grid.FailureFor(index).isEmpty();
            const bool folder = m_grid.model()->data(index, FolderRole()).toBool();
            if (folder || failed) {
                const QIcon icon = style->standardIcon(
                    folder ? QStyle::SP_DirIcon : QStyle::SP_MessageBoxWarning, nullptr, cell.widget);
                const int side = size / 2;
                icon.paint(painter,
                           QRect(square.center().x() - side / 2, square.center().y() - side / 2, side, side));
            }
        }
        const QRect text(option.rect.x() + 2, square.bottom() + kCellMargin / 2, option.rect.width() - 4,
                         option.fontMetrics.height());
        const QString name = cell.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(),
                                                         Qt::ElideMiddle, text.width());
        painter->save();
        painter->setPen(cell.palette.color(option.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                                 : QPalette::Text));
        painter->drawText(text, Qt::AlignHCenter | Qt::AlignTop, name);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        const int size = m_grid.GetThumbnailSize();
        return {size + 2 * kCellMargin, size + 2 * kCellMargin + option.fontMetrics.height()};
    }

    std::function<int()> FolderRole;

  private:
    CThumbnailGrid& m_grid;
};

} // namespace

CThumbnailGrid::CThumbnailGrid(CThumbnailProvider& provider, int pathRole, int folderRole, QWidget* parent)
    : QListView(parent), m_provider(provider), m_pathRole(pathRole), m_folderRole(folderRole)
{
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setWrapping(true);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* delegate = new ThumbnailDelegate(*this);
    delegate->FolderRole = [this] { return m_folderRole; };
    setItemDelegate(delegate);
    m_reprioritize.setSingleShot(true);
    m_reprioritize.setInterval(0);
    connect(&m_reprioritize, &QTimer::timeout, this, &CThumbnailGrid::Reprioritize);
    connect(&m_provider, &CThumbnailProvider::ThumbnailReady, this, &CThumbnailGrid::OnReady);
    connect(&m_provider, &CThumbnailProvider::ThumbnailFailed, this, [this] { viewport()->update(); });
    UpdateGrid();
}

void CThumbnailGrid::SetThumbnailSize(int logical)
{
    const int size = logical >= kLargeSize ? kLargeSize : kSmallSize;
    if (size == m_size)
        return;
    m_size = size;
    UpdateGrid();
    emit ThumbnailSizeChanged(m_size);
}

void CThumbnailGrid::UpdateGrid()
{
    const int text = fontMetrics().height();
    setGridSize(QSize(m_size + 2 * kCellMargin, m_size + 2 * kCellMargin + text));
    setIconSize(QSize(m_size, m_size));
    m_provider.SetSize(int(std::ceil(m_size * devicePixelRatioF())));
    m_reprioritize.start();
    viewport()->update();
}

QImage CThumbnailGrid::ImageFor(const QModelIndex& index) const
{
    if (!index.isValid() || !model())
        return {};
    const ThumbnailPixelsPtr pixels = m_provider.Get(model()->data(index, m_pathRole).toString());
    if (!pixels)
        return {};
    // The image reads the provider's pixels in place and holds them while it lives.
    auto* keep = new ThumbnailPixelsPtr(pixels);
    QImage image(
        reinterpret_cast<const uchar*>(pixels->argb.data()), pixels->width, pixels->height,
        qsizetype(pixels->width) * 4, pixels->alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32,
        [](void* p) { delete static_cast<ThumbnailPixelsPtr*>(p); }, keep);
    image.setDevicePixelRatio(devicePixelRatioF());
    return image;
}

QString CThumbnailGrid::FailureFor(const QModelIndex& index) const
{
    if (!index.isValid() || !model())
        return {};
    return m_provider.FailureReason(model()->data(index, m_pathRole).toString());
}

void CThumbnailGrid::wheelEvent(QWheelEvent* event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        const int delta = event->angleDelta().y();
        if (delta != 0)
            SetThumbnailSize(delta > 0 ? kLargeSize : kSmallSize);
        event->accept();
        return;
    }
    QListView::wheelEvent(event);
}

void CThumbnailGrid::scrollContentsBy(int dx, int dy)
{
    // The contents moving up means the user scrolls down.
    if (dy != 0)
        m_lastScroll = dy < 0 ? 1 : -1;
    QListView::scrollContentsBy(dx, dy);
    m_reprioritize.start();
}

void CThumbnailGrid::resizeEvent(QResizeEvent* event)
{
    QListView::resizeEvent(event);
    m_reprioritize.start();
}

void CThumbnailGrid::rowsInserted(const QModelIndex& parent, int start, int end)
{
    QListView::rowsInserted(parent, start, end);
    m_reprioritize.start();
}

bool CThumbnailGrid::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = indexAt(help->pos());
        const QString failure = FailureFor(index);
        if (!failure.isEmpty()) {
            QToolTip::showText(help->globalPos(), failure, viewport());
            return true;
        }
    }
    if (event->type() == QEvent::Show || event->type() == QEvent::LayoutRequest)
        m_reprioritize.start();
    return QListView::viewportEvent(event);
}

void CThumbnailGrid::OnReady(const QString&)
{
    // Repaints are merged by the viewport; only visible cells are drawn.
    viewport()->update();
}

void CThumbnailGrid::Reprioritize()
{
    if (!model())
        return;
    const QRect view = viewport()->rect();
    const QRect next = view.translated(0, m_lastScroll * view.height());
    QStringList visible, ahead, rest;
    const int rows = model()->rowCount(rootIndex());
    for (int row = 0; row < rows; ++row) {
        const QModelIndex index = model()->index(row, modelColumn(), rootIndex());
        if (model()->data(index, m_folderRole).toBool())
            continue;
        const QString path = model()->data(index, m_pathRole).toString();
        const QRect cell = visualRect(index);
        if (cell.intersects(view))
            visible << path;
        else if (cell.intersects(next))
            ahead << path;
        else
            rest << path;
    }
    m_provider.Prioritize(visible, ahead, rest);
}
