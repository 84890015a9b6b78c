// EXIF orientation: the tag read from JPEG, TIFF and PNG bytes with bounded
// reads, hostile blocks ignored, and pictures turned at both depths.
#include "TestSupport.h"
#include "engine/picture/Orientation.h"

#include <gtest/gtest.h>

using namespace vktest;

namespace {

const uint8_t* Data(const std::string& s)
{
    return reinterpret_cast<const uint8_t*>(s.data());
}

// A TIFF-laid-out block holding one directory whose entries are given.
struct Entry {
    unsigned tag, type;
    uint32_t count, value;
};
std::string TiffBlock(bool big, std::initializer_list<Entry> entries, uint32_t ifdOffset = 8)
{
    ByteWriter w(big);
    w.bytes(big ? "MM" : "II").u16(42).u32(ifdOffset);
    w.u16(unsigned(entries.size()));
    for (const Entry& e : entries) {
        w.u16(e.tag).u16(e.type).u32(e.count);
        // A SHORT value sits in the first two bytes of the value field.
        if (e.type == 3)
            w.u16(e.value).u16(0);
        else
            w.u32(e.value);
    }
    w.u32(0); // no next directory
    return w.s;
}

std::string JpegWithSegments(const std::string& segments)
{
    // SOI, the segments, then a start of scan: what follows is never read.
    return ByteString({0xFF, 0xD8}) + segments + ByteString({0xFF, 0xDA, 0x00, 0x02, 0x12, 0x34});
}

std::string Segment(int marker, const std::string& payload)
{
    return ByteString({0xFF, marker}) + Be16(unsigned(payload.size() + 2)) + payload;
}

std::string ExifSegment(const std::string& tiff)
{
    return Segment(0xE1, std::string("Exif\0\0", 6) + tiff);
}

std::string PngWithChunk(const std::string& type, const std::string& data)
{
    std::string s("\x89PNG\r\n\x1a\n", 8);
    auto chunk = [&s](const std::string& t, const std::string& d) {
        s += Be32(uint32_t(d.size())) + t + d + Be32(0);
    };
    chunk("IHDR", std::string(13, '\0'));
    chunk(type, data);
    chunk("IEND", "");
    return s;
}

} // namespace

TEST(ExifOrientation, TiffBlocksInEitherByteOrderGiveTheirTag)
{
    for (bool big : {false, true}) {
        for (unsigned value = 1; value <= 8; ++value) {
            std::string block =
                TiffBlock(big, {{0x0100, 3, 1, 64}, {0x0112, 3, 1, value}, {0x0131, 2, 4, 0}});
            EXPECT_EQ(ReadTiffOrientation(Data(block), block.size()), int(value)) << big << " " << value;
        }
    }
}

TEST(ExifOrientation, HostileOrDamagedTiffBlocksGiveUpright)
{
    struct Case {
        const char* what;
        std::string block;
    };
    std::string good = TiffBlock(false, {{0x0112, 3, 1, 6}});
    std::string badMagic = good;
    badMagic[2] = 43;
    std::string farDirectory = good;
    farDirectory.replace(4, 4, Le32(0xFFFFFFF0u)); // offset + 2 would wrap in 32 bits
    // Claims entries far beyond the block; the one it holds is another tag.
    std::string manyEntries = TiffBlock(false, {{0x0100, 3, 1, 64}});
    manyEntries.replace(8, 2, Le16(0xFFFF));
    const Case cases[] = {
        {"value 0", TiffBlock(false, {{0x0112, 3, 1, 0}})},
        {"value 9", TiffBlock(true, {{0x0112, 3, 1, 9}})},
        {"value 0xFFFF", TiffBlock(false, {{0x0112, 3, 1, 0xFFFF}})},
        {"LONG type", TiffBlock(false, {{0x0112, 4, 1, 6}})},
        {"two values", TiffBlock(false, {{0x0112, 3, 2, 6}})},
        {"zero values", TiffBlock(false, {{0x0112, 3, 0, 6}})},
        {"bad magic", badMagic},
        {"directory beyond the block", farDirectory},
        {"entry count beyond the block", manyEntries},
        {"not TIFF at all", std::string("XX*\0\x08\0\0\0", 8)},
        {"empty", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadTiffOrientation(Data(c.block), c.block.size()), 1) << c.what;
    EXPECT_EQ(ReadTiffOrientation(nullptr, 100), 1);
    // Every cut of a good block: the tag or nothing, never a read past the cut
    // (the sanitizer build checks that).
    for (size_t n = 0; n < good.size(); ++n) {
        std::string cut = good.substr(0, n);
        int got = ReadTiffOrientation(Data(cut), cut.size());
        EXPECT_TRUE(got == 1 || (got == 6 && n >= 8 + 2 + 12)) << n;
    }
    // Pages along the next-directory chain: one that points back to itself
    // gives its own tag at every page; past the end of a chain, upright.
    std::string looped = good;
    looped.replace(8 + 2 + 12, 4, Le32(8));
    EXPECT_EQ(ReadTiffOrientation(Data(looped), looped.size(), 3), 6);
    EXPECT_EQ(ReadTiffOrientation(Data(looped), looped.size(), kMaxTiffPages), 6);
    EXPECT_EQ(ReadTiffOrientation(Data(looped), looped.size(), kMaxTiffPages + 1), 1);
    EXPECT_EQ(ReadTiffOrientation(Data(good), good.size(), 1), 1);
    EXPECT_EQ(ReadTiffOrientation(Data(good), good.size(), -1), 1);
}

TEST(ExifOrientation, JpegSegmentsAreWalkedWithinTheirLengths)
{
    const std::string exif6 = ExifSegment(TiffBlock(true, {{0x0112, 3, 1, 6}}));
    const std::string xmp = Segment(0xE1, "http://ns.adobe.com/xap/1.0/\0<x/>");
    const std::string jfif = Segment(0xE0, std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14));
    EXPECT_EQ(ReadJpegOrientation(Data(JpegWithSegments(exif6)), JpegWithSegments(exif6).size()), 6);
    // Behind a JFIF segment, an XMP segment and fill bytes.
    std::string later = JpegWithSegments(jfif + xmp + ByteString({0xFF, 0xFF}) + exif6);
    EXPECT_EQ(ReadJpegOrientation(Data(later), later.size()), 6);

    struct Case {
        const char* what;
        std::string file;
    };
    std::string longSegment = exif6;
    longSegment.replace(2, 2, Be16(0xFFFF)); // runs past the end of the file
    std::string shortSegment = exif6;
    shortSegment.replace(2, 2, Be16(1)); // shorter than its own length field
    std::string innerLie = ExifSegment(TiffBlock(true, {{0x0112, 3, 1, 6}}, 0x7FFFFFFF));
    const Case cases[] = {
        {"no EXIF", JpegWithSegments(jfif + xmp)},
        {"EXIF after the scan", JpegWithSegments("") + exif6},
        {"segment longer than the file", JpegWithSegments(longSegment)},
        {"segment length below 2", JpegWithSegments(shortSegment)},
        {"directory offset beyond the segment", JpegWithSegments(innerLie)},
        {"Exif header cut short", JpegWithSegments(Segment(0xE1, "Exif"))},
        {"garbage between segments", JpegWithSegments(jfif + "xy" + exif6)},
        {"not a JPEG", std::string("\xFF\xD9", 2) + exif6},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadJpegOrientation(Data(c.file), c.file.size()), 1) << c.what;
    // The EXIF block must lie inside its segment: a directory whose entries
    // continue past the segment's end is not read from the bytes after it.
    std::string block = TiffBlock(false, {{0x0100, 3, 1, 1}, {0x0112, 3, 1, 6}});
    std::string cutBlock = block.substr(0, 8 + 2 + 12 + 4);
    std::string spill = JpegWithSegments(ExifSegment(cutBlock) + block.substr(cutBlock.size()));
    EXPECT_EQ(ReadJpegOrientation(Data(spill), spill.size()), 1);
    std::string file = JpegWithSegments(jfif + exif6);
    for (size_t n = 0; n < file.size(); ++n)
        ReadJpegOrientation(Data(file), n);
}

TEST(ExifOrientation, PngExifChunkWithOrWithoutItsJpegHeader)
{
    const std::string tiff = TiffBlock(false, {{0x0112, 3, 1, 8}});
    std::string png = PngWithChunk("eXIf", tiff);
    EXPECT_EQ(ReadPngOrientation(Data(png), png.size()), 8);
    png = PngWithChunk("eXIf", std::string("Exif\0\0", 6) + tiff);
    EXPECT_EQ(ReadPngOrientation(Data(png), png.size()), 8);
    png = PngWithChunk("tEXt", tiff);
    EXPECT_EQ(ReadPngOrientation(Data(png), png.size()), 1);
    // A chunk length beyond the file.
    png = PngWithChunk("eXIf", tiff);
    png.replace(8 + 25, 4, Be32(0x7FFFFFF0u));
    EXPECT_EQ(ReadPngOrientation(Data(png), png.size()), 1);
    for (size_t n = 0; n < png.size(); ++n)
        ReadPngOrientation(Data(png), n);
}

TEST(ApplyOrientation, EightBitPicturesKeepTheirPaletteAndOtherDepthsAreLeftAlone)
{
    CWinBmp bmp;
    bmp.Create(3, 2, 8, false);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            bmp.GetLine(y)[x] = uint8_t(10 * y + x);
    PaletteEntry palette[256] = {};
    palette[12] = PaletteEntry{1, 2, 3, 255};
    bmp.SetPalette(palette);
    bmp.SetSourceBitsPerPixel(4);
    ApplyOrientation(bmp, OrientTurnedRight);
    ASSERT_EQ(bmp.GetWidth(), 2);
    ASSERT_EQ(bmp.GetHeight(), 3);
    EXPECT_EQ(bmp.GetBitsPerPixel(), 8);
    EXPECT_EQ(bmp.GetSourceBitsPerPixel(), 4);
    // The stored bottom-left pixel ends top-left after a clockwise turn.
    EXPECT_EQ(bmp.GetLine(0)[0], 10);
    EXPECT_EQ(bmp.GetLine(2)[0], 12);
    EXPECT_EQ(bmp.GetPalette()[12].red, 3);

    CWinBmp mono;
    mono.Create(9, 2, 1, false);
    ApplyOrientation(mono, OrientTurnedLeft);
    EXPECT_EQ(mono.GetWidth(), 9);
}
