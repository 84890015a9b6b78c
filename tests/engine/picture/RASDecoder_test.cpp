// Sun raster decoding: files written by netpbm and ImageMagick at every
// depth, standard and byte-encoded, hand-built files for the map and run
// rules, and damaged or hostile headers.
#include "TestSupport.h"
#include "engine/picture/RASDecoder.h"

#include <gtest/gtest.h>

#include <map>

using namespace vktest;

namespace {

// Builds a Sun raster file: eight big-endian header fields, map, data.
struct RasBuilder {
    uint32_t width = 1;
    uint32_t height = 1;
    uint32_t depth = 8;
    uint32_t type = 1;
    uint32_t mapType = 0;
    std::string map;
    std::string data;
    int64_t length = -1; // the data size unless set

    std::string Build() const
    {
        ByteWriter w(true);
        for (uint32_t v :
             {0x59A66A95u, width, height, depth, length < 0 ? uint32_t(data.size()) : uint32_t(length), type,
              mapType, uint32_t(map.size())})
            w.u32(v);
        return w.s + map + data;
    }
};

Pixels DecodeRas(const std::string& bytes, int* sourceDepth = nullptr)
{
    CRASDecoder decoder;
    CWinBmp bmp;
    Pixels p = DecodeBytes(decoder, bytes, 0, &bmp);
    EXPECT_EQ(bmp.GetBitsPerPixel(), 32);
    if (sourceDepth)
        *sourceDepth = bmp.GetSourceBitsPerPixel();
    return p;
}

std::pair<int, std::string> RasError(const std::string& bytes)
{
    CRASDecoder decoder;
    return ErrorOf(decoder, bytes, 0);
}

class RasPeers : public ::testing::Test {
  protected:
    void SetUp() override
    {
        if (!HasProgram("pnmtorast") || !HasProgram("identify"))
            GTEST_SKIP() << "netpbm or ImageMagick missing";
        inputs["rgb"] = dir.File("src.ppm");
        WriteTestPpm(inputs["rgb"], 301, 33); // odd width: padded rows
        inputs["pal"] = dir.File("pal.ppm");
        WriteTestPpm(inputs["pal"], 45, 17, 200);
        inputs["gray"] = dir.File("gray.pgm");
        ASSERT_EQ(vktest::Run("ppmtopgm < " + Quote(inputs["rgb"]) + " > " + Quote(inputs["gray"])), 0);
        inputs["bw"] = dir.File("bw.pbm");
        ASSERT_EQ(
            vktest::Run("pamditherbw < " + Quote(inputs["gray"]) + " | pamtopnm > " + Quote(inputs["bw"])),
            0);
    }

    // Writes a raster with `command` ("IN", "OUT" replaced), decodes it and
    // compares with ImageMagick and netpbm. Returns the file's bytes.
    // ImageMagick misreads the last runs of byte-encoded files; netpbm is
    // the reference for those.
    std::string Check(const std::string& command, const std::string& input, int depth, bool magick = true)
    {
        std::string file = dir.File("out" + std::to_string(++count) + ".ras");
        std::string cmd = command;
        cmd.replace(cmd.find("IN"), 2, Quote(inputs[input]));
        cmd.replace(cmd.find("OUT"), 3, Quote(file));
        SCOPED_TRACE(cmd);
        EXPECT_EQ(vktest::Run("(" + cmd + ") 2>/dev/null"), 0);
        std::string bytes = ReadFile(file);
        int sourceDepth = 0;
        Pixels ours = DecodeRas(bytes, &sourceDepth);
        if (depth) {
            EXPECT_EQ(sourceDepth, depth);
        }
        if (magick) {
            Pixels theirs = Opaque(ReadWithImageMagick(file));
            EXPECT_EQ(Diff(ours, theirs), "");
        }
        Pixels netpbm = ReadWithNetpbm("rasttopnm " + Quote(file) + " | pnmtopnm -plain | pnmtopnm");
        if (netpbm.data.empty()) // pbm output: turn into a pixmap first
            netpbm = ReadWithNetpbm("rasttopnm " + Quote(file) + " | pnmtoplainpnm | ppmtoppm");
        EXPECT_EQ(Diff(ours, netpbm), "");
        return bytes;
    }

    TempDir dir;
    std::map<std::string, std::string> inputs;
    int count = 0;
};

} // namespace

TEST_F(RasPeers, NetpbmAndImageMagickFilesAtEveryDepth)
{
    for (const char* mode : {"-standard", "-rle"}) {
        const bool rle = std::string(mode) == "-rle";
        const std::string command = std::string("pnmtorast ") + mode + " < IN > OUT";
        Check(command, "rgb", 24, !rle);
        EXPECT_EQ(Check(command, "pal", 8, !rle)[23], rle ? 2 : 1);
        Check(command, "gray", 8, !rle);
        Check(command, "bw", 1, !rle);
    }
    // ImageMagick writes no byte-encoded rasters; netpbm's cover those.
    const std::string im = ImageMagick();
    EXPECT_EQ(Check(im + " IN OUT", "rgb", 24)[23], 3); // RGB order
    Check(im + " IN -type Palette OUT", "pal", 8);
    Check(im + " IN -type Palette OUT", "gray", 0);
    Check(im + " IN -type Palette OUT", "bw", 0);
}

TEST(RasDecode, DepthsMapsAndOrders)
{
    // 1 bit with a two-entry map (red, blue): clear is red, set is blue.
    RasBuilder b;
    b.width = 3;
    b.depth = 1;
    b.mapType = 1;
    b.map = ByteString({255, 0, 0, 0, 0, 255});
    b.data = ByteString({0x40, 0});
    Pixels p = DecodeRas(b.Build());
    EXPECT_EQ(p.At(0, 0), MakePixel(255, 0, 0));
    EXPECT_EQ(p.At(1, 0), MakePixel(0, 0, 255));
    EXPECT_EQ(p.At(2, 0), MakePixel(255, 0, 0));
    // Without a map a set bit is black and a clear one white.
    b.mapType = 0;
    b.map.clear();
    p = DecodeRas(b.Build());
    EXPECT_EQ(p.At(1, 0), MakePixel(0, 0, 0));
    EXPECT_EQ(p.At(0, 0), MakePixel(255, 255, 255));

    // 32 bits skip the leading pad byte; type 3 stores red first.
    RasBuilder c;
    c.width = 1;
    c.depth = 32;
    c.data = ByteString({9, 1, 2, 3});
    EXPECT_EQ(DecodeRas(c.Build()).At(0, 0), MakePixel(3, 2, 1));
    c.type = 3;
    EXPECT_EQ(DecodeRas(c.Build()).At(0, 0), MakePixel(1, 2, 3));
    // 24 bits with a 768-byte map go through each channel's own table.
    c.depth = 24;
    c.type = 1;
    c.mapType = 1;
    c.map.clear();
    for (int channel = 0; channel < 3; ++channel)
        for (int i = 0; i < 256; ++i)
            c.map += char(channel == 0 ? 255 - i : channel == 1 ? i / 2 : i);
    c.data = ByteString({10, 20, 30, 0}); // blue, green, red
    EXPECT_EQ(DecodeRas(c.Build()).At(0, 0), MakePixel(225, 10, 10));

    // 8 bits: through the map, the index beyond a short map is black;
    // without a map the byte is gray.
    RasBuilder d;
    d.width = 3;
    d.mapType = 1;
    d.map = ByteString({10, 20, 30, 40, 50, 60}); // reds 10 20, greens 30 40, blues 50 60
    d.data = ByteString({1, 0, 7, 0});
    p = DecodeRas(d.Build());
    EXPECT_EQ(p.At(0, 0), MakePixel(20, 40, 60));
    EXPECT_EQ(p.At(1, 0), MakePixel(10, 30, 50));
    EXPECT_EQ(p.At(2, 0), MakePixel(0, 0, 0));
    d.mapType = 0;
    d.map.clear();
    EXPECT_EQ(DecodeRas(d.Build()).At(0, 0), MakePixel(1, 1, 1));
    // A raw map serves as red, green and blue alike.
    d.mapType = 2;
    d.map = ByteString({5, 6});
    EXPECT_EQ(DecodeRas(d.Build()).At(0, 0), MakePixel(6, 6, 6));
}

TEST(RasDecode, ByteEncodedRuns)
{
    RasBuilder b;
    b.width = 8;
    b.height = 2;
    b.type = 2;
    // 0x80 0x00 is one 0x80; 0x80 0x03 0x41 is four 0x41; a run crosses
    // into the second row; the final run is cut at the buffer's end.
    b.data = ByteString({0x80, 0x00, 0x80, 0x03, 0x41, 0x07, 0x80, 0x04, 0x42, 0x80, 0xFF, 0x43});
    Pixels p = DecodeRas(b.Build());
    const int expected[16] = {0x80, 0x41, 0x41, 0x41, 0x41, 0x07, 0x42, 0x42,
                              0x42, 0x42, 0x42, 0x43, 0x43, 0x43, 0x43, 0x43};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(p.At(i % 8, i / 8),
                  MakePixel(uint8_t(expected[i]), uint8_t(expected[i]), uint8_t(expected[i])))
            << i;
    // Runs that end before the picture is full: the end of the file.
    b.data = ByteString({0x80, 0x03, 0x41});
    EXPECT_EQ(RasError(b.Build()).first, ErrEndOfFile);
    // A length of 0 means the rest of the file.
    b.data = ByteString({0x80, 0x0F, 0x11});
    b.length = 0;
    EXPECT_EQ(DecodeRas(b.Build()).At(7, 1), MakePixel(0x11, 0x11, 0x11));
}

TEST(RasDecode, ErrorsCarryTheirCodeAndText)
{
    RasBuilder b;
    b.data = ByteString({0, 0});
    b.width = 0;
    EXPECT_EQ(RasError(b.Build()), std::pair(int(ErrBadFormat), Raised("Invalid width")));
    b.width = 0x80000001;
    EXPECT_EQ(RasError(b.Build()), std::pair(int(ErrBadFormat), Raised("Invalid width")));
    b.width = 1;
    b.height = 0xFFFFFFFF;
    EXPECT_EQ(RasError(b.Build()), std::pair(int(ErrBadFormat), Raised("Invalid height")));
    b.height = 1;
    b.depth = 4;
    EXPECT_EQ(RasError(b.Build()),
              std::pair(int(ErrBadFormat), Raised("Can only handle depth 1, 8, 24, or 32.")));
    b.depth = 1;
    b.mapType = 1;
    b.map = ByteString({1, 2, 3, 4, 5, 6, 7, 8, 9});
    EXPECT_EQ(RasError(b.Build()),
              std::pair(int(ErrBadFormat), Raised("Rasterfile has a non-standard colormap.")));
    b.depth = 24;
    b.map = ByteString({1, 2, 3});
    EXPECT_EQ(RasError(b.Build()),
              std::pair(int(ErrBadFormat), Raised("Rasterfile has a non-standard colormap.")));
    b.depth = 8;
    b.map = "";
    b.mapType = 0;
    b.data = ByteString({0, 0});
    b.type = 0;
    EXPECT_EQ(RasError(b.Build()),
              std::pair(int(ErrBadFormat), Raised("Unable to read in the image from the rasterfile.")));
    b.type = 4;
    EXPECT_EQ(RasError(b.Build()).first, ErrBadFormat);
    // Huge pictures in tiny files, stored or byte-encoded.
    for (uint32_t type : {1u, 2u}) {
        RasBuilder h;
        h.type = type;
        h.width = 16000;
        h.height = 16000;
        h.depth = 24;
        h.data = ByteString({0x80, 0xFF, 1});
        int code = RasError(h.Build()).first;
        EXPECT_TRUE(code == ErrEndOfFile || code == ErrNoMemory) << code;
        h.length = 0xFFFFFFF0;
        code = RasError(h.Build()).first;
        EXPECT_TRUE(code == ErrEndOfFile || code == ErrNoMemory) << code;
    }
}

TEST_F(RasPeers, TruncatedAndFlippedFilesEndInAnError)
{
    for (const char* cmd : {"pnmtorast -standard", "pnmtorast -rle"}) {
        for (const char* input : {"rgb", "pal"}) {
            std::string bytes;
            ASSERT_EQ(vktest::Run(std::string(cmd) + " < " + Quote(inputs[input]) + " 2>/dev/null", &bytes),
                      0);
            CRASDecoder decoder;
            const std::string what = std::string(cmd) + " " + input;
            EXPECT_EQ(CutFailures(decoder, bytes, {ErrEndOfFile},
                                  {0, 4, 31, 32, 40, bytes.size() / 2, bytes.size() - 1}, 0),
                      "")
                << what;
            EXPECT_EQ(FlipFailures(decoder, bytes, Positions(0, 32), {0x01, 0x08, 0x40, 0x80}, {}, 0), "")
                << what;
        }
    }
}
