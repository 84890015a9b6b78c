// The image view driven on its own: displayed sizes, placement, zoom steps,
// dragging limits, background loading and the paint cache.
#include "FrameFixture.h"

#include <QMouseEvent>
#include <QPainter>
#include <QThread>
#include <QWheelEvent>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/picture/TextException.h"

using vkuitest::WaitFor;
using vkuitest::WaitForLoad;
using vkuitest::WriteBmp;

namespace {

class PreviewTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        view.resize(400, 300);
        view.SetClientSize(400, 300);
    }
    // Loads a generated picture of width x height.
    bool Load(int width, int height, int position, bool shrink, bool enlarge)
    {
        const std::string path =
            dir.File("p" + std::to_string(width) + "x" + std::to_string(height) + ".bmp");
        if (!vktest::FileExists(path))
            WriteBmp(path, width, height);
        bool result = false;
        QObject::connect(
            &view, &CPreview::LoadFinished, &view, [&result](bool ok) { result = ok; },
            Qt::SingleShotConnection);
        view.LoadImage(QString::fromStdString(path), position, shrink, enlarge, "p.bmp");
        WaitForLoad(&view);
        return result;
    }
    void Drag(QPoint from, QPoint to)
    {
        QMouseEvent press(QEvent::MouseButtonPress, from, view.mapToGlobal(from), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &press);
        QMouseEvent move(QEvent::MouseMove, to, view.mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, to, view.mapToGlobal(to), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &release);
    }
    // What a view paints, as an image of its size.
    static QImage Grab(CPreview& preview)
    {
        QImage image(preview.size(), QImage::Format_RGB32);
        image.fill(Qt::magenta);
        preview.render(&image);
        return image;
    }
    QImage Grab() { return Grab(view); }
    // What a second view of the same size shows for `path`, decoded afresh
    // in one go; `firstPaints` counts its reduced first paints.
    static QImage ShownAfresh(const std::string& path, int* firstPaints = nullptr)
    {
        CPreview fresh;
        fresh.resize(400, 300);
        fresh.SetClientSize(400, 300);
        fresh.SetReducedFirstPaint(false);
        if (firstPaints)
            QObject::connect(&fresh, &CPreview::FirstPaint, &fresh, [firstPaints] { ++*firstPaints; });
        fresh.LoadImage(QString::fromStdString(path), vkview::Centre, true, false, "fresh");
        WaitForLoad(&fresh);
        return Grab(fresh);
    }
    // A JPEG of a generated picture, written by cjpeg.
    std::string MakeJpeg(const std::string& name, int width, int height, unsigned seed)
    {
        CWinBmp source;
        vktest::MakeTestPicture(source, width, height, seed);
        const std::string ppm = dir.File(name + ".ppm"), jpeg = dir.File(name);
        vktest::WriteFile(ppm, vktest::ToPpm(source));
        EXPECT_EQ(vktest::Run("cjpeg -quality 90 -outfile " + vktest::Quote(jpeg) + " " + vktest::Quote(ppm)),
                  0);
        return jpeg;
    }

    vkuitest::ScriptedAsk ask;
    vktest::TempDir dir;
    CPreview view;
};

// A 4 x 4 GIF whose data ends after three codes without an end code: it
// decodes, with the decoder's "ran off the end" warning.
std::string CutGif()
{
    const unsigned char bytes[] = {'G',  'I', 'F',  '8',  '7', 'a', 4,   0,   4,   0,
                                   0x80, 0,   0,    0,    0,   0,   255, 255, 255,    // two colours
                                   ',',  0,   0,    0,    0,   4,   0,   4,   0,   0, // the image
                                   2,    2,   0x44, 0x00, 0,   ';'};                  // clear, 0, 1
    return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

// Sends decoder warnings to the message seam on the GUI thread, as the
// application does.
class WarningsAsMessages {
  public:
    WarningsAsMessages()
    {
        SetWarningCallback([](const std::string& text) {
            QMetaObject::invokeMethod(
                qApp, [text] { vkui::ask(QString::fromStdString(text)); }, Qt::QueuedConnection);
        });
    }
    ~WarningsAsMessages() { SetWarningCallback({}); }
};

} // namespace

TEST_F(PreviewTest, DisplayedSizeAndPlaceOnLoad)
{
    struct Case {
        int w, h, position;
        bool shrink, enlarge;
        QRect dest; // in the 400 x 300 window
        bool scrollable;
    };
    const Case cases[] = {
        {100, 100, vkview::Centre, true, true, {50, 0, 300, 300}, false},     // enlarged to fit
        {20, 10, vkview::Centre, true, true, {100, 100, 200, 100}, false},    // but at most ten times
        {20, 10, vkview::Centre, true, false, {190, 145, 20, 10}, false},     // without enlarge: its size
        {400, 100, vkview::Centre, true, true, {0, 100, 400, 100}, false},    // touching the window: its size
        {800, 600, vkview::UpperRight, true, false, {0, 0, 400, 300}, false}, // shrunk
        {800, 600, vkview::UpperRight, false, false, {-400, 0, 800, 600}, true}, // the top right part shows
        {800, 600, vkview::Centre, false, false, {-200, -150, 800, 600}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " position " << c.position << " shrink "
                                        << c.shrink << " enlarge " << c.enlarge);
        ASSERT_TRUE(Load(c.w, c.h, c.position, c.shrink, c.enlarge));
        EXPECT_EQ(
            QRect(view.GetOriginX(), view.GetOriginY(), view.GetDisplayWidth(), view.GetDisplayHeight()),
            c.dest);
        EXPECT_EQ(view.IsScrollable(), c.scrollable);
        if (c.scrollable) {
            EXPECT_EQ(view.GetSourceRect(), QRect(-c.dest.left(), -c.dest.top(), 400, 300));
        }
    }
}

TEST_F(PreviewTest, ZoomStepsAndLimits)
{
    ASSERT_TRUE(Load(100, 80, vkview::Centre, false, false));
    view.SetZoom(10.0f);
    EXPECT_EQ(view.GetDisplayWidth(), 1000);
    view.ZoomMore();
    EXPECT_EQ(view.GetDisplayWidth(), 1000) << "More at ten times does nothing";

    view.SetZoom(0.25f);
    view.ZoomLess();
    EXPECT_EQ(view.GetDisplayWidth(), 25) << "Less at a quarter does nothing";

    view.SetZoom(0.3f);
    EXPECT_EQ(view.GetDisplayWidth(), 30);
    view.ZoomLess();
    EXPECT_EQ(view.GetDisplayWidth(), 25);

    view.SetZoom(9.9f);
    view.ZoomMore();
    EXPECT_EQ(view.GetDisplayWidth(), 1000);

    // From best fit the step starts at the effective factor.
    view.BestFit();
    EXPECT_EQ(view.GetDisplayWidth(), 375);
    EXPECT_EQ(view.GetDisplayHeight(), 300);
    view.ZoomMore();
    EXPECT_EQ(view.GetDisplayWidth(), int(100 * (3.75f + 0.25f)));
}

TEST_F(PreviewTest, ZoomKeepsTheCentreAndLeavesNoGap)
{
    ASSERT_TRUE(Load(800, 600, vkview::Centre, false, false));
    ASSERT_EQ(view.GetOriginX(), -200);
    view.SetZoom(2.0f);
    // The centre stays: origin moves by half the growth.
    EXPECT_EQ(view.GetOriginX(), -200 - 400);
    EXPECT_EQ(view.GetOriginY(), -150 - 300);

    // Zooming out while the right part shows moves the picture just enough
    // that no gap opens at the right.
    ASSERT_TRUE(Load(800, 600, vkview::UpperRight, false, false));
    view.SetZoom(0.6f);
    EXPECT_EQ(view.GetDisplayWidth(), 480);
    EXPECT_EQ(view.GetOriginX(), -80) << "right edge pulled to the window's edge";
    EXPECT_EQ(view.GetOriginY(), 0);
    EXPECT_EQ(view.GetOriginX() + view.GetDisplayWidth(), 400);
}

TEST_F(PreviewTest, DraggingStopsAtTheEdges)
{
    // Larger only horizontally: moves only horizontally.
    ASSERT_TRUE(Load(1000, 200, vkview::UpperLeft, false, false));
    ASSERT_TRUE(view.IsScrollable());
    const int top = view.GetOriginY();
    Drag(QPoint(200, 150), QPoint(150, 100));
    EXPECT_EQ(view.GetOriginX(), -50);
    EXPECT_EQ(view.GetOriginY(), top);
    EXPECT_FALSE(view.IsDragging());

    // Far to the left: stops with the right edge at the window's edge.
    Drag(QPoint(390, 150), QPoint(-2000, 150));
    EXPECT_EQ(view.GetOriginX(), 400 - 1000);
    // Far to the right: stops at 0.
    Drag(QPoint(0, 150), QPoint(5000, 150));
    EXPECT_EQ(view.GetOriginX(), 0);

    // A picture that fits does not drag at all.
    ASSERT_TRUE(Load(100, 100, vkview::Centre, false, false));
    const QRect before = view.GetDestRect();
    Drag(QPoint(200, 150), QPoint(100, 100));
    EXPECT_EQ(view.GetDestRect(), before);
}

TEST_F(PreviewTest, PaintingMatchesQtsScalingFromOneCacheOrFromTiles)
{
    // A bottom-up BMP whose colours change along both axes: a flipped or
    // shifted part shows.
    CWinBmp bmp;
    vktest::MakeTestPicture(bmp, 800, 600, 3);
    const std::string path = dir.File("tiles.bmp");
    SaveAsBmpFile(bmp, path);
    view.LoadImage(QString::fromStdString(path), vkview::Centre, false, false, "tiles.bmp");
    WaitForLoad(&view);
    ASSERT_TRUE(view.HasImage());
    QImage upright(800, 600, QImage::Format_RGB32);
    for (int y = 0; y < 600; ++y)
        std::memcpy(upright.scanLine(y), bmp.GetLine32(y), 800 * 4);
    // Largest channel difference from the same part drawn in one piece by
    // Qt's own smooth scaling.
    auto worstAgainstQt = [&](const QImage& shot, double zoom) {
        QImage reference(400, 300, QImage::Format_RGB32);
        reference.fill(Qt::black);
        {
            QPainter painter(&reference);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.translate(view.GetDestRect().topLeft());
            painter.scale(zoom, zoom);
            painter.drawImage(0, 0, upright);
        }
        int worst = 0;
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 400; ++x) {
                const QRgb a = shot.pixel(x, y), b = reference.pixel(x, y);
                worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                  std::abs(qBlue(a) - qBlue(b))});
            }
        return worst;
    };

    // Twice: one cache holds the whole picture, and a drag builds nothing new.
    view.SetZoom(2.0f);
    ASSERT_TRUE(vkview::WholeCacheFits(view.GetDisplayWidth(), view.GetDisplayHeight(), 400, 300));
    Grab();
    const int builds = view.GetCacheBuilds();
    Drag(QPoint(200, 150), QPoint(150, 120));
    QImage shot = Grab();
    EXPECT_EQ(view.GetCacheBuilds(), builds);
    EXPECT_LE(worstAgainstQt(shot, 2.0), 3);

    // Three times: tiles, with the window straddling tile edges both ways.
    view.SetZoom(3.0f);
    ASSERT_FALSE(vkview::WholeCacheFits(view.GetDisplayWidth(), view.GetDisplayHeight(), 400, 300));
    Drag(QPoint(200, 150), QPoint(90, 70));
    shot = Grab();
    EXPECT_GT(view.GetTileBuilds(), 1);
    EXPECT_LE(worstAgainstQt(shot, 3.0), 3);
}

TEST_F(PreviewTest, ClearDropsALoadThatIsRunning)
{
    const std::string path = dir.File("slow.bmp");
    WriteBmp(path, 2500, 2000);
    int finished = 0;
    QObject::connect(&view, &CPreview::LoadFinished, &view, [&finished](bool) { ++finished; });
    view.LoadImage(QString::fromStdString(path), vkview::Centre, true, true, "slow.bmp");
    QThread::msleep(5); // let the worker start on it
    view.Clear();
    EXPECT_FALSE(view.IsLoading());
    // Give the running decode time to end; its result must not show.
    for (int i = 0; i < 100; ++i) {
        QThread::msleep(5);
        QCoreApplication::processEvents();
    }
    EXPECT_FALSE(view.HasImage());
    EXPECT_EQ(finished, 0);
}

TEST_F(PreviewTest, AnEditWhileTheNextPictureDecodesIsAskedAbout)
{
    ASSERT_TRUE(Load(64, 48, vkview::Centre, false, false));
    const std::string next = dir.File("next.bmp");
    WriteBmp(next, 30, 20);
    view.LoadImage(QString::fromStdString(next), vkview::Centre, false, false, "next.bmp");
    view.GetPicture().Invert(); // the result is only taken in by the event loop
    QString savedName;
    view.SetSaveHandler([&savedName](const QString& name) {
        savedName = name;
        return true;
    });
    ask.answers = {vkui::Answer::Yes};
    WaitForLoad(&view);
    EXPECT_EQ(ask.shown, std::vector<std::string>{"Do you want to save your changes?"});
    EXPECT_EQ(savedName, "p.bmp") << "saved under the name of the edited picture";
    EXPECT_EQ(view.GetPicture().GetWidth(), 30);
    EXPECT_EQ(view.GetFileName(), "next.bmp");
    EXPECT_FALSE(view.GetPicture().IsModified());
    EXPECT_FALSE(view.GetPicture().IsUndoAvailable());

    // A clean picture is replaced without a question.
    ASSERT_TRUE(Load(64, 48, vkview::Centre, false, false));
    EXPECT_EQ(ask.shown.size(), 1u);
}

TEST_F(PreviewTest, RelayoutAfterASizeChangeFitsAgainWithoutLimit)
{
    ASSERT_TRUE(Load(20, 10, vkview::Centre, true, true));
    ASSERT_EQ(view.GetDisplayWidth(), 200);
    view.GetPicture().Transpose();
    view.Relayout(true, false);
    // 10 x 20 enlarged to fit 400 x 300: no tenfold limit on relayout.
    EXPECT_EQ(view.GetDisplayHeight(), 300);
    EXPECT_EQ(view.GetDisplayWidth(), 150);
}

TEST_F(PreviewTest, ADecoderWarningBelongsToThePictureShown)
{
    WarningsAsMessages route;
    const std::string gif = dir.File("cut.gif");
    vktest::WriteFile(gif, CutGif());
    WriteBmp(dir.File("plain.bmp"), 40, 30);

    // Shown: its warning goes with the picture, drawn over it; no box.
    view.LoadImage(QString::fromStdString(gif), vkview::Centre, false, false, "cut.gif");
    WaitForLoad(&view);
    QCoreApplication::processEvents();
    ASSERT_TRUE(view.HasImage());
    EXPECT_EQ(view.GetPicture().GetWidth(), 4);
    EXPECT_EQ(view.GetWarning().toStdString(), "ran off the end of my bits");
    EXPECT_EQ(view.GetNote(), view.GetWarning());
    EXPECT_TRUE(ask.shown.empty());

    // Decoded but superseded before it was shown: its warning goes with it.
    view.LoadImage(QString::fromStdString(gif), vkview::Centre, false, false, "cut.gif");
    QThread::msleep(200); // the worker finishes the small picture; its result waits in the queue
    view.LoadImage(QString::fromStdString(dir.File("plain.bmp")), vkview::Centre, false, false, "plain.bmp");
    WaitForLoad(&view);
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(view.GetPicture().GetWidth(), 40);
    EXPECT_TRUE(view.GetWarning().isEmpty());
    EXPECT_TRUE(view.GetNote().isEmpty());
    EXPECT_TRUE(ask.shown.empty()) << ask.shown.front();
}

TEST_F(PreviewTest, ZoomInTheMiddleOfADragStartsWhereTheDragLeftThePicture)
{
    ASSERT_TRUE(Load(800, 600, vkview::Centre, false, false));
    ASSERT_EQ(view.GetOriginX(), -200);
    ASSERT_EQ(view.GetOriginY(), -150);
    auto send = [this](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, at, view.mapToGlobal(at), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &event);
    };
    send(QEvent::MouseButtonPress, {200, 150}, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, {150, 100}, Qt::NoButton, Qt::LeftButton);
    ASSERT_EQ(view.GetDestRect().topLeft(), QPoint(-250, -200));

    // The same factor: the picture stays where the drag put it.
    view.SetZoom(1.0f);
    EXPECT_EQ(view.GetDestRect().topLeft(), QPoint(-250, -200));
    // More keeps the centre of what shows now.
    view.ZoomMore();
    EXPECT_EQ(view.GetDisplayWidth(), 1000);
    EXPECT_EQ(view.GetOriginX(), -250 - 100);
    EXPECT_EQ(view.GetOriginY(), -200 - 75);

    // The drag goes on from there and ends where it went.
    send(QEvent::MouseMove, {160, 110}, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {160, 110}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(view.GetOriginX(), -340);
    EXPECT_EQ(view.GetOriginY(), -265);
    EXPECT_EQ(view.GetDestRect().topLeft(), QPoint(-340, -265));
    EXPECT_FALSE(view.IsDragging());
}

TEST_F(PreviewTest, NeighboursDecodedAheadShowWithoutDecoding)
{
    const std::string a = dir.File("a.bmp"), b = dir.File("b.bmp"), c = dir.File("c.bmp");
    WriteBmp(a, 60, 40, 1);
    WriteBmp(b, 70, 40, 2);
    WriteBmp(c, 80, 40, 3);
    CPreviewLoader& loader = *view.GetLoader();
    view.SetPrefetchEnabled(true);
    auto show = [this](const std::string& path) {
        view.LoadImage(QString::fromStdString(path), vkview::Centre, true, false, "x.bmp");
        WaitForLoad(&view);
        return view.GetPicture().GetWidth();
    };
    ASSERT_EQ(show(a), 60);
    EXPECT_EQ(loader.GetCounts().decodes, 1);

    // Nothing is decoded ahead before the picture is painted.
    view.Prefetch({QString::fromStdString(b), QString::fromStdString(c)});
    QThread::msleep(20);
    EXPECT_EQ(loader.GetCounts().prefetched, 0);
    Grab();
    ASSERT_TRUE(WaitFor([&] { return loader.GetCounts().prefetched == 2; }));

    // A hit: shown from the cache, and the picture left behind is kept.
    EXPECT_EQ(show(b), 70);
    EXPECT_EQ(loader.GetCounts().hits, 1);
    EXPECT_EQ(loader.GetCounts().decodes, 1);
    std::vector<std::string> cached = loader.CachedPaths();
    std::sort(cached.begin(), cached.end());
    EXPECT_EQ(cached, (std::vector<std::string>{a, c}));

    // Turning back finds the previous picture without a decode.
    EXPECT_EQ(show(a), 60);
    EXPECT_EQ(loader.GetCounts().hits, 2);
    EXPECT_EQ(loader.GetCounts().decodes, 1);
    // The pixels are those of a decode.
    EXPECT_EQ(Grab(), ShownAfresh(a));

    // A miss: c replaced on disk after it was cached is decoded again.
    ASSERT_TRUE(vktest::FileExists(c));
    WriteBmp(c + ".new", 90, 40, 4);
    ASSERT_EQ(std::rename((c + ".new").c_str(), c.c_str()), 0);
    EXPECT_EQ(show(c), 90);
    EXPECT_EQ(loader.GetCounts().decodes, 2);

    // Off: the cache empties.
    view.SetPrefetchEnabled(false);
    EXPECT_TRUE(loader.CachedPaths().empty());
}

TEST_F(PreviewTest, DecodingAheadStaysWithinTheMemoryBound)
{
    const std::string a = dir.File("a.bmp"), big = dir.File("big.bmp"), small = dir.File("small.bmp");
    WriteBmp(a, 60, 40, 1);
    WriteBmp(big, 400, 300, 2);
    WriteBmp(small, 20, 20, 3);
    // A header promising 3000 x 3000 over a few bytes of data: decoding it
    // would allocate 36 MB and then fail.
    const std::string huge = dir.File("huge.bmp");
    {
        std::string bytes = vktest::ReadFile(small);
        ASSERT_GT(bytes.size(), 26u);
        for (int field : {18, 22})
            for (int i = 0; i < 4; ++i)
                bytes[size_t(field + i)] = char((3000 >> (8 * i)) & 0xFF);
        vktest::WriteFile(huge, bytes);
    }
    CPreviewLoader& loader = *view.GetLoader();
    view.SetPrefetchEnabled(true);
    // Room for a 20 x 20 picture and its first paint, not for 400 x 300.
    loader.SetCacheLimits(2, 100 * 1024);
    ASSERT_TRUE(Load(60, 40, vkview::Centre, false, false));
    view.Prefetch({QString::fromStdString(big), QString::fromStdString(huge), QString::fromStdString(small)});
    Grab();
    auto counted = [&] {
        const auto c = loader.GetCounts();
        return c.prefetched + c.tooLarge + c.skipped;
    };
    ASSERT_TRUE(WaitFor([&] { return counted() == 3; }));
    // The two that could not fit were never decoded: their headers told.
    EXPECT_EQ(loader.GetCounts().skipped, 2);
    EXPECT_EQ(loader.GetCounts().tooLarge, 0);
    EXPECT_EQ(loader.GetCounts().prefetched, 1);
    EXPECT_EQ(loader.CachedPaths(), std::vector<std::string>{small});
    // Asked for, the large picture is decoded as usual.
    ASSERT_TRUE(Load(400, 300, vkview::Centre, false, false));
    EXPECT_EQ(view.GetPicture().GetWidth(), 400);

    // At most two pictures, whatever the memory.
    loader.SetCacheLimits(2, size_t(512) << 20);
    std::vector<QString> more;
    for (int i = 0; i < 4; ++i) {
        const std::string p = dir.File("m" + std::to_string(i) + ".bmp");
        WriteBmp(p, 30 + i, 20, unsigned(i));
        more.push_back(QString::fromStdString(p));
    }
    view.Prefetch({more[0], more[1], more[2], more[3]});
    Grab();
    ASSERT_TRUE(WaitFor([&] { return loader.GetCounts().prefetched == 5; }));
    EXPECT_LE(loader.CachedPaths().size(), 2u);

    // An edited picture is not kept when it goes.
    ASSERT_TRUE(Load(64, 48, vkview::Centre, false, false));
    view.GetPicture().Invert();
    ASSERT_TRUE(Load(30, 20, vkview::Centre, false, false)); // answered No
    for (const std::string& p : loader.CachedPaths())
        EXPECT_EQ(p.find("p64x48"), std::string::npos) << p;
}

TEST_F(PreviewTest, WheelStepsInTheViewerAndZoomsAroundThePointerWithCtrl)
{
    ASSERT_TRUE(Load(800, 600, vkview::Centre, true, false));
    std::vector<int> steps;
    QObject::connect(&view, &CPreview::StepRequested, &view, [&steps](int n) { steps.push_back(n); });
    auto wheel = [this](int delta, Qt::KeyboardModifiers modifiers, QPointF at = {200, 150}) {
        QWheelEvent event(at, view.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&view, &event);
    };
    // The browser's preview pane ignores the wheel.
    wheel(-120, Qt::NoModifier);
    EXPECT_TRUE(steps.empty());

    view.SetViewerMode(true);
    wheel(-120, Qt::NoModifier); // down: forward
    wheel(120, Qt::NoModifier);  // up: back
    wheel(-60, Qt::NoModifier);  // half notches add up to one
    wheel(-60, Qt::NoModifier);
    EXPECT_EQ(steps, (std::vector<int>{1, -1, 1}));

    // Ctrl+wheel up at a point: the picture point under it stays there.
    ASSERT_EQ(view.GetDisplayWidth(), 400);
    const QPoint at(100, 75);
    const double fx = double(at.x() - view.GetDestRect().left()) / view.GetDisplayWidth();
    const double fy = double(at.y() - view.GetDestRect().top()) / view.GetDisplayHeight();
    wheel(120, Qt::ControlModifier, at);
    EXPECT_EQ(view.GetDisplayWidth(), 500);
    EXPECT_NEAR(view.GetDestRect().left() + fx * view.GetDisplayWidth(), at.x(), 1.0);
    EXPECT_NEAR(view.GetDestRect().top() + fy * view.GetDisplayHeight(), at.y(), 1.0);
    EXPECT_EQ(steps.size(), 3u) << "zooming is not stepping";
    // Zooming out stops where the whole picture shows, with no gap.
    for (int i = 0; i < 20; ++i)
        wheel(-120, Qt::ControlModifier, at);
    EXPECT_EQ(view.GetDisplayWidth(), 200) << "a quarter is the floor";
    EXPECT_EQ(view.GetOriginX(), 100);
    // Zooming in stops at ten times; the edges never leave a gap.
    for (int i = 0; i < 40; ++i)
        wheel(120, Qt::ControlModifier, QPointF(390, 290));
    EXPECT_EQ(view.GetDisplayWidth(), 8000);
    EXPECT_LE(view.GetOriginX(), 0);
    EXPECT_GE(view.GetOriginX() + view.GetDisplayWidth(), 400);
    EXPECT_GE(view.GetOriginY() + view.GetDisplayHeight(), 300);
}

TEST_F(PreviewTest, FullScreenLookIsBlackAndHidesAStillPointer)
{
    ASSERT_TRUE(Load(100, 100, vkview::Centre, false, false));
    const QRgb normal = Grab().pixel(5, 5);
    view.SetCursorHideDelay(10);
    view.SetFullScreenLook(true);
    EXPECT_EQ(Grab().pixel(5, 5), qRgb(0, 0, 0));
    EXPECT_FALSE(view.IsCursorHidden());
    ASSERT_TRUE(WaitFor([&] { return view.IsCursorHidden(); }));
    EXPECT_EQ(view.cursor().shape(), Qt::BlankCursor);
    // Moving shows it again, until it is still once more.
    QMouseEvent move(QEvent::MouseMove, QPointF(10, 10), view.mapToGlobal(QPointF(10, 10)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &move);
    EXPECT_FALSE(view.IsCursorHidden());
    EXPECT_EQ(view.cursor().shape(), Qt::ArrowCursor);
    ASSERT_TRUE(WaitFor([&] { return view.IsCursorHidden(); }));

    view.SetFullScreenLook(false);
    EXPECT_FALSE(view.IsCursorHidden());
    EXPECT_EQ(view.cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(Grab().pixel(5, 5), normal);
}

namespace {

// Mean difference per channel of two images of the same size.
double MeanDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.isNull())
        return 255;
    int64_t diff = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            diff +=
                std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return double(diff) / (double(a.width()) * a.height() * 3);
}

} // namespace

TEST_F(PreviewTest, ALargeJpegShowsReducedAndUprightFirstThenTheFullPicture)
{
    if (!vktest::HasProgram("cjpeg"))
        GTEST_SKIP() << "cjpeg not installed";
    // Red grows to the right and green downwards: any turn or mirror shows.
    // Without exiftool only the upright picture is tried.
    const std::string plainJpeg = MakeJpeg("plain.jpg", 1700, 1250, 3);
    // Even orientations on the same picture made progressive: its first
    // paint comes from its DC scan, at an eighth.
    const std::string progressiveJpeg = dir.File("progressive.jpg");
    const bool progressive = vktest::Run("jpegtran -progressive -outfile " + vktest::Quote(progressiveJpeg) +
                                         " " + vktest::Quote(plainJpeg)) == 0;
    const int orientations = vktest::HasProgram("exiftool") ? 8 : 1;
    for (int orientation = 1; orientation <= orientations; ++orientation) {
        SCOPED_TRACE(orientation);
        const std::string jpeg = dir.File("o" + std::to_string(orientation) + ".jpg");
        const bool eighth = progressive && orientation % 2 == 0;
        ASSERT_EQ(vktest::Run("cp " + vktest::Quote(eighth ? progressiveJpeg : plainJpeg) + " " +
                              vktest::Quote(jpeg)),
                  0);
        if (orientation > 1) {
            ASSERT_EQ(vktest::Run("exiftool -q -n -overwrite_original -Orientation=" +
                                  std::to_string(orientation) + " " + vktest::Quote(jpeg)),
                      0);
        }
        // At 400 x 300 the picture shows at 400 x 294: a quarter still covers that.
        int firstPaints = 0;
        bool loadingAtFirstPaint = false;
        QImage interim;
        auto connection = QObject::connect(&view, &CPreview::FirstPaint, &view, [&] {
            ++firstPaints;
            loadingAtFirstPaint = view.IsLoading() && view.IsShowingInterim();
            interim = Grab();
        });
        view.LoadImage(QString::fromStdString(jpeg), vkview::Centre, true, false, "o.jpg");
        WaitForLoad(&view);
        QObject::disconnect(connection);
        ASSERT_TRUE(view.HasImage());
        EXPECT_EQ(firstPaints, 1);
        EXPECT_TRUE(loadingAtFirstPaint) << "the full picture was still on its way";
        EXPECT_FALSE(view.IsShowingInterim());
        // The real picture's size, not the reduced one's.
        const bool turned = orientation >= 5;
        EXPECT_EQ(view.GetPicture().GetWidth(), turned ? 1250 : 1700);
        EXPECT_EQ(view.GetPicture().GetHeight(), turned ? 1700 : 1250);
        // After the swap: the same pixels as without a reduced first paint.
        // The decoder's turns are checked against ImageMagick elsewhere.
        const QImage full = Grab();
        int plainFirstPaints = 0;
        EXPECT_EQ(full, ShownAfresh(jpeg, &plainFirstPaints));
        EXPECT_EQ(plainFirstPaints, 0);
        // The reduced paint sits where the full one does and looks like it.
        ASSERT_FALSE(interim.isNull()) << "no reduced first paint";
        EXPECT_LT(MeanDifference(interim, full), eighth ? 16.0 : 12.0);
        const QPoint band = turned ? QPoint(2, 150) : QPoint(200, 1);
        EXPECT_EQ(interim.pixel(band), full.pixel(band)) << "the same background band";
    }

    // A JPEG not larger than the view is decoded once, at full size.
    int firstPaints = 0;
    QObject::connect(&view, &CPreview::FirstPaint, &view, [&] { ++firstPaints; });
    const std::string small = MakeJpeg("small.jpg", 300, 200, 2);
    const int decodes = view.GetLoader()->GetCounts().decodes;
    view.LoadImage(QString::fromStdString(small), vkview::Centre, true, false, "small.jpg");
    WaitForLoad(&view);
    EXPECT_EQ(firstPaints, 0);
    EXPECT_EQ(view.GetPicture().GetWidth(), 300);
    EXPECT_EQ(view.GetLoader()->GetCounts().decodes, decodes + 1);
}

TEST_F(PreviewTest, FullScreenFitsAPictureAgainWhenTheWindowChangesSize)
{
    ASSERT_TRUE(Load(1600, 1200, vkview::Centre, true, false));
    ASSERT_EQ(view.GetDisplayWidth(), 400);
    // The preview and the viewer keep the size its load chose.
    view.SetViewerMode(true);
    view.resize(800, 600);
    ASSERT_TRUE(view.SetClientSize(800, 600));
    view.Relayout(false, true);
    EXPECT_EQ(view.GetDisplayWidth(), 400);

    // Full screen fits it to the new window...
    view.SetFullScreenLook(true);
    view.resize(1000, 700);
    ASSERT_TRUE(view.SetClientSize(1000, 700));
    view.Relayout(false, true);
    EXPECT_EQ(view.GetDisplayHeight(), 700);
    EXPECT_NEAR(view.GetDisplayWidth(), 933, 1);
    EXPECT_FALSE(view.IsScrollable());
    // ...unless it was zoomed: then the size is the user's.
    view.ZoomMore();
    const int zoomed = view.GetDisplayWidth();
    view.resize(500, 400);
    ASSERT_TRUE(view.SetClientSize(500, 400));
    view.Relayout(false, true);
    EXPECT_EQ(view.GetDisplayWidth(), zoomed);
}
