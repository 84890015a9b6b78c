// velkor-cli convert --exists replace killed at random moments while it
// replaces a file, and run onto a full disk: the target is always the
// whole old file or the whole new one, and no temporary is left in sight.
#include "CliTestSupport.h"
#include "KillWhileWriting.h"
#include "SmallMount.h"
#include "engine/picture/TextException.h"

#include <gtest/gtest.h>

#include <random>

using vktest::Quote;
using vktest::ReadFile;
using vktest::TempDir;

TEST(CrashConsistency, ConvertKilledWhileReplacing)
{
    TempDir in, out, logs;
    // A few megabytes, so that the write takes a measurable time.
    vkclitest::Picture(in.File("big.bmp"), 1800, 1200, 3);
    vkclitest::Picture(in.File("old.bmp"), 300, 200, 4);
    const std::string target = out.File("photo.png");
    int status = 0;
    vkclitest::Cli("convert " + Quote(in.File("old.bmp")) + " " + Quote(target), &status);
    ASSERT_EQ(status, 0);
    const std::string oldBytes = ReadFile(target);

    vktest::KillWhileWriting run({VELKOR_CLI, "convert", "--exists", "replace", in.File("big.bmp"), target},
                                 target, logs.File("log"), false);
    ASSERT_TRUE(run.Calibrate(oldBytes)) << run.Log();
    const unsigned seed = std::random_device()();
    vktest::ExpectNothingLost(run.Run(vktest::KillIterations(30), seed, {}),
                              "velkor-cli convert --exists replace", seed);
}

TEST(FullDisk, ConvertSaysSoAndKeepsTheTarget)
{
    vktest::SmallMount disk("1m");
    VK_REQUIRE_MOUNT(disk);
    TempDir in;
    vkclitest::Picture(in.File("big.bmp"), 800, 600, 3);
    vktest::WriteFile(disk.File("photo.png"), "the old photo");
    vktest::WriteFile(disk.File("other.txt"), "another file");
    ASSERT_TRUE(disk.Fill(16384));

    int status = 0;
    // Replacing a file, and a new file beside it.
    for (const char* name : {"photo.png", "new.png"}) {
        const std::string text = vkclitest::Cli(
            "convert --exists replace " + Quote(in.File("big.bmp")) + " " + Quote(disk.File(name)), &status);
        EXPECT_EQ(status, 1) << name;
        // The writer's own text: "Error writing image.", or libpng's.
        EXPECT_TRUE(vkclitest::Has(text, "error " + std::to_string(ErrWriting) + ": Error writing image.") ||
                    vkclitest::Has(text, "LibPng problem while writing row."))
            << text;
    }
    // The batch form: every file fails and says so.
    const std::string text = vkclitest::Cli(
        "convert --to tif -o " + Quote(disk.Path()) + " " + Quote(in.File("big.bmp")), &status);
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(vkclitest::Has(text, "big.bmp: error")) << text;
    EXPECT_EQ(ReadFile(disk.File("photo.png")), "the old photo");
    EXPECT_EQ(ReadFile(disk.File("other.txt")), "another file");
    std::string names;
    vktest::Run("ls -A " + Quote(disk.Path()), &names);
    EXPECT_EQ(names, ".filler\nother.txt\nphoto.png\n") << "nothing partial left";
}
