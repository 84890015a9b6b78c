// GIF decoding: files from ImageMagick and netpbm must give their pixels;
// hand-built streams pin the LZW rules; damaged files fail cleanly.
#include "TestSupport.h"
#include "picture/GIFDecoder.h"
#include "picture/anydec.h"
#include "picture/except.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace vktest;

namespace {

// Binary PPM of a bitmap, for the peers to convert.
std::string ToPpm(const CBmp& bmp)
{
    Pixels p = FromBitmap(bmp);
    std::string out = "P6\n" + std::to_string(p.width) + " " + std::to_string(p.height) + "\n255\n";
    for (uint32_t v : p.data) {
        out += char((v >> 16) & 0xFF);
        out += char((v >> 8) & 0xFF);
        out += char(v & 0xFF);
    }
    return out;
}

Pixels DecodeBytes(const std::string& bytes, int wantedDepth = 32, CWinBmp* keep = nullptr)
{
    CGIFDecoder decoder;
    CWinBmp local;
    CWinBmp& bmp = keep ? *keep : local;
    CMemSource source(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    decoder.Decode(source, bmp, wantedDepth);
    return FromBitmap(bmp);
}

// Runs the decoder and returns the error code, 0 on success.
int DecodeError(const std::string& bytes)
{
    try {
        DecodeBytes(bytes);
    } catch (const CTextException& e) {
        return e.GetCode();
    }
    return 0;
}

// Captures what the decoder would show in message boxes.
class WarningLog {
public:
    WarningLog() { SetWarningCallback([this](const std::string& t) { texts.push_back(t); }); }
    ~WarningLog() { SetWarningCallback(nullptr); }
    std::vector<std::string> texts;
};

void Put16(std::string& s, int v)
{
    s += char(v & 0xFF);
    s += char((v >> 8) & 0xFF);
}

struct Rgb {
    uint8_t r, g, b;
};

std::string Table(const std::vector<Rgb>& colors)
{
    std::string s;
    for (const Rgb& c : colors) {
        s += char(c.r);
        s += char(c.g);
        s += char(c.b);
    }
    return s;
}

// A GIF built piece by piece. Image data is coded with literal codes only,
// so each code is one pixel; the code width follows the decoder's table
// growth exactly as a real encoder's would.
class GifBuilder {
public:
    // tableBits 1..8; no global table when colors is empty.
    GifBuilder(int width, int height, int tableBits, const std::vector<Rgb>& colors)
    {
        bytes = "GIF89a";
        Put16(bytes, width);
        Put16(bytes, height);
        bytes += char((colors.empty() ? 0 : 0x80) | 0x70 | (tableBits - 1));
        bytes += '\0';
        bytes += '\0';
        if (!colors.empty()) {
            std::vector<Rgb> padded = colors;
            padded.resize(size_t(1) << tableBits, Rgb{0, 0, 0});
            bytes += Table(padded);
        }
    }

    GifBuilder& Transparent(int index)
    {
        bytes += "\x21\xF9\x04";
        bytes += char(0x01);
        Put16(bytes, 10);
        bytes += char(index);
        bytes += '\0';
        return *this;
    }

    GifBuilder& Comment(const std::string& text)
    {
        bytes += "\x21\xFE";
        bytes += char(text.size());
        bytes += text;
        bytes += '\0';
        return *this;
    }

    // Indices in stored order (interlace order when interlaced).
    GifBuilder& Image(int width, int height, const std::vector<uint8_t>& indices, int codeSize,
                      bool interlaced = false, const std::vector<Rgb>& local = {}, int localBits = 0,
                      bool clearWhenFull = true, bool endCode = true)
    {
        bytes += ',';
        Put16(bytes, 0);
        Put16(bytes, 0);
        Put16(bytes, width);
        Put16(bytes, height);
        uint8_t flags = interlaced ? 0x40 : 0;
        if (!local.empty())
            flags |= uint8_t(0x80 | (localBits - 1));
        bytes += char(flags);
        if (!local.empty()) {
            std::vector<Rgb> padded = local;
            padded.resize(size_t(1) << localBits, Rgb{0, 0, 0});
            bytes += Table(padded);
        }
        bytes += char(codeSize);
        bytes += Blocks(Pack(LiteralCodes(indices, codeSize, clearWhenFull, endCode)));
        return *this;
    }

    std::string Done() { return bytes + ";"; }

    // Packs codes (value, width) least significant bit first.
    static std::string Pack(const std::vector<std::pair<int, int>>& codes)
    {
        std::string out;
        uint32_t acc = 0;
        int n = 0;
        for (auto [code, width] : codes) {
            acc |= uint32_t(code) << n;
            n += width;
            while (n >= 8) {
                out += char(acc & 0xFF);
                acc >>= 8;
                n -= 8;
            }
        }
        if (n > 0)
            out += char(acc & 0xFF);
        return out;
    }

    static std::string Blocks(const std::string& data, size_t blockSize = 255)
    {
        std::string out;
        for (size_t i = 0; i < data.size(); i += blockSize) {
            size_t n = std::min(blockSize, data.size() - i);
            out += char(n);
            out += data.substr(i, n);
        }
        return out + '\0';
    }

    static std::vector<std::pair<int, int>> LiteralCodes(const std::vector<uint8_t>& indices, int c,
                                                        bool clearWhenFull, bool endCode)
    {
        const int clear = 1 << c;
        std::vector<std::pair<int, int>> codes;
        int width = c + 1;
        int nextFree = clear + 2;
        int limit = 2 * clear;
        bool first = true;
        codes.push_back({clear, width});
        for (uint8_t index : indices) {
            if (clearWhenFull && !first && nextFree + 1 >= limit) {
                // The next entry would widen the codes: start over instead.
                codes.push_back({clear, width});
                width = c + 1;
                nextFree = clear + 2;
                limit = 2 * clear;
                first = true;
            }
            codes.push_back({index, width});
            if (!first && nextFree < 4096) {
                ++nextFree;
                if (nextFree >= limit && limit < 4096) {
                    limit *= 2;
                    ++width;
                }
            }
            first = false;
        }
        if (endCode)
            codes.push_back({clear + 1, width});
        return codes;
    }

    std::string bytes;
};

std::vector<Rgb> Ramp(int n)
{
    std::vector<Rgb> colors;
    for (int i = 0; i < n; ++i)
        colors.push_back(Rgb{uint8_t(i * 255 / std::max(1, n - 1)), uint8_t(255 - i * 7), uint8_t(i * 13)});
    return colors;
}

Pixels Expected(int width, int height, const std::vector<uint8_t>& rowMajor, const std::vector<Rgb>& colors)
{
    Pixels p;
    p.width = width;
    p.height = height;
    for (uint8_t i : rowMajor)
        p.data.push_back(i < colors.size() ? MakePixel(colors[i].r, colors[i].g, colors[i].b) : MakePixel(0, 0, 0));
    return p;
}

// Row-major indices reordered into the four interlace passes.
std::vector<uint8_t> Interlace(const std::vector<uint8_t>& rowMajor, int width, int height)
{
    std::vector<uint8_t> out;
    const int start[4] = {0, 4, 2, 1};
    const int step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = start[pass]; y < height; y += step[pass])
            out.insert(out.end(), rowMajor.begin() + y * width, rowMajor.begin() + (y + 1) * width);
    return out;
}

std::vector<uint8_t> Pattern(int width, int height, int colors, int seed = 0)
{
    std::vector<uint8_t> v;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            v.push_back(uint8_t((x * 3 + y * 5 + seed + (x * y) % 7) % colors));
    return v;
}

// Our pixels against ImageMagick's and giftopnm's for the same file.
void ExpectPeersAgree(const std::string& path, const std::string& what, int frame = 0)
{
    Pixels ours = DecodeWithVelkor(path);
    Pixels magick = ReadWithImageMagick(path, frame);
    ASSERT_FALSE(magick.data.empty()) << what;
    EXPECT_TRUE(ours == Opaque(magick)) << what << ": differs from ImageMagick";
    if (HasProgram("giftopnm")) {
        Pixels netpbm = ReadWithNetpbm("giftopnm --image=" + std::to_string(frame + 1) + " " + Quote(path));
        ASSERT_FALSE(netpbm.data.empty()) << what;
        EXPECT_TRUE(ours == netpbm) << what << ": differs from giftopnm";
    }
}

} // namespace

TEST(GifPeers, FilesWrittenByImageMagickAndNetpbm)
{
    TempDir dir;
    struct Size {
        int w, h;
    };
    for (Size s : {Size{1, 1}, Size{3, 3}, Size{17, 5}, Size{160, 97}, Size{301, 203}}) {
        CWinBmp bmp;
        MakeTestPicture(bmp, s.w, s.h, unsigned(s.w));
        const std::string ppm = dir.File("in.ppm");
        WriteFile(ppm, ToPpm(bmp));
        const std::string tag = std::to_string(s.w) + "x" + std::to_string(s.h);
        struct Variant {
            std::string name, command;
        };
        const std::string out = dir.File("out.gif");
        std::vector<Variant> variants = {
            {"magick", ImageMagick() + " " + Quote(ppm) + " " + Quote(out)},
            {"magick interlaced", ImageMagick() + " " + Quote(ppm) + " -interlace GIF " + Quote(out)},
            {"magick 2 colours", ImageMagick() + " " + Quote(ppm) + " -colors 2 " + Quote(out)},
            {"magick gray 16", ImageMagick() + " " + Quote(ppm) + " -colorspace gray -colors 16 " + Quote(out)},
        };
        if (HasProgram("pamtogif") && HasProgram("pnmquant")) {
            variants.push_back({"pamtogif", "pnmquant 256 " + Quote(ppm) + " 2>/dev/null | pamtogif > " + Quote(out)});
            variants.push_back({"pamtogif interlaced",
                                "pnmquant 200 " + Quote(ppm) + " 2>/dev/null | pamtogif -interlace > " + Quote(out)});
            variants.push_back({"ppmtogif 5 colours", "pnmquant 5 " + Quote(ppm) + " 2>/dev/null | ppmtogif > " + Quote(out)});
        }
        for (const Variant& v : variants) {
            ASSERT_EQ(vktest::Run(v.command + " 2>/dev/null"), 0) << v.command;
            ExpectPeersAgree(out, v.name + " " + tag);
        }
    }
}

TEST(GifPeers, MultiImageFileKeepsLastImage)
{
    TempDir dir;
    const std::string path = dir.File("multi.gif");
    ASSERT_EQ(vktest::Run(ImageMagick() + " -size 20x15 xc:red -size 15x7 gradient:blue-yellow -size 9x13 plasma:fractal " +
                  "-seed 4 " + Quote(path) + " 2>/dev/null"),
              0);
    CAnyPicDecoder decoder;
    CWinBmp bmp;
    decoder.DecodeFile(path, bmp, 32);
    EXPECT_EQ(bmp.GetWidth(), 9);
    EXPECT_EQ(bmp.GetHeight(), 13);
    ExpectPeersAgree(path, "third frame", 2);
}

TEST(GifPeers, TransparencyIsReadButNotApplied)
{
    TempDir dir;
    CWinBmp bmp;
    MakeTestPicture(bmp, 40, 30, 3);
    const std::string ppm = dir.File("in.ppm");
    WriteFile(ppm, ToPpm(bmp));
    const std::string path = dir.File("transparent.gif");
    ASSERT_EQ(vktest::Run(ImageMagick() + " " + Quote(ppm) + " -colors 64 -transparent " +
                  Quote("#" + std::string("000000")) + " -fill black -opaque black " + Quote(path) + " 2>/dev/null"),
              0);
    // Made with a hand-built file too, where the transparent colour is known.
    std::vector<Rgb> colors = Ramp(4);
    std::vector<uint8_t> idx = Pattern(6, 4, 4);
    std::string bytes = GifBuilder(6, 4, 2, colors).Transparent(1).Image(6, 4, idx, 2).Done();
    Pixels ours = DecodeBytes(bytes);
    EXPECT_EQ(ours, Expected(6, 4, idx, colors)); // every alpha 255
    const std::string built = dir.File("built.gif");
    WriteFile(built, bytes);
    EXPECT_EQ(ours, Opaque(ReadWithImageMagick(built)));
    EXPECT_EQ(ours, ReadWithNetpbm("giftopnm " + Quote(built)));
    Pixels fromMagick = DecodeWithVelkor(path);
    for (uint32_t v : fromMagick.data)
        EXPECT_EQ(v >> 24, 255u);
}

// Hand-built streams; each is also read by the peers so the builder
// itself is checked.
TEST(GifStreams, LiteralStreamsMatchPeers)
{
    TempDir dir;
    struct Case {
        std::string name;
        std::string bytes;
        Pixels expected;
        int frame = 0; // the image the peers are asked for
    };
    std::vector<Case> cases;
    {
        // Interlaced, 3 rows: passes 1, 3 and 4 give rows 0, 2, 1.
        std::vector<Rgb> colors = Ramp(4);
        std::vector<uint8_t> idx = {0, 1, 2, 3, 1, 1, 3, 2, 2, 2, 2, 0};
        cases.push_back({"interlaced 3 rows",
                         GifBuilder(4, 3, 2, colors).Image(4, 3, Interlace(idx, 4, 3), 2, true).Done(),
                         Expected(4, 3, idx, colors)});
    }
    {
        // Interlaced, 11 rows: every pass present.
        std::vector<Rgb> colors = Ramp(16);
        std::vector<uint8_t> idx = Pattern(7, 11, 16);
        cases.push_back({"interlaced 11 rows",
                         GifBuilder(7, 11, 4, colors).Image(7, 11, Interlace(idx, 7, 11), 4, true).Done(),
                         Expected(7, 11, idx, colors)});
    }
    {
        // Never cleared: code width grows from 9 to 12 bits and stays.
        std::vector<Rgb> colors = Ramp(256);
        std::vector<uint8_t> idx = Pattern(100, 60, 256, 1);
        cases.push_back({"deferred clear",
                         GifBuilder(100, 60, 8, colors).Image(100, 60, idx, 8, false, {}, 0, false).Done(),
                         Expected(100, 60, idx, colors)});
    }
    {
        // Three images: local table, then the global one, then local again.
        std::vector<Rgb> global = Ramp(4);
        std::vector<Rgb> local = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {100, 110, 120}, {1, 2, 3}};
        std::vector<uint8_t> a = Pattern(8, 4, 8), b = Pattern(5, 3, 4, 2), c = Pattern(6, 6, 5, 3);
        std::string twoLocal = GifBuilder(8, 6, 2, global)
                                   .Image(8, 4, a, 3, false, local, 3)
                                   .Comment("between")
                                   .Image(5, 3, b, 2)
                                   .Image(6, 6, c, 3, false, local, 3)
                                   .Done();
        cases.push_back({"local, global, local", twoLocal, Expected(6, 6, c, local), 2});
        std::string localThenGlobal =
            GifBuilder(8, 6, 2, global).Image(8, 4, a, 3, false, local, 3).Image(5, 3, b, 2).Done();
        cases.push_back({"local then global", localThenGlobal, Expected(5, 3, b, global), 1});
    }
    {
        // Short global table: indices past it are black.
        std::vector<Rgb> colors = Ramp(3);
        std::vector<uint8_t> idx = Pattern(5, 5, 4);
        cases.push_back({"index past table", GifBuilder(5, 5, 2, colors).Image(5, 5, idx, 2).Done(),
                         Expected(5, 5, idx, colors)});
    }
    for (const Case& c : cases) {
        EXPECT_EQ(DecodeBytes(c.bytes), c.expected) << c.name;
        const std::string path = dir.File("case.gif");
        WriteFile(path, c.bytes);
        ExpectPeersAgree(path, c.name, c.frame);
    }
}

TEST(GifStreams, DepthsPalettesAndMissingTables)
{
    std::vector<uint8_t> idx = Pattern(9, 4, 16);
    // No colour table at all: the gray ramp, index i is (i, i, i).
    std::string noTable = GifBuilder(9, 4, 4, {}).Image(9, 4, idx, 4).Done();
    Pixels gray = DecodeBytes(noTable);
    for (int i = 0; i < 36; ++i)
        EXPECT_EQ(gray.data[size_t(i)], MakePixel(idx[size_t(i)], idx[size_t(i)], idx[size_t(i)]));

    // An 8-bit destination gets the indices and the file's table.
    std::vector<Rgb> colors = Ramp(16);
    std::string withTable = GifBuilder(9, 4, 4, colors).Image(9, 4, idx, 4).Done();
    CWinBmp bmp;
    Pixels viaPalette = DecodeBytes(withTable, 0, &bmp);
    EXPECT_EQ(bmp.GetBitsPerPixel(), 8);
    EXPECT_EQ(bmp.GetSourceBitsPerPixel(), 4);
    EXPECT_EQ(bmp.GetLine(1)[2], idx[9 + 2]);
    EXPECT_EQ(viaPalette, DecodeBytes(withTable, 32));
    EXPECT_EQ(viaPalette, Expected(9, 4, idx, colors));
}

TEST(GifStreams, DamagedStreamsAreRefusedOrCutCleanly)
{
    std::vector<Rgb> colors = Ramp(4);
    std::vector<uint8_t> idx = Pattern(6, 5, 4);
    auto withCodes = [&](const std::vector<std::pair<int, int>>& codes, int codeSize = 2) {
        std::string s = GifBuilder(6, 5, 2, colors).bytes;
        s += ',';
        Put16(s, 0);
        Put16(s, 0);
        Put16(s, 6);
        Put16(s, 5);
        s += '\0';
        s += char(codeSize);
        return s + GifBuilder::Blocks(GifBuilder::Pack(codes)) + ";";
    };
    // Code 7 when the next free slot is 6.
    EXPECT_EQ(DecodeError(withCodes({{4, 3}, {1, 3}, {7, 3}})), ErrBadFormat);
    // A first code that is not a pixel.
    EXPECT_EQ(DecodeError(withCodes({{4, 3}, {6, 3}})), ErrBadFormat);
    // More pixels than the image holds.
    std::vector<uint8_t> tooMany = idx;
    tooMany.insert(tooMany.end(), {1, 2, 3});
    std::string extra = GifBuilder(6, 5, 2, colors).Image(6, 5, tooMany, 2).Done();
    try {
        DecodeBytes(extra);
        FAIL() << "extra pixels accepted";
    } catch (const CTextException& e) {
        EXPECT_EQ(e.GetCode(), ErrBadFormat);
        EXPECT_EQ(e.GetText(), "Decoder error: Unknow format.\n");
    }
    // Initial code size 12 does not fit the tables.
    EXPECT_EQ(DecodeError(withCodes(GifBuilder::LiteralCodes(idx, 12, true, true), 12)), ErrBadFormat);
    // 11 is the largest that fits; its literals past the table are black.
    Pixels p11 = DecodeBytes(withCodes(GifBuilder::LiteralCodes(idx, 11, true, true), 11));
    EXPECT_EQ(p11, Expected(6, 5, idx, colors));
    // No trailer.
    std::string noTrailer = GifBuilder(6, 5, 2, colors).Image(6, 5, idx, 2).bytes;
    EXPECT_EQ(DecodeError(noTrailer), ErrEndOfFile);

    // Data that stops after two rows: a warning, and the rest is black.
    {
        WarningLog log;
        std::vector<uint8_t> part(idx.begin(), idx.begin() + 14);
        std::string cut = GifBuilder(6, 5, 2, colors).Image(6, 5, part, 2, false, {}, 0, true, false).Done();
        Pixels p = DecodeBytes(cut);
        ASSERT_EQ(log.texts.size(), 1u);
        EXPECT_EQ(log.texts[0], "ran off the end of my bits");
        for (int i = 0; i < 30; ++i)
            EXPECT_EQ(p.data[size_t(i)], i < 14 ? Expected(6, 5, idx, colors).data[size_t(i)] : MakePixel(0, 0, 0)) << i;
    }
    // An end code before the last pixel: no warning, the rest black.
    {
        WarningLog log;
        std::vector<uint8_t> part(idx.begin(), idx.begin() + 20);
        std::string early = GifBuilder(6, 5, 2, colors).Image(6, 5, part, 2).Done();
        Pixels p = DecodeBytes(early);
        EXPECT_TRUE(log.texts.empty());
        EXPECT_EQ(p.data[29], MakePixel(0, 0, 0));
        EXPECT_EQ(p.data[19], Expected(6, 5, idx, colors).data[19]);
    }
    // Blocks of one byte: codes spanning three blocks.
    {
        std::vector<Rgb> many = Ramp(256);
        std::vector<uint8_t> wide = Pattern(40, 30, 256, 5);
        std::string s = GifBuilder(40, 30, 8, many).bytes;
        s += ',';
        Put16(s, 0);
        Put16(s, 0);
        Put16(s, 40);
        Put16(s, 30);
        s += '\0';
        s += char(8);
        s += GifBuilder::Blocks(GifBuilder::Pack(GifBuilder::LiteralCodes(wide, 8, false, true)), 1) + ";";
        EXPECT_EQ(DecodeBytes(s), Expected(40, 30, wide, many));
    }
}

TEST(GifDamage, TruncatedFlippedAndHugeFilesFailCleanly)
{
    std::vector<Rgb> colors = Ramp(16);
    std::vector<uint8_t> idx = Pattern(23, 17, 16);
    const std::string good =
        GifBuilder(23, 17, 4, colors).Transparent(3).Image(23, 17, Interlace(idx, 23, 17), 4, true).Done();
    ASSERT_EQ(DecodeError(good), 0);
    // Every truncation ends in the end-of-file error: the trailer is required.
    for (size_t n = 0; n < good.size(); ++n) {
        std::string cut = good.substr(0, n);
        EXPECT_EQ(DecodeError(cut), ErrEndOfFile) << "cut at " << n;
    }
    // Flipped bytes anywhere: success or a CTextException, never a crash.
    for (size_t i = 6; i < good.size(); ++i) {
        for (uint8_t mask : {0x01, 0x80, 0xFF}) {
            std::string bad = good;
            bad[i] = char(bad[i] ^ mask);
            int code = DecodeError(bad);
            EXPECT_TRUE(code == 0 || code == ErrEndOfFile || code == ErrBadFormat || code == ErrNoMemory)
                << "byte " << i << " code " << code;
        }
    }
    // An image claiming 65535 x 65535 pixels is refused before allocation.
    std::string huge = GifBuilder(4, 4, 2, Ramp(4)).bytes;
    huge += ',';
    Put16(huge, 0);
    Put16(huge, 0);
    Put16(huge, 65535);
    Put16(huge, 65535);
    huge += std::string("\0\2\0;", 4);
    EXPECT_EQ(DecodeError(huge), ErrNoMemory);
}

TEST(GifDamage, MalformedRegressionFiles)
{
    const std::string dir = std::string(VELKOR_TEST_DATA) + "/gif/malformed";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        if (entry.path().extension() == ".md")
            continue;
        int code = DecodeError(ReadFile(entry.path().string()));
        EXPECT_TRUE(code == 0 || code == ErrEndOfFile || code == ErrBadFormat || code == ErrNoMemory)
            << entry.path() << " code " << code;
    }
}
