// Targa decoding: files written by netpbm and ImageMagick in every type,
// hand-built files for the pixel rules, row order and run clamping, and
// damaged or hostile files.
#include "TestSupport.h"
#include "engine/picture/TGADecoder.h"

#include <gtest/gtest.h>

using namespace vktest;

namespace {

// Builds a Targa file: 18-byte header, image ID, colour map, pixel data.
struct TgaBuilder {
    uint8_t mapType = 0;
    uint8_t imageType = 2;
    uint16_t firstEntry = 0;
    uint16_t mapLength = 0;
    uint8_t mapEntrySize = 0;
    uint16_t width = 1;
    uint16_t height = 1;
    uint8_t depth = 24;
    uint8_t descriptor = 0;
    std::string id;
    std::string map;
    std::string data;

    std::string Build() const
    {
        ByteWriter w(false);
        w.u8(unsigned(id.size())).u8(mapType).u8(imageType).u16(firstEntry).u16(mapLength).u8(mapEntrySize);
        w.u16(0).u16(0).u16(width).u16(height).u8(depth).u8(descriptor);
        return w.s + id + map + data;
    }
};

Pixels DecodeTga(const std::string& bytes, int wantedDepth = 32, CWinBmp* keep = nullptr)
{
    CTGADecoder decoder;
    return DecodeBytes(decoder, bytes, wantedDepth, keep);
}

std::pair<int, std::string> TgaError(const std::string& bytes)
{
    CTGADecoder decoder;
    return ErrorOf(decoder, bytes);
}

// ImageMagick keeps a Targa's rows as stored and only records their
// orientation; -auto-orient applies it, as the format intends.
Pixels ReadOrientedWithImageMagick(const std::string& path)
{
    std::string png = path + ".png";
    if (vktest::Run(ImageMagick() + " " + Quote(path) + " -auto-orient " + Quote(png) + " 2>/dev/null") != 0)
        return {};
    return ReadWithImageMagick(png);
}

class TgaPeers : public ::testing::Test {
  protected:
    void SetUp() override
    {
        if (!HasProgram("pamtotga") || !HasProgram("identify"))
            GTEST_SKIP() << "netpbm or ImageMagick missing";
        WriteTestPpm(source, 300, 41); // wider than one 128-pixel packet
        WriteTestPpm(paletted, 45, 17, 200);
    }

    TempDir dir;
    const std::string source = dir.File("src.ppm");
    const std::string paletted = dir.File("pal.ppm");
};

} // namespace

TEST_F(TgaPeers, NetpbmAndImageMagickFilesOfEveryKind)
{
    const std::string im = ImageMagick();
    const struct {
        std::string command;
        bool palette; // made from the 200-colour picture
        int sourceDepth;
        int imageType; // 0: not checked
    } cases[] = {
        {"pamtotga -rgb -norle < {in} > {out}", false, 24, 2},
        {"pamtotga -rgb < {in} > {out}", false, 24, 10},
        {"pamtotga -mono -norle < {in} > {out}", false, 8, 0},
        {"pamtotga -mono < {in} > {out}", false, 8, 0},
        {"pamtotga -cmap -norle < {in} > {out}", true, 8, 1},
        {"pamtotga -cmap < {in} > {out}", true, 8, 0},
        {im + " {in} {out}", false, 24, 0},
        {im + " {in} -compress RLE {out}", false, 24, 0},
        {im + " {in} -type Palette {out}", true, 8, 0},
        {im + " {in} -type Palette -compress RLE {out}", true, 8, 0},
        {im + " {in} -type Grayscale {out}", false, 8, 0},
        {im + " {in} -alpha set -channel A -evaluate set 50% {out}", false, 32, 0},
    };
    const std::string file = dir.File("out.tga");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        ASSERT_EQ(RunWith(c.command, c.palette ? paletted : source, file), 0);
        const std::string bytes = ReadFile(file);
        if (c.imageType) {
            EXPECT_EQ(bytes[2], c.imageType);
        }
        CWinBmp bmp;
        const Pixels ours = DecodeTga(bytes, 32, &bmp);
        EXPECT_EQ(bmp.GetSourceBitsPerPixel(), c.sourceDepth);
        const Pixels theirs = ReadOrientedWithImageMagick(file);
        // The alpha channel of a 32-bit file is kept as stored.
        EXPECT_EQ(bmp.HasAlphaChannel(), c.sourceDepth == 32);
        EXPECT_EQ(Diff(ours, c.sourceDepth == 32 ? theirs : Opaque(theirs)), "");
        // netpbm's own reader as a second opinion.
        if (c.command.starts_with("pamtotga -rgb")) {
            EXPECT_EQ(ours, ReadWithNetpbm("tgatoppm " + Quote(file)));
        }
    }
}

TEST(TgaDecode, RowOrderFollowsDescriptorBit5)
{
    TgaBuilder b;
    b.width = 1;
    b.height = 2;
    b.data = ByteString({1, 2, 3, 4, 5, 6}); // stored rows: (3,2,1) then (6,5,4) as red,green,blue
    Pixels bottomUp = DecodeTga(b.Build());
    EXPECT_EQ(bottomUp.At(0, 1), MakePixel(3, 2, 1));
    EXPECT_EQ(bottomUp.At(0, 0), MakePixel(6, 5, 4));
    b.descriptor = 0x20;
    Pixels topDown = DecodeTga(b.Build());
    EXPECT_EQ(topDown.At(0, 0), MakePixel(3, 2, 1));
    EXPECT_EQ(topDown.At(0, 1), MakePixel(6, 5, 4));
    // Bit 4 (right to left) is ignored; the image ID is skipped.
    b.descriptor = 0x30;
    b.id = "hello";
    EXPECT_EQ(DecodeTga(b.Build()), topDown);
}

TEST(TgaDecode, SixteenAndFifteenBitPixels)
{
    TgaBuilder b;
    b.width = 3;
    b.depth = 16;
    b.data = ByteString({0x00, 0x80, 0xFF, 0x7F, 0x1F, 0x7C});
    CWinBmp bmp;
    Pixels p = DecodeTga(b.Build(), 32, &bmp);
    EXPECT_TRUE(bmp.HasAlphaChannel());
    EXPECT_EQ(p.At(0, 0), MakePixel(0, 0, 0, 0x80));
    EXPECT_EQ(p.At(1, 0), MakePixel(248, 248, 248, 0));
    EXPECT_EQ(p.At(2, 0), MakePixel(248, 0, 248, 0));
    b.depth = 15;
    p = DecodeTga(b.Build(), 32, &bmp);
    EXPECT_FALSE(bmp.HasAlphaChannel());
    EXPECT_EQ(p.At(0, 0), MakePixel(0, 0, 0, 255));
    EXPECT_EQ(p.At(1, 0), MakePixel(248, 248, 248, 255));
    EXPECT_EQ(p.At(2, 0), MakePixel(248, 0, 248, 255));
}

TEST(TgaDecode, PalettesAndGrayscale)
{
    // Colour map of 24-bit entries starting at entry 2; index 0 stays black.
    TgaBuilder b;
    b.mapType = 1;
    b.imageType = 1;
    b.firstEntry = 2;
    b.mapLength = 2;
    b.mapEntrySize = 24;
    b.map = ByteString({10, 20, 30, 40, 50, 60});
    b.width = 3;
    b.depth = 8;
    b.data = ByteString({2, 3, 0});
    Pixels p = DecodeTga(b.Build());
    EXPECT_EQ(p.At(0, 0), MakePixel(30, 20, 10));
    EXPECT_EQ(p.At(1, 0), MakePixel(60, 50, 40));
    EXPECT_EQ(p.At(2, 0), MakePixel(0, 0, 0));
    // At depth 0 the picture stays 8 bits with the map as its palette.
    CWinBmp bmp;
    EXPECT_EQ(DecodeTga(b.Build(), 0, &bmp), p);
    EXPECT_EQ(bmp.GetBitsPerPixel(), 8);
    EXPECT_EQ(bmp.GetLine(0)[1], 3);

    // A map reaching beyond entry 255 is clamped; the rest of it is skipped.
    b.firstEntry = 250;
    b.mapLength = 10;
    b.map.clear();
    for (int i = 0; i < 10; ++i)
        b.map += ByteString({i, i, i});
    b.data = ByteString({255, 250, 1});
    p = DecodeTga(b.Build());
    EXPECT_EQ(p.At(0, 0), MakePixel(5, 5, 5));
    EXPECT_EQ(p.At(1, 0), MakePixel(0, 0, 0));

    // 8-bit true colour without a map and the gray types read as gray.
    for (uint8_t type : {2, 3, 10, 11}) {
        TgaBuilder g;
        g.imageType = type;
        g.depth = 8;
        g.width = 2;
        g.data = type >= 9 ? ByteString({0x01, 77, 200}) : ByteString({77, 200});
        p = DecodeTga(g.Build());
        EXPECT_EQ(p.At(0, 0), MakePixel(77, 77, 77)) << int(type);
        EXPECT_EQ(p.At(1, 0), MakePixel(200, 200, 200)) << int(type);
    }
}

TEST(TgaDecode, RunLengthPacketsStayInTheirRow)
{
    TgaBuilder b;
    b.imageType = 10;
    b.width = 3;
    b.height = 2;
    b.descriptor = 0x20;
    // Row 0: a run of 5 (two beyond the row, dropped); row 1: a literal
    // packet of 4 (the last pixel dropped) in a fresh packet.
    b.data = ByteString({0x84, 1, 2, 3, 0x03, 10, 11, 12, 20, 21, 22, 30, 31, 32, 40, 41, 42});
    Pixels p = DecodeTga(b.Build());
    for (int x = 0; x < 3; ++x)
        EXPECT_EQ(p.At(x, 0), MakePixel(3, 2, 1));
    EXPECT_EQ(p.At(0, 1), MakePixel(12, 11, 10));
    EXPECT_EQ(p.At(2, 1), MakePixel(32, 31, 30));
    // 32-bit runs keep their alpha.
    b.depth = 32;
    b.height = 1;
    b.data = ByteString({0x82, 1, 2, 3, 4});
    EXPECT_EQ(DecodeTga(b.Build()).At(2, 0), MakePixel(3, 2, 1, 4));
}

TEST(TgaDecode, ErrorsCarryTheirCodeAndText)
{
    TgaBuilder b;
    b.imageType = 4;
    EXPECT_EQ(TgaError(b.Build()),
              std::pair(int(ErrBadFormat), std::string("Decoder error: Unknown TGA image type.\n")));
    b.imageType = 0;
    EXPECT_EQ(TgaError(b.Build()).first, ErrBadFormat);
    b.imageType = 2;
    b.depth = 24;
    b.data = ByteString({1, 2});
    EXPECT_EQ(TgaError(b.Build()), std::pair(int(ErrEndOfFile), std::string(kTextEndOfFile)));
    b.depth = 7;
    EXPECT_NE(TgaError(b.Build()).first, 0);
    // Huge pictures in tiny files are refused before allocation.
    for (uint8_t type : {2, 10}) {
        TgaBuilder h;
        h.imageType = type;
        h.width = 65535;
        h.height = 65535;
        h.data = ByteString({0xFF, 1, 2, 3});
        int code = TgaError(h.Build()).first;
        EXPECT_TRUE(code == ErrEndOfFile || code == ErrNoMemory) << code;
        h.width = 16000;
        h.height = 16000;
        EXPECT_EQ(TgaError(h.Build()).first, ErrEndOfFile);
    }
}

TEST_F(TgaPeers, TruncatedAndFlippedFilesEndInAnError)
{
    const std::string im = ImageMagick();
    for (const char* cmd : {"pamtotga -rgb -norle", "pamtotga -rgb", "pamtotga -mono"}) {
        std::string bytes;
        ASSERT_EQ(vktest::Run(std::string(cmd) + " < " + Quote(source) + " 2>/dev/null", &bytes), 0);
        CTGADecoder decoder;
        EXPECT_EQ(CutFailures(decoder, bytes, {ErrEndOfFile},
                              {0, 5, 17, 18, 40, bytes.size() / 2, bytes.size() - 1}),
                  "")
            << cmd;
        EXPECT_EQ(FlipFailures(decoder, bytes, Positions(0, 18), {0x01, 0x08, 0x40, 0x80}, {}), "") << cmd;
        // Scrambled run-length data stays inside its rows.
        std::string scrambled = bytes;
        for (size_t i = 18; i < scrambled.size(); i += 7)
            scrambled[i] = char(0xFF);
        EXPECT_NE(TgaError(scrambled).first, -1);
    }
}
