// Icon decoding: every bit count and PNG-compressed icons as ImageMagick
// reads them, icons built here byte by byte, and damaged files.
#include "TestSupport.h"
#include "engine/picture/AnyPicDecoder.h"
#include "engine/picture/ICODecoder.h"

#include <gtest/gtest.h>
#include <set>

using namespace vktest;

namespace {

struct Decoded {
    Pixels pixels;
    int sourceDepth = 0;
    bool alpha = false;
};

Decoded Decode(const std::string& bytes)
{
    CICODecoder decoder;
    CWinBmp bmp;
    const Pixels p = DecodeBytes(decoder, bytes, 0, &bmp);
    EXPECT_EQ(bmp.GetBitsPerPixel(), 32);
    return {p, bmp.GetSourceBitsPerPixel(), bmp.HasAlphaChannel()};
}

int DecodeError(const std::string& bytes)
{
    CICODecoder decoder;
    return ErrorOf(decoder, bytes, 0).first;
}

// One icon image: BITMAPINFOHEADER (height doubled), palette, colour rows
// bottom-up from `pixels` (top-down 0xAARRGGBB, or palette indices for up
// to 8 bits), then an all-zero AND mask.
std::string IconImage(int width, int height, int bitCount, const std::vector<uint32_t>& pixels,
                      const std::vector<uint32_t>& palette = {}, int headerSize = 40)
{
    ByteWriter w(false);
    w.u32(uint32_t(headerSize)).u32(uint32_t(width)).u32(uint32_t(height * 2)).u16(1).u16(unsigned(bitCount));
    w.zeros(16).u32(uint32_t(palette.size())).u32(0);
    for (uint32_t c : palette)
        w.u32(c & 0xFFFFFF);
    std::string out = w.s;
    const size_t rowBytes = (size_t(width) * size_t(bitCount) + 31) / 32 * 4;
    for (int y = height - 1; y >= 0; --y) {
        std::string row(rowBytes, '\0');
        for (int x = 0; x < width; ++x) {
            uint32_t v = pixels[size_t(y) * size_t(width) + size_t(x)];
            switch (bitCount) {
            case 1:
                row[size_t(x) / 8] = char(row[size_t(x) / 8] | (v & 1) << (7 - x % 8));
                break;
            case 4:
                row[size_t(x) / 2] = char(row[size_t(x) / 2] | (v & 15) << (x % 2 ? 0 : 4));
                break;
            case 8:
                row[size_t(x)] = char(v);
                break;
            case 24:
                std::memcpy(&row[size_t(x) * 3], &v, 3);
                break;
            case 32:
                std::memcpy(&row[size_t(x) * 4], &v, 4);
                break;
            default:
                break; // depths we do not decode stay zero
            }
        }
        out += row;
    }
    const size_t maskBytes = (size_t(width) + 31) / 32 * 4;
    out += std::string(maskBytes * size_t(height), '\0');
    return out;
}

// Directory header and entries, then the images in order.
std::string IconFile(const std::vector<std::string>& images, const std::vector<std::pair<int, int>>& sizes)
{
    ByteWriter w(false);
    w.u16(0).u16(1).u16(unsigned(images.size()));
    uint32_t offset = uint32_t(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        w.u8(unsigned(sizes[i].first)).u8(unsigned(sizes[i].second)).zeros(2).u16(1).u16(32);
        w.u32(uint32_t(images[i].size())).u32(offset);
        offset += uint32_t(images[i].size());
    }
    for (const std::string& image : images)
        w.bytes(image);
    return w.s;
}

std::vector<uint32_t> Noise(int count, unsigned seed, uint32_t mask = 0xFFFFFFFF)
{
    std::vector<uint32_t> v(static_cast<size_t>(count));
    for (uint32_t& p : v) {
        seed = seed * 1103515245u + 12345u;
        p = (seed ^ seed >> 15) & mask;
    }
    return v;
}

class IcoTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        if (!HasProgram("ppmtowinicon") || !HasProgram("pamtowinicon") || !HasProgram(ImageMagick()))
            GTEST_SKIP() << "netpbm or ImageMagick not installed";
        CWinBmp picture;
        MakeTestPicture(picture, 32, 32);
        WriteFile(m_ppm, ToPpm(picture));
    }

    std::string Make(const std::string& command, const std::string& name)
    {
        EXPECT_EQ(RunWith(command, m_ppm, m_dir.File(name)), 0) << command;
        return m_dir.File(name);
    }

    TempDir m_dir;
    std::string m_ppm = m_dir.File("in.ppm");
};

TEST_F(IcoTest, IconsWrittenByNetpbmAndImageMagickReadAsImageMagickReadsThem)
{
    const std::string im = ImageMagick();
    const struct {
        std::string command;
        const char* name;
        int depth; // 0: PNG-compressed
    } cases[] = {
        {"pnmquant 2 {in} | ppmtowinicon >{out}", "one.ico", 1},
        {"pnmquant 16 {in} | ppmtowinicon >{out}", "four.ico", 4},
        {"pnmquant 200 {in} | ppmtowinicon >{out}", "eight.ico", 8},
        {"pamtowinicon {in} >{out}", "truecolour.ico", 32},
        {im + " {in} -alpha set -channel A -fx 'i/w' +channel -define icon:auto-resize=32,16 {out}",
         "alpha.ico", 32},
        {im + " {in} -define icon:auto-resize=256,48,16 {out}", "png.ico", 0},
        {"pamtowinicon -pngthreshold 16 {in} >{out}", "netpbm-png.ico", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = Make(c.command, c.name);
        Pixels expected = ReadWithImageMagick(path);
        ASSERT_FALSE(expected.data.empty());
        Decoded ours = Decode(ReadFile(path));
        if (c.depth != 0) {
            EXPECT_EQ(ours.sourceDepth, c.depth);
        }
        // The AND mask is not read: ImageMagick's alpha from it is all opaque here.
        EXPECT_EQ(ours.pixels, c.depth == 32 || c.depth == 0 ? expected : Opaque(expected));
        EXPECT_EQ(DecodeWithVelkor(path), ours.pixels);
    }
    EXPECT_TRUE(Decode(ReadFile(m_dir.File("alpha.ico"))).alpha);
}

TEST_F(IcoTest, HandBuiltIconsOfEveryDepthAndOddWidths)
{
    std::set<int> depths;
    for (int bitCount : {1, 4, 8, 24, 32}) {
        for (int width : {1, 5, 13, 33}) {
            SCOPED_TRACE(std::to_string(bitCount) + " bits, width " + std::to_string(width));
            const int height = 7;
            std::vector<uint32_t> palette;
            uint32_t mask = 0xFFFFFFFF;
            if (bitCount <= 8) {
                palette = Noise(1 << bitCount, 99, 0xFFFFFF);
                mask = (1u << bitCount) - 1;
            } else if (bitCount == 24) {
                mask = 0xFFFFFF;
            }
            std::vector<uint32_t> pixels = Noise(width * height, unsigned(width * 31 + bitCount), mask);
            std::string file =
                IconFile({IconImage(width, height, bitCount, pixels, palette)}, {{width, height}});
            std::string path = m_dir.File("hand.ico");
            WriteFile(path, file);
            Decoded ours = Decode(file);
            depths.insert(ours.sourceDepth);
            ASSERT_EQ(ours.pixels.width, width);
            ASSERT_EQ(ours.pixels.height, height);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    uint32_t v = pixels[size_t(y * width + x)];
                    uint32_t want = bitCount <= 8    ? palette[v] | 0xFF000000u
                                    : bitCount == 24 ? v | 0xFF000000u
                                                     : v;
                    ASSERT_EQ(ours.pixels.At(x, y), want) << x << "," << y;
                }
            if (bitCount != 32) {
                EXPECT_EQ(ours.pixels, Opaque(ReadWithImageMagick(path)));
            }
        }
    }
    EXPECT_EQ(depths, (std::set<int>{1, 4, 8, 24, 32}));

    // Of two images, the one stored right after the directory is decoded.
    std::vector<uint32_t> a = Noise(16, 1, 0xFFFFFF), b = Noise(64, 2, 0xFFFFFF);
    std::string two = IconFile({IconImage(4, 4, 24, a), IconImage(8, 8, 24, b)}, {{4, 4}, {8, 8}});
    EXPECT_EQ(Decode(two).pixels.width, 4);
}

TEST_F(IcoTest, DamagedIconsFailCleanly)
{
    std::vector<uint32_t> palette = Noise(16, 5, 0xFFFFFF);
    std::string good = IconFile({IconImage(9, 6, 4, Noise(54, 3, 15), palette)}, {{9, 6}});
    ASSERT_EQ(DecodeError(good), 0);
    // Cut anywhere before the end of the colour rows; the mask is not needed.
    const size_t colourEnd = 6 + 16 + 40 + 64 + 6 * 8;
    for (size_t keep = 0; keep < colourEnd; keep += 7)
        EXPECT_EQ(DecodeError(good.substr(0, keep)), ErrEndOfFile) << keep;
    EXPECT_EQ(DecodeError(good.substr(0, colourEnd)), 0);
    // Every header byte flipped: decoded or refused with one of the codes.
    for (size_t i = 0; i < 6 + 16 + 40; ++i) {
        std::string damaged = good;
        damaged[i] = char(damaged[i] ^ 0xFF);
        int code = DecodeError(damaged);
        EXPECT_TRUE(code == 0 || code == ErrEndOfFile || code == ErrBadFormat || code == ErrUnsupported ||
                    code == ErrNoMemory)
            << i << " " << code;
    }

    const std::vector<uint32_t> one(64, 0);
    EXPECT_EQ(DecodeError(IconFile({IconImage(8, 8, 16, one)}, {{8, 8}})), ErrUnsupported);
    EXPECT_EQ(DecodeError(IconFile({IconImage(8, 8, 2, one)}, {{8, 8}})), ErrUnsupported);
    EXPECT_EQ(DecodeError(IconFile({IconImage(8, 8, 8, one, {}, 108)}, {{8, 8}})), ErrBadFormat);

    // Sizes far beyond the file are refused before allocating.
    std::string huge = IconFile({IconImage(8, 8, 32, one)}, {{8, 8}});
    huge.replace(6 + 16 + 4, 8, std::string("\x00\x00\x01\x00\x00\x00\x02\x00", 8)); // 65536 x 65536
    EXPECT_EQ(DecodeError(huge), ErrNoMemory);
    huge.replace(6 + 16 + 4, 8, std::string("\xFF\xFF\xFF\xFF\x10\x00\x00\x00", 8)); // negative width
    EXPECT_EQ(DecodeError(huge), ErrBadFormat);
    // A directory count running past the file.
    std::string count = good;
    count[4] = char(0xFF);
    EXPECT_EQ(DecodeError(count), ErrEndOfFile);
    // A palette count far beyond the file.
    std::string colours = good;
    colours[6 + 16 + 32] = char(0xFF);
    colours[6 + 16 + 35] = char(0x7F);
    EXPECT_EQ(DecodeError(colours), ErrEndOfFile);

    // A damaged PNG image inside an icon gives the PNG decoder's errors, or
    // when cut inside its pixels, the rows before the cut.
    std::string png = ReadFile(Make(ImageMagick() + " {in} -define icon:auto-resize=256 {out}", "png.ico"));
    for (size_t keep : {size_t(30), size_t(60)}) {
        int code = DecodeError(png.substr(0, keep));
        EXPECT_TRUE(code == ErrEndOfFile || code == ErrBadFormat) << keep << " " << code;
    }
    const int code = DecodeError(png.substr(0, png.size() / 2));
    EXPECT_TRUE(code == 0 || code == ErrEndOfFile || code == ErrBadFormat) << code;
}

// Files the fuzzer found; each must end in a clean error.
TEST(IcoMalformed, FuzzerFindsFailCleanly)
{
    for (auto [name, code] :
         {std::pair{"huge-height-timeout.ico", ErrEndOfFile}, {"zero-width-timeout.ico", ErrBadFormat}}) {
        const std::string bytes = ReadFile(std::string(VELKOR_TEST_DATA) + "/ico/malformed/" + name);
        ASSERT_FALSE(bytes.empty()) << name;
        EXPECT_EQ(DecodeError(bytes), code) << name;
    }
}

} // namespace
