// velkor-cli thumbnails: the cache filled for folders, current thumbnails
// kept, failures counted, the cache's own files left alone.
#include "CliTestSupport.h"
#include "engine/thumbnail/ThumbnailCache.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace vktest;
using vkclitest::Has;

namespace {

size_t FilesUnder(const std::string& dir)
{
    size_t n = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir, error))
        n += entry.is_regular_file();
    return n;
}

} // namespace

TEST(CliThumbnails, FillsTheCacheOnceAndCountsFailures)
{
    TempDir dir;
    std::filesystem::create_directories(dir.File("photos/sub"));
    WriteTestPpm(dir.File("photos/a.ppm"), 400, 300);
    WriteTestPpm(dir.File("photos/sub/b.ppm"), 300, 400);
    WriteFile(dir.File("photos/broken.png"), "\x89PNG\r\n\x1a\nbroken");
    // The cache lies inside the folder walked: its files are not pictures to thumbnail.
    const std::string env = "XDG_CACHE_HOME=" + Quote(dir.File("photos/cache")) + " ";
    const std::string run = env + VELKOR_CLI + " thumbnails -r --size normal " + Quote(dir.File("photos"));
    std::string out;
    EXPECT_EQ(vktest::Run(run + " 2>&1", &out), 1);
    EXPECT_TRUE(Has(out, "made 2, current 0, failed 1")) << out;
    EXPECT_TRUE(Has(out, "broken.png")) << out;
    const CThumbnailCache cache(dir.File("photos/cache/thumbnails"));
    const ThumbnailFileStamp b = ThumbnailFileStamp::Of(dir.File("photos/sub/b.ppm"));
    std::string size;
    ASSERT_EQ(
        vktest::Run("identify -format %wx%h " + Quote(cache.ThumbnailPath(b.uri, kThumbnailSizes[0])), &size),
        0);
    EXPECT_EQ(size, "96x128");
    EXPECT_EQ(FilesUnder(dir.File("photos/cache/thumbnails/normal")), 2u);
    EXPECT_EQ(FilesUnder(dir.File("photos/cache/thumbnails/fail")), 1u);

    EXPECT_EQ(vktest::Run(run + " 2>&1", &out), 1);
    EXPECT_TRUE(Has(out, "made 0, current 2, failed 1")) << out;
    EXPECT_EQ(FilesUnder(dir.File("photos/cache/thumbnails")), 3u);

    // A folder without -r is refused; a wrong size is a usage error.
    EXPECT_EQ(vktest::Run(env + VELKOR_CLI + " thumbnails " + Quote(dir.File("photos")) + " 2>&1", &out), 1);
    EXPECT_TRUE(Has(out, "is a folder")) << out;
    EXPECT_EQ(vktest::Run(env + VELKOR_CLI + " thumbnails --size huge x.jpg 2>&1", &out), 2);
}

TEST(CliThumbnails, InTheHelpManualAndCompletion)
{
    int status = 0;
    EXPECT_TRUE(Has(vkclitest::CliOut("--help", &status), "thumbnails [-r] [--size SIZE]"));
    EXPECT_TRUE(Has(vkclitest::CliOut("--man", &status), "thumbnails"));
    const std::string completion = vkclitest::CliOut("--completion bash", &status);
    EXPECT_TRUE(Has(completion, "--size) COMPREPLY=($(compgen -W \"normal large x-large xx-large\""));
    EXPECT_TRUE(Has(completion, "thumbnails) COMPREPLY=($(compgen -W \"--help -h --version --recursive -r "
                                "--jobs -j --quiet -q --size\""));
    EXPECT_TRUE(Has(vkclitest::Cli("thumbnails --no-orient x.jpg", &status), "does not apply"));
    EXPECT_EQ(status, 2);
}
