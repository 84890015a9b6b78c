// PNM decoding (P1 to P6): pixels against ImageMagick and netpbm for every
// variant and maxval, comments, and damaged or hostile headers.
#include "TestSupport.h"
#include "engine/picture/PPMDecoder.h"

#include <gtest/gtest.h>

using namespace vktest;

namespace {

Pixels DecodePnm(const std::string& bytes, int* sourceDepth = nullptr)
{
    CPPMDecoder decoder;
    CWinBmp bmp;
    Pixels p = DecodeBytes(decoder, bytes, 0, &bmp);
    EXPECT_EQ(bmp.GetBitsPerPixel(), 32);
    EXPECT_FALSE(bmp.HasAlphaChannel());
    if (sourceDepth)
        *sourceDepth = bmp.GetSourceBitsPerPixel();
    return p;
}

std::pair<int, std::string> PnmError(const std::string& bytes)
{
    CPPMDecoder decoder;
    return ErrorOf(decoder, bytes, 0);
}

class PnmPeers : public ::testing::Test {
  protected:
    void SetUp() override
    {
        if (!HasProgram("pnmtoplainpnm") || !HasProgram("identify"))
            GTEST_SKIP() << "netpbm or ImageMagick missing";
        WriteTestPpm(source, 37, 23);
    }

    TempDir dir;
    const std::string source = dir.File("src.ppm");
};

} // namespace

// netpbm pipelines on the source: raw and plain of every kind, small and
// wide maxvals. Ours against ImageMagick's reading, or netpbm's own
// rescaling where 255 / maxval is no whole number (ImageMagick rounds twice
// through 16 bits there); 16-bit samples within one step.
TEST_F(PnmPeers, EveryKindAndMaxvalAgreesWithImageMagickOrNetpbm)
{
    const struct {
        const char* pipeline;
        int depth;
        bool netpbm = false;
        int tolerance = 0;
    } cases[] = {
        {"cat", 24},
        {"pnmtoplainpnm", 24},
        {"ppmtopgm", 8},
        {"ppmtopgm | pnmtoplainpnm", 8},
        {"ppmtopgm | pamditherbw | pamtopnm", 1},
        {"ppmtopgm | pamditherbw | pamtopnm | pnmtoplainpnm", 1},
        // 0..maxval spread over 0..255, so a maxval-15 graymap is not dark.
        {"pnmdepth 15", 24},
        {"pnmdepth 15 | pnmtoplainpnm", 24},
        {"ppmtopgm | pnmdepth 3", 8},
        {"ppmtopgm | pnmdepth 100 | pnmtoplainpnm", 8, true},
        {"pnmdepth 7", 24, true},
        // Two bytes per raw sample, most significant first.
        {"pnmdepth 65535", 48, false, 1},
        {"pnmdepth 1000", 48, false, 1},
        {"pnmdepth 300 | pnmtoplainpnm", 48, false, 1},
        {"ppmtopgm | pnmdepth 65535", 16, false, 1},
        {"ppmtopgm | pnmdepth 4095 | pnmtoplainpnm", 16, false, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pipeline);
        const std::string file = dir.File("out.pnm");
        ASSERT_EQ(vktest::Run(std::string("(") + c.pipeline + ") < " + Quote(source) + " > " + Quote(file) +
                              " 2>/dev/null"),
                  0);
        int sourceDepth = 0;
        const Pixels ours = DecodePnm(ReadFile(file), &sourceDepth);
        EXPECT_EQ(sourceDepth, c.depth);
        const Pixels theirs =
            c.netpbm ? ReadWithNetpbm("pnmdepth 255 < " + Quote(file)) : Opaque(ReadWithImageMagick(file));
        EXPECT_LE(MaxChannelDifference(ours, theirs), c.tolerance);
    }
    // netpbm's own reader, as a second opinion on P6 and P5, and
    // ImageMagick's own 16-bit writer.
    EXPECT_EQ(DecodePnm(ReadFile(source)), ReadWithNetpbm("cat " + Quote(source)));
    const std::string gray = dir.File("g.pgm"), wide = dir.File("im16.ppm");
    ASSERT_EQ(vktest::Run("ppmtopgm < " + Quote(source) + " > " + Quote(gray)), 0);
    EXPECT_EQ(DecodePnm(ReadFile(gray)), ReadWithNetpbm("pgmtoppm white < " + Quote(gray)));
    ASSERT_EQ(vktest::Run(ImageMagick() + " " + Quote(source) + " -depth 16 " + Quote(wide)), 0);
    EXPECT_EQ(DecodePnm(ReadFile(wide)), ParsePnm(ReadFile(source)));
}

TEST(PnmDecode, ExactValuesCommentsAndShortData)
{
    auto gray = [](std::initializer_list<int> levels) {
        std::vector<uint32_t> v;
        for (int l : levels)
            v.push_back(MakePixel(uint8_t(l), uint8_t(l), uint8_t(l)));
        return v;
    };
    const struct {
        const char* what;
        std::string file;
        std::vector<uint32_t> pixels;
    } cases[] = {
        {"P5 maxval 255 is exact", std::string("P5 2 1 255\n\xC8\x00", 13), gray({200, 0})},
        {"P6", "P6 1 1 255\n\x0A\x14\x1E", {MakePixel(10, 20, 30)}},
        // Bitmaps: a set bit is black, a clear one white; P1 digits need no
        // whitespace between them.
        {"P1", "P1\n3 1\n1 0\n1", gray({0, 255, 0})},
        {"P1 packed digits", "P1 3 1 101", gray({0, 255, 0})},
        // P4 rows start on a new byte; the unused bits of the last one are ignored.
        {"P4", std::string("P4 9 2\n\x80\x7F\x00\x80", 11),
         gray({0, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0})},
        // Maxval 15: 7 is 119 (rounded), 15 is white; above maxval is white.
        {"P2 maxval 15", "P2 3 1 15 7 15 40", gray({119, 255, 255})},
        {"P3 maxval 3", "P3 1 1 3 1 2 3", {MakePixel(85, 170, 255)}},
        // 65535 is white, 32768 rounds up to 128, 257 is 1.
        {"P5 16 bits", std::string("P5 3 1 65535\n\xFF\xFF\x80\x00\x01\x01", 19), gray({255, 128, 1})},
        {"P3 wide numbers",
         "P3 2 1 1000\n1000 0 500 2000 1 999",
         {MakePixel(255, 0, 128), MakePixel(255, 0, 255)}},
        // GIMP writes a "# CREATOR" line; comments may sit anywhere in the
        // header, and the raw data after the single whitespace may hold '#'.
        {"GIMP comment", "P2\n# CREATOR: GIMP PNM Filter Version 1.1\n2 1\n#another\n255\n9 250\n",
         gray({9, 250})},
        {"comments in numbers' places", "P5 1#w\n1 255#x\nM", gray({77})},
        {"data byte '#'", "P5 1 1 255\n#", gray({'#'})},
        // Long runs of leading zeros are still a small number.
        {"leading zeros", "P2 " + std::string(5000, '0') + "1 1 255 3", gray({3})},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodePnm(c.file).data, c.pixels) << c.what;
    // One byte short of two per sample.
    EXPECT_EQ(PnmError(std::string("P6 1 1 65535\n\1\2\3\4\5", 18)),
              std::pair(int(ErrEndOfFile), std::string(kTextEndOfFile)));
}

TEST(PnmDecode, HeaderErrorsCarryTheirCodeAndText)
{
    EXPECT_EQ(PnmError("P7 1 1 255\n"),
              std::pair(int(ErrBadFormat), Raised("Bad magic number - not a ppm, pgm, or pbm file.")));
    EXPECT_EQ(PnmError("Q6 1 1 255\n"),
              std::pair(int(ErrBadFormat), Raised("Bad magic number - not a ppm, pgm, or pbm file.")));
    EXPECT_EQ(
        PnmError("P5 1 1 65536\n"),
        std::pair(int(ErrInternal), Raised("Maxval is too large - try reconfiguring with PGM_BIGGRAYS.")));
    EXPECT_EQ(PnmError("P6 1 1 4000000\n"),
              std::pair(int(ErrInternal), Raised("Maxval is too large - try reconfiguring with PGM_BIGGRAYS\n"
                                                 "    or without PPM_PACKCOLORS")));
    EXPECT_EQ(PnmError("P2 x 1 255\n"),
              std::pair(int(ErrInternal), Raised("Junk in file where an integer should be")));
    EXPECT_EQ(PnmError("P2 2 1 255 1 -2"),
              std::pair(int(ErrInternal), Raised("Junk in file where an integer should be")));
    EXPECT_EQ(PnmError("P1 2 1 1 2"),
              std::pair(int(ErrInternal), Raised("Junk in file where bits should be.")));
    EXPECT_EQ(PnmError("P5 1 1 0\n0").first, ErrInternal);
    EXPECT_EQ(PnmError("P6 1 1 255\n12"), std::pair(int(ErrEndOfFile), std::string(kTextEndOfFile)));
}

TEST(PnmDecode, HostileHeadersEndCleanly)
{
    // A digit run of any length is bounded.
    EXPECT_EQ(PnmError("P2 " + std::string(100000, '9') + " 1 255\n").first, ErrInternal);
    EXPECT_EQ(PnmError("P2 4294967297 1 255\n").first, ErrInternal);
    // Pictures larger than the file holds are refused before allocation.
    for (const char* header : {"P6 16000 16000 255\n", "P5 100000 100000 255\n", "P4 16000 16000\n",
                               "P3 16000 16000 255\n1 2 3", "P1 60000 4000 1"}) {
        SCOPED_TRACE(header);
        int code = PnmError(header).first;
        EXPECT_TRUE(code == ErrEndOfFile || code == ErrNoMemory) << code;
    }
    // Found by fuzzing: no pixels but a hundred million rows.
    EXPECT_EQ(PnmError(ReadFile(std::string(VELKOR_TEST_DATA) + "/pnm/malformed/zero-width-tall.pgm")),
              std::pair(int(ErrBadFormat), Raised("Width or height is 0.")));
    EXPECT_EQ(PnmError("P5 7 0 255\n").first, ErrBadFormat);
    // A comment that never ends is the end of the file.
    EXPECT_EQ(PnmError("P5 # " + std::string(1000, 'x')).first, ErrEndOfFile);
}

TEST_F(PnmPeers, TruncatedAndFlippedFilesEndInAnError)
{
    for (const char* pipeline : {"cat", "pnmtoplainpnm", "ppmtopgm", "ppmtopgm | pamditherbw | pamtopnm"}) {
        std::string bytes;
        ASSERT_EQ(vktest::Run("(" + std::string(pipeline) + ") < " + Quote(source), &bytes), 0);
        CPPMDecoder decoder;
        EXPECT_EQ(CutFailures(decoder, bytes, {ErrEndOfFile, ErrBadFormat, ErrInternal},
                              {0, 1, 3, 9, bytes.size() / 3, bytes.size() / 2, bytes.size() - 10}, 0),
                  "")
            << pipeline;
        EXPECT_EQ(FlipFailures(decoder, bytes, Positions(0, 16), {0x01, 0x10, 0x80}, {}, 0), "") << pipeline;
    }
}
