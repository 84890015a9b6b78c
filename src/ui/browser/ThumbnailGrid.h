// CThumbnailGrid: the file list shown as a grid of thumbnails with their
// names beneath, a second view on the file-list model sharing its
// selection. It tells the thumbnail provider what is on screen, what comes
// next in the direction of scrolling and what else the folder holds, and
// paints what has arrived. Ctrl+wheel steps between the cache's normal
// (128) and large (256) sizes; on a high-DPI screen the thumbnails are
// asked at the device's pixels so they stay sharp. Thumbnails are turned
// into the screen's colours in the provider's workers while colour
// management is on. Hidden, the grid asks for nothing.
#pragma once

#include <QListView>
#include <QTimer>

class CThumbnailProvider;

class CThumbnailGrid : public QListView {
    Q_OBJECT

  public:
    // The sizes the grid steps through, in logical pixels.
    static constexpr int kSmallSize = 128;
    static constexpr int kLargeSize = 256;
    // The model's role giving a row's full path, and the one telling a folder.
    CThumbnailGrid(CThumbnailProvider& provider, int pathRole, int folderRole, QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;

    void SetThumbnailSize(int logical);
    int GetThumbnailSize() const { return m_size; }

    // The thumbnail drawn for a row: empty while it is made and for files
    // that cannot be read (those show an icon and the reason as tooltip).
    QImage ImageFor(const QModelIndex& index) const;
    QString FailureFor(const QModelIndex& index) const;

    // Colour management was switched: the thumbnails are made again.
    void ColoursChanged();

  signals:
    void ThumbnailSizeChanged(int logical);

  protected:
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void reset() override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    void hideEvent(QHideEvent* event) override;
    bool viewportEvent(QEvent* event) override;

  private:
    void UpdateGrid();
    // Reorders the provider's work after a scroll, a resize or a refill,
    // once per turn of the event loop.
    void Reprioritize();
    void OnReady(const QString& path);
    void RowsChanged();

    CThumbnailProvider& m_provider;
    int m_pathRole;
    int m_folderRole;
    int m_size = kSmallSize;
    int m_lastScroll = 1; // +1 down, -1 up
    QTimer m_reprioritize;
    QStringList m_all; // every file's path, in row order
    bool m_allValid = false;
};
