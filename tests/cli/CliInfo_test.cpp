// velkor-cli info and convert on good and damaged files.
#include "CliTestSupport.h"

#include <gtest/gtest.h>

using namespace vktest;
using vkclitest::Cli;
using vkclitest::CliOut;
using vkclitest::Has;
using vkclitest::Picture;

TEST(CliInfo, FormatSizeAndDepthOrTheErrorsCodeAndText)
{
    TempDir dir;
    Picture(dir.File("a.bmp"), 13, 7);
    CWinBmp gray;
    gray.Create(5, 3, 8, false);
    SaveAsBmpFile(gray, dir.File("g.bmp"));
    int status;
    EXPECT_EQ(CliOut("info " + Quote(dir.File("a.bmp")) + " " + Quote(dir.File("g.bmp")), &status),
              dir.File("a.bmp") + ": BMP 13x7 24 bpp\n" + dir.File("g.bmp") + ": BMP 5x3 8 bpp\n");
    EXPECT_EQ(status, 0);

    WriteFile(dir.File("cut.bmp"), ReadFile(dir.File("a.bmp")).substr(0, 100));
    WriteFile(dir.File("junk.bin"), "not a picture at all");
    const std::string out = Cli("info " + Quote(dir.File("a.bmp")) + " " + Quote(dir.File("cut.bmp")) + " " +
                                    Quote(dir.File("junk.bin")) + " " + Quote(dir.File("none.bmp")),
                                &status);
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(Has(out, dir.File("a.bmp") + ": BMP 13x7 24 bpp\n")) << out;
    EXPECT_TRUE(Has(out, dir.File("cut.bmp") + ": error 11: End of file reached while decoding.\n")) << out;
    EXPECT_TRUE(Has(out, dir.File("junk.bin") + ": error 8: Decoder error: Unknown file type.\n")) << out;
    EXPECT_TRUE(Has(out, dir.File("none.bmp") + ": error 4: Decoder error: Opening " + dir.File("none.bmp") +
                             " failed: file not found\n"))
        << out;
    WriteFile(dir.File("empty.bmp"), "");
    EXPECT_TRUE(Has(Cli("info " + Quote(dir.File("empty.bmp")), &status), "failed: the file is empty\n"));
}

// A file read in part is described with a warning on standard error, and
// --json tells it apart from a whole one.
TEST(CliInfo, DamagedPicturesWarnAndHaveTheirOwnStatus)
{
    TempDir dir;
    Picture(dir.File("a.bmp"), 64, 48);
    int status;
    Cli("convert " + Quote(dir.File("a.bmp")) + " " + Quote(dir.File("a.jpg")), &status);
    ASSERT_EQ(status, 0);
    const std::string whole = ReadFile(dir.File("a.jpg"));
    WriteFile(dir.File("cut.jpg"), whole.substr(0, whole.size() * 2 / 3));
    const std::string out = Cli("info " + Quote(dir.File("cut.jpg")), &status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(Has(out, dir.File("cut.jpg") + ": warning: " + kTextDamaged + "\n")) << out;
    EXPECT_TRUE(Has(out, dir.File("cut.jpg") + ": JPEG 64x48 24 bpp\n")) << out;
    const std::string json = CliOut("info --json " + Quote(dir.File("a.jpg")) + " " +
                                        Quote(dir.File("cut.jpg")) + " " + Quote(dir.File("none.jpg")),
                                    &status);
    EXPECT_TRUE(Has(json, "\"status\": \"ok\", \"warnings\": []")) << json;
    EXPECT_TRUE(Has(json, std::string("\"status\": \"damaged\", \"warnings\": [\"") + kTextDamaged + "\"]"))
        << json;
    EXPECT_TRUE(Has(json, "\"status\": \"error\"")) << json;
}

TEST(CliConvert, BmpToPpmMatchesNetpbm)
{
    TempDir dir;
    CWinBmp bmp;
    MakeTestPicture(bmp, 21, 9);
    SaveAsBmpFile(bmp, dir.File("a.bmp"));
    int status;
    Cli("convert " + Quote(dir.File("a.bmp")) + " " + Quote(dir.File("a.ppm")), &status);
    ASSERT_EQ(status, 0);
    const std::string ppm = ReadFile(dir.File("a.ppm"));
    EXPECT_EQ(ppm.rfind("P6\n21 9\n255\n", 0), 0u);
    EXPECT_EQ(ParsePnm(ppm), FromBitmap(bmp));
    if (HasProgram("bmptopnm")) {
        EXPECT_EQ(ReadWithNetpbm("bmptopnm " + Quote(dir.File("a.bmp"))), ParsePnm(ppm));
    }
}

TEST(CliConvert, NothingWrittenOnFailure)
{
    TempDir dir;
    WriteFile(dir.File("bad.bmp"), "BM this is broken");
    WriteFile(dir.File("out.ppm"), "keep me");
    int status;
    const std::string out =
        Cli("convert " + Quote(dir.File("bad.bmp")) + " " + Quote(dir.File("out.ppm")), &status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out.rfind("error ", 0), 0u) << out;
    EXPECT_EQ(ReadFile(dir.File("out.ppm")), "keep me");
    Cli("convert " + Quote(dir.File("bad.bmp")) + " " + Quote(dir.File("new.ppm")), &status);
    EXPECT_FALSE(FileExists(dir.File("new.ppm")));
    Cli("convert " + Quote(dir.File("bad.bmp")) + " " + Quote(dir.File("x.unknown")), &status);
    EXPECT_EQ(status, 1);
}

TEST(CliInfo, OrientationAndModernFormats)
{
    if (!HasProgram("exiftool") || !HasProgram("cjpeg") || !HasProgram("cwebp") || !HasProgram("cjxl") ||
        !HasProgram("heif-enc"))
        GTEST_SKIP() << "exiftool, cjpeg, cwebp, cjxl or heif-enc missing";
    TempDir dir;
    const std::string ppm = dir.File("src.ppm");
    WriteTestPpm(ppm, 30, 20);
    const std::string jpg = dir.File("turned.jpg");
    ASSERT_EQ(vktest::Run("cjpeg -outfile " + Quote(jpg) + " " + Quote(ppm) +
                          " && exiftool -q -n -Orientation=6 -overwrite_original " + Quote(jpg)),
              0);
    int status;
    // Upright size by default and the stored orientation; stored size on request.
    EXPECT_EQ(CliOut("info " + Quote(jpg), &status), jpg + ": JPEG 20x30 24 bpp orientation 6\n");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(CliOut("info --no-orient " + Quote(jpg), &status), jpg + ": JPEG 30x20 24 bpp orientation 6\n");
    // Convert writes upright pixels unless told not to.
    const std::string out = dir.File("out.ppm");
    ASSERT_EQ(vktest::Run(std::string(VELKOR_CLI) + " convert " + Quote(jpg) + " " + Quote(out)), 0);
    EXPECT_EQ(ParsePnm(ReadFile(out)).width, 20);
    ASSERT_EQ(vktest::Run(std::string(VELKOR_CLI) + " convert --no-orient " + Quote(jpg) + " " + Quote(out)),
              0);
    EXPECT_EQ(ParsePnm(ReadFile(out)).width, 30);

    const std::string png = dir.File("src.png");
    ASSERT_EQ(vktest::Run(ImageMagick() + " " + Quote(ppm) + " " + Quote(png)), 0);
    const struct {
        std::string command, file, line;
    } cases[] = {
        {"cwebp -quiet {in} -o {out}", "a.webp", "WEBP 30x20 24 bpp"},
        {"cjxl -d 0 {in} {out}", "a.jxl", "JXL 30x20 24 bpp"},
        {"heif-enc -A {in} -o {out}", "a.avif", "AVIF 30x20 24 bpp"},
    };
    for (const auto& c : cases) {
        const std::string file = dir.File(c.file);
        ASSERT_EQ(vktest::Run(Substitute(Substitute(c.command, "{in}", Quote(png)), "{out}", Quote(file)) +
                              " >/dev/null 2>&1"),
                  0);
        EXPECT_EQ(CliOut("info " + Quote(file), &status), file + ": " + c.line + "\n");
    }
}

// A picture that moves: its canvas, frame count, total duration and loops.
TEST(CliInfo, AnimationsTellFramesDurationAndLoops)
{
    TempDir dir;
    const std::string gif = dir.File("anim.gif");
    ASSERT_EQ(vktest::Run(ImageMagick() +
                          " -delay 10 -size 30x20 xc:red -delay 25 \\( -size 8x8 xc:blue -repage +4+4 \\)" +
                          " -delay 0 \\( -size 6x6 xc:green -repage +20+10 \\) -loop 2 " + Quote(gif) +
                          " 2>/dev/null"),
              0);
    int status;
    // 100 + 250 + 100 ms (no delay is shown for 100 ms); ImageMagick's -loop 2 plays twice.
    EXPECT_EQ(CliOut("info " + Quote(gif), &status), gif + ": GIF 30x20 1 bpp 3 frames 0.45 s played 2x\n");
    const std::string json = CliOut("info --json " + Quote(gif), &status);
    EXPECT_TRUE(Has(json, "\"width\": 30, \"height\": 20")) << json;
    EXPECT_TRUE(Has(json, "\"frames\": 3, \"duration_ms\": 450, \"loops\": 2")) << json;
    const std::string still = dir.File("still.gif");
    ASSERT_EQ(vktest::Run(ImageMagick() + " -size 3x3 xc:red " + Quote(still)), 0);
    EXPECT_TRUE(Has(CliOut("info --json " + Quote(still), &status),
                    "\"frames\": 1, \"duration_ms\": null, \"loops\": null"));
    // An AVIF image sequence of 2 + 5 frames of 1/10 s: its track repeats for ever.
    if (!HasProgram("avifenc"))
        return;
    const std::string avif = dir.File("anim.avif");
    const std::string f = dir.File("f");
    ASSERT_EQ(vktest::Run(ImageMagick() + " -size 6x4 xc:red xc:blue " + f +
                          "%d.png && avifenc --timescale 10 --duration 2 " + f + "0.png --duration 5 " + f +
                          "1.png " + Quote(avif) + " >/dev/null 2>&1"),
              0);
    const std::string line = CliOut("info " + Quote(avif), &status);
    EXPECT_TRUE(Has(line, "AVIF 6x4 ") && Has(line, " 2 frames 0.70 s looping\n")) << line;
}
