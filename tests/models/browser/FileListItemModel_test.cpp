// CFileList as a Qt item model: its roles, the selection it shares with its
// views, which changes count as the user's, and a refill that keeps the
// selection by name.
#include "models/browser/DirectoryFill.h"
#include "models/browser/FileList.h"
#include "models/platform/Path.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

using Names = std::vector<std::string>;

namespace {

struct ItemModelTest : ::testing::Test {
    vktest::TempDir dir;
    CFileList list;
    int edited = 0; // SelectionEdited signals
    int resets = 0;

    void SetUp() override
    {
        QObject::connect(&list, &CFileList::SelectionEdited, [this] { ++edited; });
        QObject::connect(&list, &QAbstractItemModel::modelReset, [this] { ++resets; });
        list.SetCurrentDir(dir.Path(), true);
    }

    // Files of 10, 20, 30 ... bytes, listed in the given order.
    void Fill(const Names& names)
    {
        for (size_t i = 0; i < names.size(); ++i)
            vktest::WriteFile(dir.File(names[i]), std::string(10 * (i + 1), 'x'));
        list.SetEntries(names);
    }

    std::vector<int> Rows() const
    {
        std::vector<int> rows;
        const std::vector<bool> selected = list.SelectedRows();
        for (size_t i = 0; i < selected.size(); ++i)
            if (selected[i])
                rows.push_back(int(i));
        return rows;
    }
    int CurrentRow() const { return list.SelectionModel()->currentIndex().row(); }
};

} // namespace

TEST_F(ItemModelTest, RolesOfAnEntry)
{
    Fill({"b.png", "a.jpg"});
    struct utimbuf times {};
    times.modtime = 1'000'000'000;
    ASSERT_EQ(::utime(dir.File("a.jpg").c_str(), &times), 0);

    EXPECT_EQ(list.rowCount(), 2);
    EXPECT_EQ(list.rowCount(list.index(0)), 0) << "a list: no children";
    const QModelIndex a = list.index(1);
    EXPECT_EQ(a.data().toString(), "a.jpg");
    EXPECT_EQ(a.data(CFileList::PathRole).toString().toStdString(), dir.File("a.jpg"));
    EXPECT_FALSE(a.data(CFileList::IsFolderRole).toBool());
    EXPECT_EQ(a.data(CFileList::SizeRole).toULongLong(), 20u);
    EXPECT_EQ(a.data(CFileList::DateRole).toLongLong(), 1'000'000'000);
    EXPECT_TRUE(list.flags(a) & Qt::ItemIsSelectable);
    EXPECT_FALSE(list.flags(a) & Qt::ItemIsEditable);
    EXPECT_FALSE(list.index(2).isValid());
    EXPECT_FALSE(list.data(list.index(2)).isValid());
    EXPECT_EQ(list.roleNames().value(CFileList::PathRole), "path");

    // A file gone since the fill: no size, no date, still listed.
    list.SetEntries({"gone.png"});
    EXPECT_EQ(list.index(0).data(CFileList::SizeRole).toULongLong(), 0u);
    EXPECT_EQ(list.index(0).data(CFileList::DateRole).toLongLong(), -1);
    // The path names the folder the entries were read from.
    list.SetCurrentDir("/", false);
    EXPECT_EQ(list.EntryPath(0), dir.File("gone.png"));
    EXPECT_EQ(list.EntryPath(1), "");
    EXPECT_EQ(list.EntryName(-1), "");
}

TEST_F(ItemModelTest, SelectionByTheModelAndByAView)
{
    Fill({"e0.png", "e1.png", "e2.png", "e3.png", "E1.png"});

    // The model's own changes reach the views but are not the user's.
    list.SelectRows({false, true, false, true});
    EXPECT_EQ(Rows(), (std::vector<int>{1, 3}));
    EXPECT_EQ(CurrentRow(), -1) << "SelectRows leaves the current row";
    list.TakeSelection();
    EXPECT_EQ(list.SelectedNames(), (Names{"e1.png", "e3.png"}));
    EXPECT_EQ(list.GetCurrentFile(), "e3.png");
    EXPECT_EQ(list.GetSelectedTotal(), 20u + 40u);
    EXPECT_EQ(list.SelectedPaths(), (Names{dir.File("e1.png"), dir.File("e3.png")}));
    EXPECT_EQ(list.GetCurrentPath(), dir.File("e3.png"));

    EXPECT_EQ(list.SelectEntry("e1.png"), 1) << "the exact name first";
    EXPECT_EQ(list.SelectEntry("E2.PNG"), 2) << "then ignoring case";
    EXPECT_EQ(CurrentRow(), 2);
    EXPECT_EQ(list.SelectEntry("none.png"), -1);
    EXPECT_TRUE(Rows().empty());
    int last = 0;
    EXPECT_EQ(list.SelectNamed({"e3.png", "E1.png", "none.png", "e0.png"}, last), 3);
    EXPECT_EQ(Rows(), (std::vector<int>{0, 3, 4}));
    EXPECT_EQ(last, 4);
    EXPECT_EQ(CurrentRow(), 4);
    list.SelectOnly(-1);
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(edited, 0);

    // Until taken, the names are those of the last take.
    EXPECT_EQ(list.SelectedNames(), (Names{"e1.png", "e3.png"}));

    // A view selects through the shared selection model: the user's change.
    QItemSelectionModel* shared = list.SelectionModel();
    shared->select(list.index(2), QItemSelectionModel::Select);
    shared->select(list.index(0), QItemSelectionModel::Select);
    EXPECT_EQ(edited, 2);
    list.TakeSelection();
    EXPECT_EQ(list.SelectedNames(), (Names{"e0.png", "e2.png"})) << "in list order, not click order";
    EXPECT_EQ(list.GetCurrentFile(), "e2.png");

    // Many rows: one change, in runs.
    std::vector<bool> every(list.Entries().size(), true);
    every[2] = false;
    list.SelectRows(every);
    EXPECT_EQ(list.SelectionModel()->selection().size(), 2);
    EXPECT_EQ(Rows(), (std::vector<int>{0, 1, 3, 4}));
}

TEST_F(ItemModelTest, RefillKeepsTheSelectionByName)
{
    Fill({"a.png", "b.png", "c.png", "d.png"});
    list.SelectRows({false, true, false, true});
    list.TakeSelection();
    const int resetsBefore = resets;

    // A new order and a new file: the same names stay selected.
    vktest::WriteFile(dir.File("B0.png"), "x");
    vkfill::ReselectResult r = list.Refill({"d.png", "c.png", "B0.png", "b.png", "a.png"});
    EXPECT_EQ(resets, resetsBefore + 1);
    EXPECT_TRUE(r.allFound);
    EXPECT_EQ(Rows(), (std::vector<int>{0, 3}));
    EXPECT_EQ(CurrentRow(), 3) << "the last selected row is current";
    EXPECT_EQ(list.GetCurrentFile(), "d.png") << "names kept as they were taken";
    EXPECT_EQ(edited, 0);
    list.TakeSelection();
    EXPECT_EQ(list.SelectedNames(), (Names{"d.png", "b.png"}));

    // One of them went: what remains stays selected and is taken.
    r = list.Refill({"a.png", "b.png", "c.png"});
    EXPECT_FALSE(r.allFound);
    EXPECT_EQ(Rows(), (std::vector<int>{1}));
    EXPECT_EQ(list.SelectedNames(), (Names{"b.png"}));
    EXPECT_EQ(list.GetSelectedTotal(), 20u);

    // SetEntries alone empties the selection model and keeps the names.
    list.SetEntries({"b.png"});
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(list.SelectedNames(), (Names{"b.png"}));
    list.TakeSelection();
    EXPECT_EQ(list.GetSelectedCount(), 0);
    EXPECT_EQ(list.GetCurrentFile(), "");
}
