#include "ui/browser/ThumbnailGrid.h"

#include "engine/picture/WinBmp.h"
#include "models/thumbnails/ThumbnailProvider.h"
#include "ui/widgets/DisplayColour.h"

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
        // A selected cell is highlighted whole, the picture and its name;
        // the style's item panel would mark only where it lays out text.
        const bool selected = option.state & QStyle::State_Selected;
        if (selected) {
            const QPalette::ColorGroup group =
                option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
            painter->fillRect(option.rect.adjusted(1, 1, -1, -1),
                              cell.palette.color(group, QPalette::Highlight));
        }
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
        painter->setPen(cell.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
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

// The thumbnails are sRGB (the cache's and the thumbnailer's rule): turned
// into the screen's colours as the preview's pictures are.
void TurnToScreen(ThumbnailPixels& pixels)
{
    static const CWinBmp srgb; // no profile: sRGB
    QImage image(reinterpret_cast<uchar*>(pixels.argb.data()), pixels.width, pixels.height,
                 qsizetype(pixels.width) * 4, pixels.alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    vkdisplay::ManageColours(image, srgb);
}

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
    m_provider.SetPixelTurn(TurnToScreen);
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
    RowsChanged();
}

void CThumbnailGrid::reset()
{
    QListView::reset();
    RowsChanged();
}

void CThumbnailGrid::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end)
{
    QListView::rowsAboutToBeRemoved(parent, start, end);
    RowsChanged();
}

void CThumbnailGrid::setModel(QAbstractItemModel* model)
{
    QListView::setModel(model);
    if (model)
        connect(model, &QAbstractItemModel::layoutChanged, this, &CThumbnailGrid::RowsChanged,
                Qt::UniqueConnection);
    RowsChanged();
}

void CThumbnailGrid::RowsChanged()
{
    m_allValid = false;
    m_reprioritize.start();
}

void CThumbnailGrid::hideEvent(QHideEvent* event)
{
    QListView::hideEvent(event);
    m_reprioritize.stop();
    m_provider.Prioritize({}, {}, {}); // work in hand stops
}

void CThumbnailGrid::ColoursChanged()
{
    m_provider.Reload();
    m_reprioritize.start();
    viewport()->update();
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
    if (!model() || !isVisible())
        return;
    const int rows = model()->rowCount(rootIndex());
    auto indexOf = [this](int row) { return model()->index(row, modelColumn(), rootIndex()); };
    // The folder's files, read again only when the rows changed: a scroll
    // reorders the screen's rows, not the rest.
    if (!m_allValid) {
        m_all.clear();
        m_all.reserve(rows);
        for (int row = 0; row < rows; ++row) {
            const QModelIndex index = indexOf(row);
            if (!model()->data(index, m_folderRole).toBool())
                m_all << model()->data(index, m_pathRole).toString();
        }
        m_allValid = true;
    }
    const QRect view = viewport()->rect();
    const QRect next = view.translated(0, m_lastScroll * view.height());
    const QRect span = view.united(next);
    // Cells follow the rows down the grid: the first row reaching the span
    // is found by halves, and the rows after it are taken until one starts
    // below it.
    int low = 0, high = rows;
    while (low < high) {
        const int middle = (low + high) / 2;
        if (visualRect(indexOf(middle)).bottom() < span.top())
            low = middle + 1;
        else
            high = middle;
    }
    QStringList visible, ahead;
    for (int row = low; row < rows; ++row) {
        const QModelIndex index = indexOf(row);
        const QRect cell = visualRect(index);
        if (cell.top() > span.bottom())
            break;
        if (model()->data(index, m_folderRole).toBool())
            continue;
        if (cell.intersects(view))
            visible << model()->data(index, m_pathRole).toString();
        else if (cell.intersects(next))
            ahead << model()->data(index, m_pathRole).toString();
    }
    m_provider.Prioritize(visible, ahead, m_all);
}
