// PNM decoding (P1 to P6): pixels against ImageMagick and netpbm for every
// variant and maxval, comments, and damaged or hostile headers.
#include "TestSupport.h"
#include "picture/PPMDecoder.h"

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

    // Runs a netpbm pipeline on the source, decodes its output with us and
    // compares with what ImageMagick reads from the same file.
    void ExpectSameAsImageMagick(const std::string& pipeline, const std::string& name, int depth)
    {
        SCOPED_TRACE(pipeline);
        std::string file = dir.File(name);
        ASSERT_EQ(vktest::Run("(" + pipeline + ") < " + Quote(source) + " > " + Quote(file) + " 2>/dev/null"), 0);
        int sourceDepth = 0;
        Pixels ours = DecodePnm(ReadFile(file), &sourceDepth);
        EXPECT_EQ(sourceDepth, depth);
        EXPECT_EQ(Diff(ours, Opaque(ReadWithImageMagick(file))), "");
    }

    TempDir dir;
    const std::string source = dir.File("src.ppm");
};

} // namespace

TEST_F(PnmPeers, RawAndPlainAtEveryKindAgreeWithImageMagick)
{
    ExpectSameAsImageMagick("cat", "p6.ppm", 24);
    ExpectSameAsImageMagick("pnmtoplainpnm", "p3.ppm", 24);
    ExpectSameAsImageMagick("ppmtopgm", "p5.pgm", 8);
    ExpectSameAsImageMagick("ppmtopgm | pnmtoplainpnm", "p2.pgm", 8);
    ExpectSameAsImageMagick("ppmtopgm | pamditherbw | pamtopnm", "p4.pbm", 1);
    ExpectSameAsImageMagick("ppmtopgm | pamditherbw | pamtopnm | pnmtoplainpnm", "p1.pbm", 1);
}

TEST_F(PnmPeers, SmallMaxvalsAreStretchedLikeImageMagick)
{
    // 0..maxval spread over 0..255, so a maxval-15 graymap is not dark.
    ExpectSameAsImageMagick("pnmdepth 15", "m15.ppm", 24);
    ExpectSameAsImageMagick("pnmdepth 15 | pnmtoplainpnm", "m15p.ppm", 24);
    ExpectSameAsImageMagick("ppmtopgm | pnmdepth 3", "m3.pgm", 8);
    // Where 255 / maxval is no whole number ImageMagick rounds twice
    // through 16 bits; netpbm's own rescaling is the reference there.
    std::string file = dir.File("m100.pgm");
    ASSERT_EQ(vktest::Run("(ppmtopgm | pnmdepth 100 | pnmtoplainpnm) < " + Quote(source) + " > " + Quote(file)), 0);
    EXPECT_EQ(DecodePnm(ReadFile(file)), ReadWithNetpbm("pnmdepth 255 < " + Quote(file)));
    file = dir.File("m7.ppm");
    ASSERT_EQ(vktest::Run("pnmdepth 7 < " + Quote(source) + " > " + Quote(file)), 0);
    EXPECT_EQ(DecodePnm(ReadFile(file)), ReadWithNetpbm("pnmdepth 255 < " + Quote(file)));
}

TEST_F(PnmPeers, NetpbmReadsTheSamePixels)
{
    // netpbm's own reader, as a second opinion on P6 and P5.
    Pixels ours = DecodePnm(ReadFile(source));
    EXPECT_EQ(ours, ReadWithNetpbm("cat " + Quote(source)));
    std::string gray = dir.File("g.pgm");
    ASSERT_EQ(vktest::Run("ppmtopgm < " + Quote(source) + " > " + Quote(gray)), 0);
    EXPECT_EQ(DecodePnm(ReadFile(gray)), ReadWithNetpbm("pgmtoppm white < " + Quote(gray)));
}

TEST(PnmDecode, ExactValuesOfEachKind)
{
    // A P5 value 200 stays 200; maxval 255 is exact.
    Pixels p = DecodePnm(std::string("P5 2 1 255\n") + char(200) + char(0));
    EXPECT_EQ(p.At(0, 0), MakePixel(200, 200, 200));
    EXPECT_EQ(p.At(1, 0), MakePixel(0, 0, 0));
    p = DecodePnm(std::string("P6 1 1 255\n") + char(10) + char(20) + char(30));
    EXPECT_EQ(p.At(0, 0), MakePixel(10, 20, 30));
    // Bitmaps: a set bit is black, a clear one white.
    p = DecodePnm("P1\n3 1\n1 0\n1");
    EXPECT_EQ(p.data, (std::vector<uint32_t>{MakePixel(0, 0, 0), MakePixel(255, 255, 255), MakePixel(0, 0, 0)}));
    // P1 digits need no whitespace between them.
    EXPECT_EQ(DecodePnm("P1 3 1 101"), p);
    // P4 rows start on a new byte; the unused bits of the last one are ignored.
    p = DecodePnm(std::string("P4 9 2\n") + char(0x80) + char(0x7F) + char(0x00) + char(0x80));
    EXPECT_EQ(p.At(0, 0), MakePixel(0, 0, 0));
    EXPECT_EQ(p.At(8, 0), MakePixel(255, 255, 255));
    EXPECT_EQ(p.At(0, 1), MakePixel(255, 255, 255));
    EXPECT_EQ(p.At(8, 1), MakePixel(0, 0, 0));
    // Maxval 15: 7 is 119 (rounded), 15 is white; values above maxval are white.
    p = DecodePnm("P2 3 1 15 7 15 40");
    EXPECT_EQ(p.At(0, 0), MakePixel(119, 119, 119));
    EXPECT_EQ(p.At(1, 0), MakePixel(255, 255, 255));
    EXPECT_EQ(p.At(2, 0), MakePixel(255, 255, 255));
    p = DecodePnm("P3 1 1 3 1 2 3");
    EXPECT_EQ(p.At(0, 0), MakePixel(85, 170, 255));
}

TEST(PnmDecode, CommentsAreSkipped)
{
    // GIMP writes a "# CREATOR" line; comments may sit anywhere in the header.
    Pixels p = DecodePnm("P2\n# CREATOR: GIMP PNM Filter Version 1.1\n2 1\n#another\n255\n9 250\n");
    EXPECT_EQ(p.At(0, 0), MakePixel(9, 9, 9));
    EXPECT_EQ(p.At(1, 0), MakePixel(250, 250, 250));
    p = DecodePnm(std::string("P5 1#w\n1 255#x\n") + char(77));
    EXPECT_EQ(p.At(0, 0), MakePixel(77, 77, 77));
    // The raw data after the single whitespace may itself contain '#'.
    p = DecodePnm("P5 1 1 255\n#");
    EXPECT_EQ(p.At(0, 0), MakePixel('#', '#', '#'));
}

TEST_F(PnmPeers, SixteenBitSamplesAgreeWithImageMagickWithinOne)
{
    // Two bytes per raw sample, most significant first; stretched to 0..255.
    for (const char* pipeline : {"pnmdepth 65535", "pnmdepth 1000", "pnmdepth 300 | pnmtoplainpnm",
                                 "ppmtopgm | pnmdepth 65535", "ppmtopgm | pnmdepth 4095 | pnmtoplainpnm"}) {
        SCOPED_TRACE(pipeline);
        std::string file = dir.File("wide.pnm");
        ASSERT_EQ(vktest::Run(std::string("(") + pipeline + ") < " + Quote(source) + " > " + Quote(file)), 0);
        int depth = 0;
        Pixels ours = DecodePnm(ReadFile(file), &depth);
        EXPECT_EQ(depth, std::string(pipeline).find("pgm") != std::string::npos ? 16 : 48);
        EXPECT_LE(MaxChannelDifference(ours, Opaque(ReadWithImageMagick(file))), 1);
    }
    // ImageMagick's own 16-bit writer.
    std::string file = dir.File("im16.ppm");
    ASSERT_EQ(vktest::Run(ImageMagick() + " " + Quote(source) + " -depth 16 " + Quote(file)), 0);
    EXPECT_EQ(DecodePnm(ReadFile(file)), ParsePnm(ReadFile(source)));
}

TEST(PnmDecode, SixteenBitExtremesAndShortData)
{
    // 65535 is white, 32768 rounds up to 128, 257 is 1.
    Pixels p = DecodePnm(std::string("P5 3 1 65535\n\xFF\xFF\x80\x00\x01\x01", 19));
    EXPECT_EQ(p.At(0, 0), MakePixel(255, 255, 255));
    EXPECT_EQ(p.At(1, 0), MakePixel(128, 128, 128));
    EXPECT_EQ(p.At(2, 0), MakePixel(1, 1, 1));
    // Values above maxval are white; plain files take wide numbers too.
    p = DecodePnm("P3 2 1 1000\n1000 0 500 2000 1 999");
    EXPECT_EQ(p.At(0, 0), MakePixel(255, 0, 128));
    EXPECT_EQ(p.At(1, 0), MakePixel(255, 0, 255));
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
    EXPECT_EQ(PnmError("P5 1 1 65536\n"),
              std::pair(int(ErrInternal), Raised("Maxval is too large - try reconfiguring with PGM_BIGGRAYS.")));
    EXPECT_EQ(PnmError("P6 1 1 4000000\n"),
              std::pair(int(ErrInternal), Raised("Maxval is too large - try reconfiguring with PGM_BIGGRAYS\n"
                                                 "    or without PPM_PACKCOLORS")));
    EXPECT_EQ(PnmError("P2 x 1 255\n"),
              std::pair(int(ErrInternal), Raised("Junk in file where an integer should be")));
    EXPECT_EQ(PnmError("P2 2 1 255 1 -2"),
              std::pair(int(ErrInternal), Raised("Junk in file where an integer should be")));
    EXPECT_EQ(PnmError("P1 2 1 1 2"), std::pair(int(ErrInternal), Raised("Junk in file where bits should be.")));
    EXPECT_EQ(PnmError("P5 1 1 0\n0").first, ErrInternal);
    EXPECT_EQ(PnmError("P6 1 1 255\n12"), std::pair(int(ErrEndOfFile), std::string(kTextEndOfFile)));
}

TEST(PnmDecode, HostileHeadersEndCleanly)
{
    // A digit run of any length is bounded.
    EXPECT_EQ(PnmError("P2 " + std::string(100000, '9') + " 1 255\n").first, ErrInternal);
    EXPECT_EQ(PnmError("P2 4294967297 1 255\n").first, ErrInternal);
    // Long runs of leading zeros are still a small number.
    EXPECT_EQ(DecodePnm("P2 " + std::string(5000, '0') + "1 1 255 3").At(0, 0), MakePixel(3, 3, 3));
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
