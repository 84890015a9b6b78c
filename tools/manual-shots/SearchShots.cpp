// Draws Find Images with results and a preview, and the
// Compare Directories results with both lists, into PNGs for the manual.
// Run on demand, under a virtual X server, from the source folder:
//   VELKOR_SHOTS_DIR=resources/manual xvfb-run -a -s "-screen 0 1400x900x24"
//     build/tools/manual-shots/velkor_manual_shots --gtest_filter='SearchShots.*'
// (one command line).
#include "ui/search/CompareResultsDlg.h"
#include "ui/search/FindImages.h"

#include "FrameFixture.h"
#include "ui/widgets/StaticImgView.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QThread>
#include <QTreeWidget>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

using vkuitest::WaitFor;

void Draw(const std::string& path, const std::string& how)
{
    vktest::Run(vktest::ImageMagick() + " " + how + " " + vktest::Quote(path));
}

void Save(QWidget& window, const char* name)
{
    const QByteArray dir = qgetenv("VELKOR_SHOTS_DIR");
    ASSERT_FALSE(dir.isEmpty()) << "set VELKOR_SHOTS_DIR";
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(10);
    }
    EXPECT_TRUE(window.grab().save(QString::fromUtf8(dir) + "/" + name + ".png"));
}

} // namespace

TEST(SearchShots, FindAndCompare)
{
    vktest::TempDir home;
    const std::string pictures = home.File("Pictures");
    for (const char* sub : {"", "/Holidays", "/Holidays/Coast", "/Garden", "/Backup"})
        ::mkdir((pictures + sub).c_str(), 0755);
    Draw(pictures + "/Holidays/harbour.jpg", "-size 800x500 -seed 7 plasma:steelblue-khaki -blur 0x2");
    Draw(pictures + "/Holidays/Coast/harbour.png",
         "-size 640x400 gradient:'#203060'-'#f0a040' -fill '#402818' "
         "-draw 'polygon 0,400 180,220 340,310 500,190 640,280 640,400'");
    Draw(pictures + "/Holidays/Coast/harbour_night.bmp", "-size 400x300 -seed 3 plasma:navy-black");
    Draw(pictures + "/Garden/harbour.tga", "rose: -resize 300%");
    Draw(pictures + "/Garden/meadow.jpg", "-size 640x480 -seed 3 plasma:green-yellow");
    Draw(pictures + "/Garden/tulips.png", "-size 500x400 -seed 5 plasma:red-yellow");
    Draw(pictures + "/Garden/path.pcx", "-size 300x300 pattern:checkerboard");
    Draw(pictures + "/Backup/meadow.jpg", "-size 640x480 -seed 3 plasma:green-yellow");
    Draw(pictures + "/Backup/tulips.png", "-size 500x400 -seed 5 plasma:red-yellow");
    Draw(pictures + "/Backup/old_scan.pgm", "-size 200x160 gradient:white-black");

    {
        CFindImagesDlg find(pictures, true, true);
        find.resize(900, 520);
        find.show();
        find.GetNameEdit()->setText("harbour");
        find.GetFindNowButton()->click();
        WaitFor([&] { return !find.IsSearching(); });
        ASSERT_GE(find.GetResultList()->count(), 2);
        find.GetResultList()->setCurrentRow(1);
        ASSERT_TRUE(find.GetPreviewBox()->WaitForLoad());
        Save(find, "find");
    }
    {
        vkcompare::CompareCriteria criteria;
        criteria.byName = true;
        criteria.bySize = true;
        CCompareResultsDlg results(criteria, pictures + "/Garden", pictures + "/Backup", true, true, true);
        results.show();
        results.Start();
        ASSERT_TRUE(results.WaitUntilDone());
        for (int side = 0; side < 2; ++side) {
            QTreeWidget* list = results.GetList(side);
            ASSERT_GE(list->topLevelItemCount(), 2);
            list->setCurrentItem(list->topLevelItem(side));
            ASSERT_TRUE(results.GetPreviewBox(side)->WaitForLoad());
        }
        Save(results, "compare");
    }
}
