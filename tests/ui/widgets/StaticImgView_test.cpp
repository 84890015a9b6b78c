// The dialogs' picture box: displayed size and place, decoding off the GUI
// thread, and what an undecodable file shows.
#include "ui/widgets/StaticImgView.h"

#include "TestSupport.h"

#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>

namespace {

std::string Ppm(int width, int height, uint8_t r, uint8_t g, uint8_t b)
{
    std::string data = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    for (int i = 0; i < width * height; ++i) {
        data.push_back(char(r));
        data.push_back(char(g));
        data.push_back(char(b));
    }
    return data;
}

struct Box {
    CStaticImgView view;
    Box()
    {
        view.resize(160, 120);
        view.show();
    }
    bool Load(const std::string& path)
    {
        bool result = false;
        QObject::connect(&view, &CStaticImgView::Loaded, [&result](bool ok, const QString&) { result = ok; });
        view.Load(QString::fromStdString(path), true, true);
        EXPECT_TRUE(view.WaitForLoad());
        return result;
    }
};

} // namespace

TEST(StaticImgView, DisplayedSizesAndPlaces)
{
    vktest::TempDir dir;
    struct Case {
        int w, h;
        QRect expected;
    } cases[] = {
        {40, 30, QRect(0, 0, 160, 120)},    // enlarged to fill
        {400, 100, QRect(0, 40, 160, 40)},  // reduced, centred vertically
        {160, 50, QRect(0, 35, 160, 50)},   // as wide as the box: its own size
        {100, 120, QRect(30, 0, 100, 120)}, // as high as the box: its own size
        {320, 480, QRect(40, 0, 80, 120)},  // reduced, centred horizontally
    };
    Box box;
    for (const Case& c : cases) {
        const std::string path = dir.File(std::to_string(c.w) + "x" + std::to_string(c.h) + ".ppm");
        vktest::WriteFile(path, Ppm(c.w, c.h, 200, 10, 10));
        ASSERT_TRUE(box.Load(path)) << path;
        EXPECT_EQ(box.view.GetImageRect(), c.expected) << c.w << "x" << c.h;
        EXPECT_EQ(box.view.GetImageWidth(), c.w);
        EXPECT_EQ(box.view.GetImageHeight(), c.h);
    }

    // Without enlarging a small picture keeps its size; without centring it sits at 0, 0.
    vktest::WriteFile(dir.File("small.ppm"), Ppm(40, 30, 0, 0, 0));
    box.view.Load(QString::fromStdString(dir.File("small.ppm")), false, false);
    ASSERT_TRUE(box.view.WaitForLoad());
    EXPECT_EQ(box.view.GetImageRect(), QRect(0, 0, 40, 30));

    // The box keeps its picture and draws it on every paint.
    box.view.Load(QString::fromStdString(dir.File("400x100.ppm")), true, true);
    ASSERT_TRUE(box.view.WaitForLoad());
    for (int paint = 0; paint < 2; ++paint) {
        const QImage shot = box.view.grab().toImage();
        EXPECT_EQ(QColor(shot.pixel(80, 60)), QColor(200, 10, 10)) << "paint " << paint;
        EXPECT_NE(QColor(shot.pixel(80, 10)), QColor(200, 10, 10)) << "above the picture: the box's face";
    }

    // A resize fits the kept picture again.
    box.view.resize(80, 120);
    ASSERT_TRUE(box.view.WaitForLoad());
    EXPECT_EQ(box.view.GetImageRect(), QRect(0, 50, 80, 20));
}

TEST(StaticImgView, UnknownFormatAndSupersededLoads)
{
    vktest::TempDir dir;
    vktest::WriteFile(dir.File("text.jpg"), "this is not a picture\n");
    vktest::WriteFile(dir.File("good.ppm"), Ppm(16, 12, 0, 0, 255));
    Box box;
    ASSERT_TRUE(box.Load(dir.File("good.ppm")));
    EXPECT_TRUE(box.view.HasImage());

    EXPECT_FALSE(box.Load(dir.File("text.jpg")));
    EXPECT_TRUE(box.view.ShowsUnknownFormat());
    EXPECT_FALSE(box.view.HasImage()) << "the previous picture is no longer shown";
    EXPECT_EQ(box.view.GetImageWidth(), 0);
    const QImage shot = box.view.grab().toImage();
    bool textDrawn = false;
    const QColor face = box.view.palette().color(QPalette::Button);
    for (int y = 40; y < 80 && !textDrawn; ++y)
        for (int x = 40; x < 120 && !textDrawn; ++x)
            textDrawn = QColor(shot.pixel(x, y)) != face;
    EXPECT_TRUE(textDrawn) << "\"Unknow format\" is drawn in the middle";

    EXPECT_FALSE(box.Load(dir.File("missing.png")));

    // Only the newest of several loads is shown.
    int loaded = 0;
    QObject::connect(&box.view, &CStaticImgView::Loaded, [&loaded](bool, const QString&) { ++loaded; });
    box.view.Load(QString::fromStdString(dir.File("text.jpg")));
    box.view.Load(QString::fromStdString(dir.File("good.ppm")));
    ASSERT_TRUE(box.view.WaitForLoad());
    EXPECT_TRUE(box.view.HasImage());
    EXPECT_EQ(box.view.GetPath(), QString::fromStdString(dir.File("good.ppm")));
    EXPECT_GE(loaded, 1);

    // A resize while a file decodes still shows that file, not the picture
    // shown before it.
    vktest::WriteFile(dir.File("wide.ppm"), Ppm(64, 16, 0, 255, 0));
    box.view.Load(QString::fromStdString(dir.File("wide.ppm")));
    box.view.resize(150, 120);
    ASSERT_TRUE(box.view.WaitForLoad());
    EXPECT_EQ(box.view.GetImageWidth(), 64);
    EXPECT_EQ(box.view.GetImageRect(), QRect(0, 41, 150, 37));
    box.view.resize(160, 120);
    ASSERT_TRUE(box.view.WaitForLoad());

    box.view.Clear();
    EXPECT_FALSE(box.view.HasImage());
    EXPECT_FALSE(box.view.ShowsUnknownFormat());
}
