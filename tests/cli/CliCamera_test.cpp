// velkor-cli info's camera data and the data convert carries or strips.
#include "CameraFiles.h"
#include "CliTestSupport.h"

#include <gtest/gtest.h>

using namespace vktest;
using vkclitest::CliOut;
using vkclitest::Has;

TEST(CliCamera, InfoGivesTheFieldsAndEveryTag)
{
    TempDir dir;
    if (!MakeCameraJpeg(dir.File("a.jpg"), 40, 30))
        GTEST_SKIP() << "exiftool is missing";
    int status;
    const std::string text = CliOut("info " + Quote(dir.File("a.jpg")), &status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(Has(text, "  date taken: 2024-05-01 10:20:30\n  make: Canon\n  model: EOS 5D\n")) << text;
    EXPECT_TRUE(Has(text, "  position: 48.858370, 2.500000, 35.0 m\n")) << text;

    const std::string json = CliOut("info --json --all-tags " + Quote(dir.File("a.jpg")), &status);
    EXPECT_TRUE(Has(json, "\"camera\": {\"date_taken\": \"2024-05-01 10:20:30\", \"make\": \"Canon\""))
        << json;
    EXPECT_TRUE(Has(json, "\"position\": {\"latitude\": 48.858370, \"longitude\": 2.500000")) << json;
    EXPECT_TRUE(Has(json, "{\"key\": \"Exif.Image.Model\", \"type\": \"Ascii\", \"value\": \"EOS 5D\"}"))
        << json;
    EXPECT_TRUE(Has(json, "\"key\": \"Iptc.Application2.Keywords\"")) << json;
    if (HasProgram("python3"))
        EXPECT_EQ(
            vktest::Run("python3 -c 'import json,sys; json.load(sys.stdin)' <<'EOF'\n" + json + "EOF\n"), 0);
}

TEST(CliCamera, ConvertCarriesTheDataUnlessStripped)
{
    TempDir dir;
    if (!MakeCameraJpeg(dir.File("a.jpg"), 40, 30))
        GTEST_SKIP() << "exiftool is missing";
    int status;
    for (const char* ext : {"jpg", "png", "tif"}) {
        const std::string out = dir.File(std::string("b.") + ext);
        CliOut("convert " + Quote(dir.File("a.jpg")) + " " + Quote(out), &status);
        ASSERT_EQ(status, 0);
        EXPECT_EQ(
            ExifTool(out, "-Make -DateTimeOriginal -GPSLatitude -Orientation"),
            "Make: Canon\nDateTimeOriginal: 2024:05:01 10:20:30\nGPSLatitude: 48.85837\nOrientation: 1\n")
            << out;
    }
    CliOut("convert --strip --to png -o " + Quote(dir.File("s")) + " " + Quote(dir.File("a.jpg")), &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(ExifTool(dir.File("s/a.png"), "-Make -Keywords -Title"), "");
    // --no-orient keeps the stored pixels, so the orientation stays.
    CliOut("convert --no-orient " + Quote(dir.File("a.jpg")) + " " + Quote(dir.File("n.png")), &status);
    EXPECT_EQ(ExifTool(dir.File("n.png"), "-Orientation"), "Orientation: 6\n");
}
