// The thumbnail provider: order of work, abandoned work, failures and the
// memory bound, through its signals on the test's thread.
#include "TestSupport.h"
#include "WaitForEvents.h"
#include "engine/thumbnail/ThumbnailCache.h"
#include "models/thumbnails/ThumbnailProvider.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>

#include <gtest/gtest.h>

using namespace vktest;

namespace {

using vkuitest::WaitFor;

struct ProviderFixture : ::testing::Test {
    TempDir dir;
    QString root = QString::fromStdString(dir.File("thumbnails"));
    QStringList ready, failed;

    QString Picture(const std::string& name, int width = 200, int height = 100)
    {
        WriteTestPpm(dir.File(name), width, height);
        return QString::fromStdString(dir.File(name));
    }
    void Watch(CThumbnailProvider& provider)
    {
        QObject::connect(&provider, &CThumbnailProvider::ThumbnailReady,
                         [this](const QString& p) { ready << p; });
        QObject::connect(&provider, &CThumbnailProvider::ThumbnailFailed,
                         [this](const QString& p, const QString&) { failed << p; });
    }
};

} // namespace

// One worker shows the order: the screen, the next screenful, the rest;
// a file asked at several priorities is made once, at the highest.
TEST_F(ProviderFixture, ScreenFirstThenAheadThenTheRest)
{
    const QStringList files = {Picture("a.ppm"), Picture("b.ppm"), Picture("c.ppm"), Picture("d.ppm")};
    WriteFile(dir.File("bad.png"), "\x89PNG\r\n\x1a\nnot really");
    const QString bad = QString::fromStdString(dir.File("bad.png"));
    CThumbnailProvider provider(root, 1);
    Watch(provider);
    provider.SetSize(128);
    provider.Prioritize({files[2]}, {bad, files[3]}, {files[0], files[1], files[2], files[3]});
    ASSERT_TRUE(WaitFor([&] { return ready.size() + failed.size() == 5; }));
    EXPECT_EQ(ready, (QStringList{files[2], files[3], files[0], files[1]}));
    EXPECT_EQ(failed, QStringList{bad});
    EXPECT_FALSE(provider.FailureReason(bad).isEmpty());

    const ThumbnailPixelsPtr pixels = provider.Get(files[0]);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(pixels->width, 128);
    EXPECT_EQ(pixels->height, 64);
    EXPECT_EQ(pixels->argb.size(), size_t(128 * 64));
    EXPECT_EQ(pixels->argb[0] >> 24, 0xFFu);
    // Written to the cache under the size class asked.
    const CThumbnailCache cache(root.toStdString());
    EXPECT_EQ(cache.Lookup(ThumbnailFileStamp::Of(files[0].toStdString()), kThumbnailSizes[0]),
              CThumbnailCache::State::Current);

    // Known files are not asked again.
    provider.Prioritize(files, {}, {bad});
    QCoreApplication::processEvents();
    EXPECT_TRUE(provider.Running().isEmpty());
}

// A file scrolled away is abandoned: nothing delivered, nothing cached,
// no failure recorded; what replaced it on screen is made.
TEST_F(ProviderFixture, WorkForFilesScrolledAwayIsDropped)
{
    const std::string bigPath = dir.File("big.png");
    ASSERT_EQ(vktest::Run(ImageMagick() + " -size 6000x6000 gradient:red-blue -depth 16 " + Quote(bigPath)),
              0);
    const QString big = QString::fromStdString(bigPath), small = Picture("small.ppm");
    CThumbnailProvider provider(root, 1);
    Watch(provider);
    provider.Prioritize({big}, {}, {});
    ASSERT_TRUE(WaitFor([&] { return provider.Running() == QStringList{big}; }));
    provider.Prioritize({small}, {}, {});
    ASSERT_TRUE(WaitFor([&] { return ready.contains(small); }));
    QCoreApplication::processEvents();
    EXPECT_FALSE(ready.contains(big));
    EXPECT_TRUE(failed.isEmpty());
    const CThumbnailCache cache(root.toStdString());
    EXPECT_EQ(cache.Lookup(ThumbnailFileStamp::Of(bigPath), kThumbnailSizes[0]),
              CThumbnailCache::State::Missing);
}

TEST_F(ProviderFixture, MemoryBoundedLeastRecentlyShownFirst)
{
    QStringList files;
    for (int i = 0; i < 6; ++i)
        files << Picture("p" + std::to_string(i) + ".ppm", 100, 100);
    CThumbnailProvider provider(root, 2);
    Watch(provider);
    provider.SetMemoryLimit(3 * 100 * 100 * 4);
    provider.Prioritize(files.mid(0, 3), {}, {});
    ASSERT_TRUE(WaitFor([&] { return ready.size() == 3; }));
    ASSERT_NE(provider.Get(files[0]), nullptr); // shown again: the newest
    provider.Prioritize(files.mid(3, 2), {}, {});
    ASSERT_TRUE(WaitFor([&] { return ready.size() == 5; }));
    EXPECT_LE(provider.GetMemoryUsed(), size_t(3 * 100 * 100 * 4));
    EXPECT_NE(provider.Get(files[0]), nullptr);
    EXPECT_EQ(provider.Get(files[1]), nullptr);
    EXPECT_EQ(provider.Get(files[2]), nullptr);

    // Another size starts afresh.
    provider.SetSize(256);
    EXPECT_EQ(provider.GetSize(), 256);
    EXPECT_EQ(provider.Get(files[0]), nullptr);
    EXPECT_EQ(provider.GetMemoryUsed(), 0u);
}

// A scroll hands the same list of the rest again: the screen's new files
// come first, those that left it are still made with the rest, each file
// once; the view's pixel turn runs on the workers; Reload makes them again.
TEST_F(ProviderFixture, ScrollKeepsTheRestAndReloadMakesAgain)
{
    QStringList all;
    for (int i = 0; i < 6; ++i)
        all << Picture("s" + std::to_string(i) + ".ppm");
    CThumbnailProvider provider(root, 1);
    Watch(provider);
    const Qt::HANDLE gui = QThread::currentThreadId();
    std::atomic<int> turnedOnGui{0};
    provider.SetPixelTurn([&](ThumbnailPixels& pixels) {
        turnedOnGui += QThread::currentThreadId() == gui ? 1 : 0;
        pixels.argb[0] = 0xFF123456u;
    });
    provider.Prioritize({all[0]}, {all[1]}, all);
    provider.Prioritize({all[5]}, {all[4]}, all); // scrolled to the end
    ASSERT_TRUE(WaitFor([&] { return ready.size() >= 6; }));
    QStringList order = ready;
    order.removeAll(all[0]); // made before the scroll, perhaps
    EXPECT_EQ(order.mid(0, 2), (QStringList{all[5], all[4]}));
    for (const QString& path : all) {
        EXPECT_EQ(ready.count(path), 1) << path.toStdString();
        ASSERT_NE(provider.Get(path), nullptr);
        EXPECT_EQ(provider.Get(path)->argb[0], 0xFF123456u);
    }
    EXPECT_EQ(turnedOnGui, 0);

    provider.Reload();
    EXPECT_EQ(provider.Get(all[2]), nullptr);
    EXPECT_EQ(provider.GetMemoryUsed(), 0u);
    provider.Prioritize({all[2]}, {}, all);
    ASSERT_TRUE(WaitFor([&] { return ready.size() >= 12; }));
    EXPECT_EQ(ready.count(all[2]), 2);
}
