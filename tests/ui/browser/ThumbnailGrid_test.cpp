// The thumbnail grid, headless: thumbnails arrive for the files shown,
// folders and unreadable files get icons (the latter their reason as
// tooltip), Ctrl+wheel steps the size, and the selection is the model's.
#include "TestSupport.h"
#include "WaitForEvents.h"
#include "models/thumbnails/ThumbnailProvider.h"
#include "ui/browser/ThumbnailGrid.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QStandardItemModel>
#include <QThread>
#include <QWheelEvent>

#include <gtest/gtest.h>

using namespace vktest;

namespace {

using vkuitest::WaitFor;

constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kFolderRole = Qt::UserRole + 2;

void AddRow(QStandardItemModel& model, const std::string& path, bool folder = false)
{
    auto* item = new QStandardItem(QString::fromStdString(path.substr(path.rfind('/') + 1)));
    item->setData(QString::fromStdString(path), kPathRole);
    item->setData(folder, kFolderRole);
    model.appendRow(item);
}

} // namespace

TEST(ThumbnailGrid, ShowsThumbnailsIconsAndStepsTheSize)
{
    TempDir dir;
    WriteTestPpm(dir.File("a.ppm"), 300, 150);
    WriteTestPpm(dir.File("b.ppm"), 100, 200);
    WriteFile(dir.File("broken.png"), "\x89PNG\r\n\x1a\nbroken");
    QStandardItemModel model;
    AddRow(model, dir.File("sub"), true);
    AddRow(model, dir.File("a.ppm"));
    AddRow(model, dir.File("b.ppm"));
    AddRow(model, dir.File("broken.png"));
    QItemSelectionModel selection(&model);

    CThumbnailProvider provider(QString::fromStdString(dir.File("cache")), 2);
    CThumbnailGrid grid(provider, kPathRole, kFolderRole);
    grid.setModel(&model);
    grid.setSelectionModel(&selection);
    grid.resize(700, 500);
    grid.show();
    auto row = [&](int r) { return model.index(r, 0); };
    ASSERT_TRUE(
        WaitFor([&] { return !grid.ImageFor(row(2)).isNull() && !grid.FailureFor(row(3)).isEmpty(); }));
    ASSERT_TRUE(WaitFor([&] { return !grid.ImageFor(row(1)).isNull(); }));
    EXPECT_EQ(grid.ImageFor(row(1)).size(), QSize(128, 64));
    EXPECT_EQ(grid.ImageFor(row(2)).size(), QSize(64, 128));
    EXPECT_TRUE(grid.ImageFor(row(0)).isNull());
    EXPECT_TRUE(grid.FailureFor(row(0)).isEmpty());
    EXPECT_FALSE(grid.grab().isNull()); // every kind of cell paints

    // Ctrl+wheel up: the large size, made afresh (never larger than the picture).
    int announced = 0;
    QObject::connect(&grid, &CThumbnailGrid::ThumbnailSizeChanged, [&](int size) { announced = size; });
    const QPointF at(20, 20);
    QWheelEvent up(at, grid.viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                   Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid.viewport(), &up);
    EXPECT_EQ(announced, CThumbnailGrid::kLargeSize);
    EXPECT_EQ(grid.gridSize().width(), CThumbnailGrid::kLargeSize + 16);
    ASSERT_TRUE(WaitFor([&] { return !grid.ImageFor(row(1)).isNull(); }));
    EXPECT_EQ(grid.ImageFor(row(1)).size(), QSize(256, 128));
    ASSERT_TRUE(WaitFor([&] { return !grid.ImageFor(row(2)).isNull(); }));
    EXPECT_EQ(grid.ImageFor(row(2)).size(), QSize(100, 200));

    // A click in the grid selects in the shared model.
    grid.setCurrentIndex(row(2));
    EXPECT_EQ(selection.currentIndex(), row(2));
}
