// The status bar's, title's and properties' texts, exactly as shown, and the
// number format under them.
#include "models/browser/FormatNumber.h"
#include "models/browser/StatusTexts.h"

#include <gtest/gtest.h>

using namespace vktext;

TEST(StatusTextsUi, TitleWithAndWithoutThePath)
{
    EXPECT_EQ(TitleText(true, "/pictures/name.jpg"), "Velkor 1.0 - [/pictures/name.jpg]");
    EXPECT_EQ(TitleText(false, "/pictures/name.jpg"), "Velkor 1.0");
}

TEST(StatusTextsUi, CountPaneRoundsTotalsDown)
{
    // 3 of 12 files selected, 1536 bytes.
    EXPECT_EQ(BrowserCountText(3, 12, 1536, Kilobytes), " 3 of 12 (1 KB)");
    EXPECT_EQ(BrowserCountText(3, 12, 1536, Bytes), " 3 of 12 (1536 bytes)");
    EXPECT_EQ(BrowserCountText(0, 0, 0, Kilobytes), " 0 of 0 (0.000 KB)");
    EXPECT_EQ(BrowserCountText(1, 2, 3 * 1048576 + 1048575, Megabytes), " 1 of 2 (3 MB)");
    // More than 4 GB does not wrap.
    EXPECT_EQ(BrowserCountText(2, 2, 5ull << 30, Megabytes), " 2 of 2 (5120 MB)");
    EXPECT_EQ(ViewerCountText(4, 12), " 5/12");
    EXPECT_EQ(ViewerCountText(-1, 12), " 0/0");
}

TEST(StatusTextsUi, FreeSpaceInEachUnit)
{
    const uint64_t fiveGB = 5ull << 30;
    EXPECT_EQ(FreeSpaceText(fiveGB, Megabytes), " Free Disk Space: 5120 MB");
    EXPECT_EQ(FreeSpaceText(fiveGB, Kilobytes), " Free Disk Space: 5242880 KB");
    EXPECT_EQ(FreeSpaceText(fiveGB + 17, Bytes), " Free Disk Space: 5368709137 bytes");
    EXPECT_EQ(FreeSpaceText(1000, Kilobytes), " Free Disk Space: 0.000 KB");
}

TEST(StatusTextsUi, SizesOfFilesAndPictures)
{
    EXPECT_EQ(FileSizeText(438, Bytes), "438 bytes");
    EXPECT_EQ(FileSizeText(438, Kilobytes), "0.428 KB");
    EXPECT_EQ(FileSizeText(1536, Kilobytes), "1.500 KB");
    EXPECT_EQ(FileSizeText(2048, Kilobytes), "2 KB");
    EXPECT_EQ(FileSizeText(3 * 1048576 / 2, Megabytes), "1.500 MB");
    EXPECT_EQ(ImageSizeText(640, 480, Pixels), "640x480");
    EXPECT_EQ(ImageSizeText(96, 48, Inches), "1x0.50");
    EXPECT_EQ(ImageSizeText(100, 10, Millimetres), "26.46x2.65");
    EXPECT_EQ(ImageSizeText(100, 10, Centimetres), "2.65x0.26");
    EXPECT_EQ(ViewerInfoText("a.bmp", 640, 480, 32, 1536, Kilobytes, Pixels),
              " a.bmp, 640x480 32 bpp, 1.500 KB");
    // Without a picture the size is left out, never shown as 0x0.
    EXPECT_EQ(ViewerInfoText("x.jpg", 0, 0, 0, 2048, Kilobytes, Pixels), " x.jpg, 2 KB");
}

TEST(StatusTextsUi, NumberFormat)
{
    const std::tuple<double, int, const char*> cases[] = {
        // Below one every decimal shows; from one only when not zero.
        {0.5, 3, "0.500"},
        {0.0, 3, "0.000"},
        {0.25, 2, "0.25"},
        {2.0, 3, "2"},
        {1.5, 3, "1.500"},
        {5120.0, 3, "5120"},
        {640 * 0.01041667, 2, "6.67"},
        // Rounding that carries over to a whole number drops the decimals.
        {1.9996, 3, "2"},
        {0.9996, 3, "1"},
        // Single precision, as the texts always were: 16777217 is not representable.
        {16777217.0, 3, "16777216"},
        {1.0 / 1024.0 * 1314, 3, "1.283"},
    };
    for (const auto& [value, decimals, want] : cases)
        EXPECT_EQ(FormatNumber(value, decimals), want) << value;
}

TEST(StatusTextsUi, ZoomInPercentRounded)
{
    EXPECT_EQ(ZoomText(640, 640), " 100%");
    EXPECT_EQ(ZoomText(160, 640), " 25%");
    EXPECT_EQ(ZoomText(1000, 3000), " 33%");
    EXPECT_EQ(ZoomText(2000, 3000), " 67%");
    EXPECT_EQ(ZoomText(40000, 4000), " 1000%");
    EXPECT_EQ(ZoomText(0, 640), "");
    EXPECT_EQ(ZoomText(10, 0), "");
}

// The camera lines: a model that repeats the make is not doubled, the
// exposure fields share a line, missing lines are left out.
TEST(StatusTextsUi, CameraLinesOfThePropertiesPane)
{
    PhotoFacts f;
    EXPECT_TRUE(vktext::CameraLines(f).empty());
    f.make = "Canon";
    f.model = "Canon EOS R5";
    f.aperture = "F4";
    f.iso = "800";
    f.hasPosition = true;
    f.latitude = -33.856784;
    f.longitude = 151.215297;
    using Lines = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(vktext::CameraLines(f), (Lines{{"Camera:", "Canon EOS R5"},
                                             {"Exposure:", "F4, ISO 800"},
                                             {"GPS:", "-33.856784, 151.215297"}}));
    f.model = "D850";
    f.make = "NIKON CORPORATION";
    f.hasAltitude = true;
    f.altitude = 12.4;
    f.dateTaken = "2023-01-02 03:04:05";
    EXPECT_EQ(vktext::CameraLines(f), (Lines{{"Taken:", "2023-01-02 03:04:05"},
                                             {"Camera:", "NIKON CORPORATION D850"},
                                             {"Exposure:", "F4, ISO 800"},
                                             {"GPS:", "-33.856784, 151.215297, 12 m"}}));
}
