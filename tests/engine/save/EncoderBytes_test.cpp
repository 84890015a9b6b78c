// Byte-level layout of the PPM, PGM, Sun raster, Targa and GIF files we
// write: headers, padding, run-length packets and code sizes.
#include "TestSupport.h"
#include "engine/picture/TextException.h"
#include "engine/save/GIFEncoder.h"
#include "engine/save/PGMEncoder.h"
#include "engine/save/PPMEncoder.h"
#include "engine/save/RASEncoder.h"
#include "engine/save/TGAEncoder.h"

#include <gtest/gtest.h>

using namespace vktest;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Load(const std::string& path)
{
    const std::string s = ReadFile(path);
    return Bytes(s.begin(), s.end());
}

uint32_t BE32(const Bytes& b, size_t at)
{
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}
uint32_t LE16(const Bytes& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8;
}

void Solid(CWinBmp& bmp, int width, int height, uint32_t pixel)
{
    bmp.Create(width, height, 32, false);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bmp.GetLine32(y)[x] = pixel;
}

Bytes RasRle(const Bytes& in)
{
    Bytes out(CRasRunEncoder::MaxEncodedSize(in.size()));
    CRasRunEncoder encoder(out.data());
    encoder.Put(in.data(), in.size());
    encoder.Finish();
    out.resize(encoder.Size());
    return out;
}

Bytes TgaRle(const Bytes& in, size_t pixelBytes)
{
    Bytes out(in.size() * 2 + 8);
    out.resize(EncodeTgaLine(in.data(), in.size() / pixelBytes, pixelBytes, out.data()));
    return out;
}

} // namespace

TEST(WriterBytes, PpmAndPgmHeaders)
{
    TempDir dir;
    CWinBmp bmp;
    Solid(bmp, 2, 1, MakePixel(10, 20, 30));
    bmp.GetLine32(0)[1] = MakePixel(255, 255, 255);
    CPPMEncoder().Save(dir.File("a.ppm"), bmp);
    const std::string ppm = ReadFile(dir.File("a.ppm"));
    EXPECT_EQ(ppm, std::string("P6\n2 1\n255\n") + "\x0a\x14\x1e\xff\xff\xff");
    CPGMEncoder().Save(dir.File("a.pgm"), bmp);
    // 0.299*10 + 0.587*20 + 0.114*30 = 18.15
    EXPECT_EQ(ReadFile(dir.File("a.pgm")), std::string("P5\n2 1\n255\n") + "\x12\xff");
}

TEST(WriterBytes, RasRunsAndHeader)
{
    EXPECT_EQ(RasRle(Bytes(300, 7)), (Bytes{128, 255, 7, 128, 43, 7}));
    EXPECT_EQ(RasRle(Bytes{128}), (Bytes{128, 0}));
    EXPECT_EQ(RasRle(Bytes{128, 128}), (Bytes{128, 1, 128}));
    EXPECT_EQ(RasRle(Bytes{5, 5, 6, 7, 7, 7}), (Bytes{5, 5, 6, 128, 2, 7}));
    EXPECT_EQ(RasRle(Bytes(256, 1)), (Bytes{128, 255, 1}));
    EXPECT_EQ(RasRle(Bytes(257, 1)), (Bytes{128, 255, 1, 1}));
    // The worst case stays within the bound the encoder is given.
    Bytes alternate(1001);
    for (size_t i = 0; i < alternate.size(); ++i)
        alternate[i] = i % 2 ? 3 : 128;
    EXPECT_EQ(RasRle(alternate).size(), 501u * 2 + 500u);

    TempDir dir;
    CWinBmp bmp;
    Solid(bmp, 3, 2, MakePixel(1, 2, 3));
    CRASEncoder().Save(dir.File("a.ras"), bmp, 8, false);
    Bytes a = Load(dir.File("a.ras"));
    const uint32_t header[8] = {0x59A66A95, 3, 2, 8, 8, 1, 1, 768};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(BE32(a, size_t(4 * i)), header[i]) << "word " << i;
    ASSERT_EQ(a.size(), 32u + 768u + 8u);
    EXPECT_EQ((Bytes{a[32], a[32 + 256], a[32 + 512]}), (Bytes{1, 2, 3}));

    // One run across both lines, pad bytes included.
    CRASEncoder().Save(dir.File("b.ras"), bmp, 8, true);
    Bytes b = Load(dir.File("b.ras"));
    EXPECT_EQ(BE32(b, 16), 3u);
    EXPECT_EQ(BE32(b, 20), 2u);
    EXPECT_EQ((Bytes(b.end() - 3, b.end())), (Bytes{128, 7, 0}));

    CRASEncoder().Save(dir.File("c.ras"), bmp, 24, false);
    Bytes c = Load(dir.File("c.ras"));
    EXPECT_EQ(BE32(c, 16), 20u); // 9 bytes padded to 10, two lines
    EXPECT_EQ(BE32(c, 24), 0u);
    EXPECT_EQ((Bytes{c[32], c[33], c[34]}), (Bytes{3, 2, 1}));
    EXPECT_THROW(CRASEncoder().Save(dir.File("d.ras"), bmp, 16, false), CTextException);
}

TEST(WriterBytes, TgaPacketsAndHeader)
{
    Bytes same(200, 4);
    EXPECT_EQ(TgaRle(same, 1), (Bytes{255, 4, 199, 4}));
    EXPECT_EQ(TgaRle(Bytes{1, 2, 3, 3, 3, 4}, 1), (Bytes{1, 1, 2, 130, 3, 128, 4}));
    EXPECT_EQ(TgaRle(Bytes{1, 2, 3, 4, 5, 6}, 3), (Bytes{1, 1, 2, 3, 4, 5, 6}));
    Bytes singles(130);
    for (size_t i = 0; i < singles.size(); ++i)
        singles[i] = uint8_t(i);
    Bytes packed = TgaRle(singles, 1);
    ASSERT_EQ(packed.size(), 1u + 128u + 1u + 2u);
    EXPECT_EQ(packed[0], 127);
    EXPECT_EQ(packed[129], 1);

    TempDir dir;
    CWinBmp bmp;
    Solid(bmp, 5, 3, MakePixel(1, 2, 3));
    bmp.GetLine32(0)[0] = MakePixel(4, 5, 6);
    bmp.GetLine32(2)[4] = MakePixel(7, 8, 9);
    CTGAEncoder().Save(dir.File("a.tga"), bmp, false, 8);
    Bytes a = Load(dir.File("a.tga"));
    const Bytes header = {0, 1, 1, 0, 0, 3, 0, 24, 0, 0, 0, 0, 5, 0, 3, 0, 8, 0};
    EXPECT_EQ(Bytes(a.begin(), a.begin() + 18), header);
    ASSERT_EQ(a.size(), 18u + 9u + 15u);

    CTGAEncoder().Save(dir.File("b.tga"), bmp, true, 24);
    Bytes b = Load(dir.File("b.tga"));
    EXPECT_EQ(b[2], 10);
    EXPECT_EQ(b[1], 0);
    EXPECT_EQ(b[16], 24);
    // Bottom line first: four equal pixels, then the odd one alone.
    EXPECT_EQ(Bytes(b.begin() + 18, b.begin() + 26), (Bytes{131, 3, 2, 1, 128, 9, 8, 7}));
    EXPECT_THROW(CTGAEncoder().Save(dir.File("c.tga"), bmp, false, 16), CTextException);
}

TEST(WriterBytes, GifHeaderTableAndCodeSize)
{
    TempDir dir;
    struct Expect {
        int colors, bits;
    };
    for (Expect e : {Expect{2, 1}, Expect{3, 2}, Expect{16, 4}, Expect{17, 5}, Expect{200, 8}}) {
        CWinBmp bmp;
        MakePaletteTestPicture(bmp, 20, 11, e.colors);
        CGIFEncoder().Save(dir.File("a.gif"), bmp, e.colors == 3);
        Bytes g = Load(dir.File("a.gif"));
        SCOPED_TRACE(e.colors);
        EXPECT_EQ(std::string(g.begin(), g.begin() + 6), "GIF87a");
        EXPECT_EQ(LE16(g, 6), 20u);
        EXPECT_EQ(LE16(g, 8), 11u);
        EXPECT_EQ(g[10], 0x80 | (e.bits - 1) << 4 | (e.bits - 1));
        const size_t descriptor = 13 + (size_t(3) << e.bits);
        ASSERT_GT(g.size(), descriptor + 12);
        EXPECT_EQ(g[descriptor], ',');
        EXPECT_EQ(LE16(g, descriptor + 5), 20u);
        EXPECT_EQ(g[descriptor + 9], e.colors == 3 ? 0x40 : 0);
        EXPECT_EQ(g[descriptor + 10], std::max(2, e.bits));
        EXPECT_EQ(g[g.size() - 1], ';');
        EXPECT_EQ(g[g.size() - 2], 0);
        // Sub-blocks of at most 254 bytes chain up to the terminator.
        size_t at = descriptor + 11;
        while (g[at] != 0) {
            EXPECT_LE(g[at], 254);
            at += g[at] + 1u;
            ASSERT_LT(at, g.size());
        }
        EXPECT_EQ(at, g.size() - 2);
    }
}
