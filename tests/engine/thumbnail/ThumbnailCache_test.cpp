// The thumbnail cache against the freedesktop standard: names, keys, modes,
// failures, staleness, and other programs reading what we write.
#include "ScopedEnv.h"
#include "TestSupport.h"
#include "engine/thumbnail/ThumbnailCache.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

using namespace vktest;

namespace {

const ThumbnailSize& Normal()
{
    return kThumbnailSizes[0];
}

int ModeOf(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

void SetMTime(const std::string& path, time_t when)
{
    const utimbuf times{when, when};
    ASSERT_EQ(::utime(path.c_str(), &times), 0);
}

struct CacheFixture : ::testing::Test {
    TempDir dir;
    std::string root = dir.File("cache/thumbnails");
    CThumbnailCache cache{root};
    CThumbnailer thumbnailer;

    std::string Picture(const std::string& name, int width = 300, int height = 200)
    {
        const std::string path = dir.File(name);
        WriteTestPpm(path, width, height);
        return path;
    }
};

} // namespace

// The standard's own example, and the escaping GLib gives the same path.
TEST(ThumbnailNames, UriAndMd5AsTheStandardSays)
{
    EXPECT_EQ(CThumbnailCache::CacheFileName("file:///home/jens/photos/me.png"),
              "c6ee772d9e49320e97ec29a7eb5b1697.png");
    EXPECT_EQ(CThumbnailCache::FileUri("/tmp/a b/\xC3\xBC#%?[x]/it's+me,(1)~.jpg"),
              "file:///tmp/a%20b/%C3%BC%23%25%3F%5Bx%5D/it's+me,(1)~.jpg");
    vktest::ScopedEnv env({"XDG_CACHE_HOME", "HOME"});
    ::setenv("XDG_CACHE_HOME", "/x/cache", 1);
    EXPECT_EQ(CThumbnailCache::DefaultRoot(), "/x/cache/thumbnails");
    ::setenv("XDG_CACHE_HOME", "relative", 1);
    ::setenv("HOME", "/home/u", 1);
    EXPECT_EQ(CThumbnailCache::DefaultRoot(), "/home/u/.cache/thumbnails");
}

TEST_F(CacheFixture, StoredWithTheKeysAndModesOtherProgramsRead)
{
    const std::string picture = Picture("odd name #1.ppm");
    SetMTime(picture, 1600000000);
    CWinBmp pixels;
    ASSERT_EQ(cache.Fetch(picture, Normal(), thumbnailer, &pixels), CThumbnailCache::Outcome::Made);
    EXPECT_EQ(pixels.GetWidth(), 128);
    const ThumbnailFileStamp file = ThumbnailFileStamp::Of(picture);
    const std::string path = cache.ThumbnailPath(file.uri, Normal());
    EXPECT_EQ(path, root + "/normal/" + CThumbnailCache::CacheFileName(file.uri));
    EXPECT_EQ(ModeOf(path), 0600);
    EXPECT_EQ(ModeOf(root), 0700);
    EXPECT_EQ(ModeOf(root + "/normal"), 0700);
    EXPECT_TRUE(OnlyFile(root + "/normal", CThumbnailCache::CacheFileName(file.uri)));

    // ImageMagick reads the keys back from the PNG's text chunks.
    std::string keys;
    ASSERT_EQ(vktest::Run("identify -format '%[Thumb::URI]|%[Thumb::MTime]|%[Thumb::Size]|%[Thumb::Mimetype]|"
                          "%[Thumb::Image::Width]|%[Thumb::Image::Height]|%w|%h' " +
                              Quote(path),
                          &keys),
              0);
    EXPECT_EQ(keys, file.uri + "|1600000000|" + std::to_string(file.size) +
                        "|image/x-portable-pixmap|300|200|128|85");
    EXPECT_GT(Psnr(ReadWithImageMagick(path), Opaque(FromBitmap(pixels))), 99.0);

    // GIO finds it and judges it valid, as the desktop's file managers do.
    if (HasProgram("gio")) {
        std::string out;
        ASSERT_EQ(vktest::Run("XDG_CACHE_HOME=" + Quote(dir.File("cache")) +
                                  " gio info -a thumbnail::path,thumbnail::is-valid " + Quote(picture),
                              &out),
                  0);
        EXPECT_NE(out.find("thumbnail::path: " + path), std::string::npos) << out;
        EXPECT_NE(out.find("thumbnail::is-valid: TRUE"), std::string::npos) << out;
    }
}

// A thumbnail is used while its URI and MTime match; a changed file, or a
// thumbnail another program wrote for another URI, is made again.
TEST_F(CacheFixture, UsedOnlyWhileTheFileIsUnchanged)
{
    const std::string picture = Picture("a.ppm");
    SetMTime(picture, 1600000000);
    ASSERT_EQ(cache.Fetch(picture, Normal(), thumbnailer), CThumbnailCache::Outcome::Made);
    CWinBmp pixels;
    EXPECT_EQ(cache.Fetch(picture, Normal(), thumbnailer, &pixels), CThumbnailCache::Outcome::Cached);
    EXPECT_EQ(pixels.GetHeight(), 85);
    EXPECT_EQ(cache.Lookup(ThumbnailFileStamp::Of(picture), kThumbnailSizes[1]),
              CThumbnailCache::State::Missing);

    SetMTime(picture, 1600000001);
    const ThumbnailFileStamp file = ThumbnailFileStamp::Of(picture);
    EXPECT_EQ(cache.Lookup(file, Normal()), CThumbnailCache::State::Missing);
    EXPECT_EQ(cache.Fetch(picture, Normal(), thumbnailer), CThumbnailCache::Outcome::Made);
    EXPECT_EQ(cache.Lookup(file, Normal()), CThumbnailCache::State::Current);

    // One written by ImageMagick with the standard's keys is taken as it is.
    const std::string path = cache.ThumbnailPath(file.uri, Normal());
    ASSERT_EQ(vktest::Run(ImageMagick() + " -size 64x32 xc:red -set Thumb::URI " + Quote(file.uri) +
                          " -set Thumb::MTime 1600000001 " + Quote("png:" + path)),
              0);
    ASSERT_EQ(cache.Fetch(picture, Normal(), thumbnailer, &pixels), CThumbnailCache::Outcome::Cached);
    EXPECT_EQ(pixels.GetWidth(), 64);
    EXPECT_EQ(pixels.GetLine32(0)[0] & 0xFFFFFF, 0xFF0000u);
    ASSERT_EQ(vktest::Run(ImageMagick() + " -size 64x32 xc:red -set Thumb::URI file:///elsewhere.ppm" +
                          " -set Thumb::MTime 1600000001 " + Quote("png:" + path)),
              0);
    EXPECT_EQ(cache.Fetch(picture, Normal(), thumbnailer), CThumbnailCache::Outcome::Made);
}

TEST_F(CacheFixture, DamagedFilesRecordedUnderFailUntilTheyChange)
{
    const std::string bad = dir.File("bad.jpg");
    WriteFile(bad, std::string("\xFF\xD8\xFF\xE0", 4) + std::string(40, 'x'));
    SetMTime(bad, 1600000000);
    std::string reason;
    EXPECT_EQ(cache.Fetch(bad, Normal(), thumbnailer, nullptr, &reason), CThumbnailCache::Outcome::Failed);
    EXPECT_FALSE(reason.empty());
    const ThumbnailFileStamp file = ThumbnailFileStamp::Of(bad);
    const std::string record = cache.FailurePath(file.uri);
    EXPECT_EQ(record, root + "/fail/velkor-1.0/" + CThumbnailCache::CacheFileName(file.uri));
    EXPECT_EQ(ModeOf(record), 0600);
    EXPECT_FALSE(FileExists(cache.ThumbnailPath(file.uri, Normal())));

    std::string again;
    EXPECT_EQ(cache.Lookup(file, Normal(), nullptr, &again), CThumbnailCache::State::Failed);
    EXPECT_EQ(again, reason);

    // Repaired: the record no longer matches and the picture is made.
    WriteTestPpm(bad, 40, 30);
    SetMTime(bad, 1600000005);
    EXPECT_EQ(cache.Fetch(bad, Normal(), thumbnailer), CThumbnailCache::Outcome::Made);
    // Missing files are not recorded.
    EXPECT_EQ(cache.Fetch(dir.File("gone.jpg"), Normal(), thumbnailer), CThumbnailCache::Outcome::Failed);
}

TEST(ThumbnailPng, DamagedOrForeignBytesAreRefused)
{
    CWinBmp bmp;
    MakeTestPicture(bmp, 20, 10);
    ThumbnailKeys keys;
    keys.entries = {{"Thumb::URI", "file:///a"}, {"Thumb::MTime", "5"}};
    const std::string png = EncodeThumbnailPng(bmp, keys);
    ThumbnailKeys read;
    CWinBmp back;
    ASSERT_TRUE(DecodeThumbnailPng(png, read, &back));
    EXPECT_EQ(read.entries, keys.entries);
    EXPECT_EQ(Diff(FromBitmap(back), FromBitmap(bmp)), "");
    for (size_t cut : {size_t(0), size_t(8), size_t(40), png.size() / 2, png.size() - 13}) {
        SCOPED_TRACE(cut);
        EXPECT_FALSE(DecodeThumbnailPng(png.substr(0, cut), read, &back));
    }
    EXPECT_FALSE(DecodeThumbnailPng("GIF89a", read, nullptr));
}
