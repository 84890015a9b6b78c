// A second view on the frame's file list model, as a thumbnail grid will
// be: it shows the same entries and shares the selection, so a click or a
// key in either view moves the frame, and the frame's own selections show
// in both.
#include "FrameFixture.h"

#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QListView>

using vkuitest::FrameTest;
using vkuitest::WaitForLoad;
using vkuitest::WriteBmp;

namespace {

class FileListViewsTest : public FrameTest {
  protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp"})
            WriteBmp(pics.File(name), 16, 12);
    }
    // A grid on the frame's model and selection, in the frame's window.
    QListView* AddGrid()
    {
        auto* grid = new QListView(frame.get());
        grid->setViewMode(QListView::IconMode);
        grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
        grid->setModel(&frame->GetFileList());
        grid->setSelectionModel(frame->GetFileList().SelectionModel());
        grid->resize(300, 200);
        grid->show();
        return grid;
    }
    bool SelectedIn(const QListView* view, int row) const
    {
        return view->selectionModel()->isSelected(frame->GetFileList().index(row));
    }
    std::string Current() const { return frame->GetFileList().GetCurrentFile(); }
};

} // namespace

TEST_F(FileListViewsTest, ASecondViewSharesTheSelection)
{
    ASSERT_TRUE(Start(pics.Path()));
    QListView* list = frame->GetFileListView();
    QListView* grid = AddGrid();
    EXPECT_EQ(grid->model()->rowCount(), 4);
    EXPECT_EQ(grid->selectionModel(), list->selectionModel());

    // A click in the grid: the frame shows the file, the list selects it.
    grid->setCurrentIndex(frame->GetFileList().index(2));
    WaitForLoad(frame->GetView());
    EXPECT_EQ(Current(), "c.bmp");
    EXPECT_TRUE(SelectedIn(list, 2));
    EXPECT_EQ(list->currentIndex().row(), 2);
    EXPECT_EQ(frame->GetView()->GetFileName().toStdString(), "c.bmp");
    EXPECT_EQ(Pane(2).substr(0, 8), " 1 of 4 ");

    // Keys in the list move the grid's selection too.
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::ShiftModifier);
    QCoreApplication::sendEvent(list, &down);
    WaitForLoad(frame->GetView());
    EXPECT_EQ(frame->GetFileList().SelectedNames(), (std::vector<std::string>{"c.bmp", "d.bmp"}));
    EXPECT_TRUE(SelectedIn(grid, 2) && SelectedIn(grid, 3));
    EXPECT_EQ(Current(), "d.bmp");

    // The frame's own selections (a command, a refill) show in the grid.
    frame->RunCommand(Cmd::EditSelectAll);
    for (int row = 0; row < 4; ++row)
        EXPECT_TRUE(SelectedIn(grid, row)) << row;
    frame->RunCommand(Cmd::EditUnselectAll);
    grid->setCurrentIndex(frame->GetFileList().index(1));
    WaitForLoad(frame->GetView());
    frame->RunCommand(Cmd::SortByExtension);
    EXPECT_EQ(grid->model()->rowCount(), 4);
    EXPECT_TRUE(SelectedIn(grid, frame->GetFileList().Find("b.bmp")));
    EXPECT_EQ(Current(), "b.bmp");

    // A view that goes leaves the model and the other view as they were.
    delete grid;
    EXPECT_EQ(list->selectionModel(), frame->GetFileList().SelectionModel());
    frame->GetFileListView()->setCurrentIndex(frame->GetFileList().index(frame->GetFileList().Find("a.bmp")));
    WaitForLoad(frame->GetView());
    EXPECT_EQ(Current(), "a.bmp");
}
