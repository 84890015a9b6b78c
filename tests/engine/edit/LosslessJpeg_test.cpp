// Lossless JPEG turns: the pixels equal jpegtran's for the same operation
// (both decoded with djpeg), the camera data stays with orientation 1, and
// edge blocks are dropped only when asked.
#include "CameraFiles.h"
#include "CliTestSupport.h"
#include "engine/edit/LosslessJpeg.h"
#include "engine/picture/TextException.h"

#include <gtest/gtest.h>

using namespace vktest;

namespace {

bool HavePeers()
{
    return HasProgram("jpegtran") && HasProgram("djpeg");
}

std::string Djpeg(const std::string& path)
{
    std::string out;
    vktest::Run("djpeg -ppm " + Quote(path), &out);
    return out;
}

// jpegtran's result for `args` on `in`, decoded.
std::string Peer(const std::string& args, const std::string& in, const std::string& out)
{
    vktest::Run("jpegtran " + args + " -outfile " + Quote(out) + " " + Quote(in));
    return Djpeg(out);
}

void MakeJpeg(const std::string& path, int width, int height)
{
    CWinBmp bmp;
    MakeTestPicture(bmp, width, height, 3);
    SaveParameters p;
    p.quality = 85;
    ASSERT_TRUE(SavePicture(kSaveJpg, path, bmp, p));
}

struct Case {
    JpegTurn turn;
    const char* jpegtran;
    const char* cli;
};
const Case kCases[] = {
    {JpegTurn::Rotate90, "-rotate 90", "--rotate 90"},
    {JpegTurn::Rotate180, "-rotate 180", "--rotate 180"},
    {JpegTurn::Rotate270, "-rotate 270", "--rotate 270"},
    // Velkor's flips are named by their axis, jpegtran's by their direction.
    {JpegTurn::FlipHorizontal, "-flip vertical", "--flip-horizontal"},
    {JpegTurn::FlipVertical, "-flip horizontal", "--flip-vertical"},
    {JpegTurn::Transpose, "-transpose", "--transpose"},
};

} // namespace

TEST(LosslessJpeg, EveryTurnGivesJpegtransPixels)
{
    if (!HavePeers())
        GTEST_SKIP() << "jpegtran or djpeg is missing";
    TempDir dir;
    const std::string source = dir.File("a.jpg");
    MakeJpeg(source, 64, 48);
    const std::string original = ReadFile(source);
    for (const Case& c : kCases) {
        WriteFile(dir.File("t.jpg"), original);
        ASSERT_EQ(TurnJpegFile(dir.File("t.jpg"), c.turn, false), JpegTurnResult::Turned) << c.jpegtran;
        const std::string want = Peer(c.jpegtran, source, dir.File("peer.jpg"));
        ASSERT_FALSE(want.empty());
        EXPECT_TRUE(Djpeg(dir.File("t.jpg")) == want) << c.jpegtran;
    }

    // The command line tool, on several files at once.
    int status;
    for (const Case& c : kCases) {
        WriteFile(dir.File("c1.jpg"), original);
        WriteFile(dir.File("c2.jpg"), original);
        vkclitest::Cli(std::string("jpeg-turn ") + c.cli + " -j 2 " + Quote(dir.File("c1.jpg")) + " " +
                           Quote(dir.File("c2.jpg")),
                       &status);
        EXPECT_EQ(status, 0) << c.cli;
        const std::string want = Peer(c.jpegtran, source, dir.File("peer.jpg"));
        EXPECT_TRUE(Djpeg(dir.File("c1.jpg")) == want && Djpeg(dir.File("c2.jpg")) == want) << c.cli;
    }
    EXPECT_TRUE(
        vkclitest::Has(vkclitest::Cli("jpeg-turn " + Quote(source), &status), "jpeg-turn needs one of"));
    EXPECT_EQ(status, 2);
    vkclitest::Cli("jpeg-turn --rotate 90 --transpose " + Quote(source), &status);
    EXPECT_EQ(status, 2);
}

// Partial edge blocks: refused untouched without trim, dropped as
// jpegtran -trim drops them with it.
TEST(LosslessJpeg, EdgeBlocksAreTrimmedOnlyWhenAsked)
{
    if (!HavePeers())
        GTEST_SKIP() << "jpegtran or djpeg is missing";
    TempDir dir;
    const std::string source = dir.File("odd.jpg");
    MakeJpeg(source, 70, 45);
    const std::string original = ReadFile(source);
    EXPECT_EQ(TurnJpegFile(source, JpegTurn::Rotate90, false), JpegTurnResult::NeedsTrim);
    EXPECT_EQ(ReadFile(source), original);
    // A transpose moves no partial block.
    WriteFile(dir.File("t.jpg"), original);
    EXPECT_EQ(TurnJpegFile(dir.File("t.jpg"), JpegTurn::Transpose, false), JpegTurnResult::Turned);
    EXPECT_TRUE(Djpeg(dir.File("t.jpg")) == Peer("-transpose", source, dir.File("p.jpg")));

    int status;
    const std::string out = vkclitest::Cli("jpeg-turn --rotate 270 " + Quote(source), &status);
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(vkclitest::Has(out, "--trim")) << out;
    EXPECT_EQ(ReadFile(source), original);
    for (const Case& c : kCases) {
        WriteFile(dir.File("t.jpg"), original);
        vkclitest::Cli(std::string("jpeg-turn --trim ") + c.cli + " " + Quote(dir.File("t.jpg")), &status);
        EXPECT_EQ(status, 0);
        EXPECT_TRUE(Djpeg(dir.File("t.jpg")) ==
                    Peer(std::string("-trim ") + c.jpegtran, source, dir.File("p.jpg")))
            << c.jpegtran;
    }
}

// Upright by EXIF, and a turn of a file stored sideways turns what shows;
// the camera data stays with orientation 1 and the new size.
TEST(LosslessJpeg, UprightAndTurnsFollowTheOrientation)
{
    if (!HavePeers())
        GTEST_SKIP() << "jpegtran or djpeg is missing";
    TempDir dir;
    const std::string source = dir.File("a.jpg");
    if (!MakeCameraJpeg(source, 64, 48))
        GTEST_SKIP() << "exiftool is missing";
    const std::string original = ReadFile(source);
    WriteFile(dir.File("u.jpg"), original);
    ASSERT_EQ(TurnJpegFile(dir.File("u.jpg"), JpegTurn::Upright, false), JpegTurnResult::Turned);
    EXPECT_TRUE(Djpeg(dir.File("u.jpg")) == Peer("-rotate 90", source, dir.File("p.jpg")));
    EXPECT_EQ(ExifTool(dir.File("u.jpg"), "-Make -DateTimeOriginal -GPSLatitude -Orientation -ExifImageWidth "
                                          "-ExifImageHeight -ThumbnailLength"),
              "Make: Canon\nDateTimeOriginal: 2024:05:01 10:20:30\nGPSLatitude: 48.85837\nOrientation: 1\n"
              "ExifImageWidth: 48\nExifImageHeight: 64\n");
    EXPECT_EQ(TurnJpegFile(dir.File("u.jpg"), JpegTurn::Upright, false), JpegTurnResult::AlreadyUpright);

    // Stored turned right (6), turned a quarter more: half a turn of the stored pixels.
    WriteFile(dir.File("r.jpg"), original);
    ASSERT_EQ(TurnJpegFile(dir.File("r.jpg"), JpegTurn::Rotate90, false), JpegTurnResult::Turned);
    EXPECT_TRUE(Djpeg(dir.File("r.jpg")) == Peer("-rotate 180", source, dir.File("p.jpg")));
    EXPECT_EQ(ExifTool(dir.File("r.jpg"), "-Orientation -ExifImageWidth"),
              "Orientation: 1\nExifImageWidth: 64\n");

    WriteFile(dir.File("junk.jpg"), "\xFF\xD8 not a JPEG at all");
    EXPECT_THROW(TurnJpegFile(dir.File("junk.jpg"), JpegTurn::Rotate90, false), CTextException);
    EXPECT_THROW(TurnJpegFile(dir.File("none.jpg"), JpegTurn::Rotate90, false), CTextException);
}
