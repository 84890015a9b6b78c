// The header descriptions (DIB, Targa, Sun raster, ILBM): each read back
// from what its field list wrote, the small ones laid out byte for byte as
// their formats place the fields, and refused when cut short; and the
// bounded byte-order loads and stores under them. The decoders' and
// writers' tests check the same headers against netpbm and ImageMagick.
#include "engine/picture/ByteOrder.h"
#include "engine/picture/DibHeader.h"
#include "engine/picture/IffHeader.h"
#include "engine/picture/RasHeader.h"
#include "engine/picture/TgaHeader.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

int CodeOf(const auto& call)
{
    try {
        call();
    } catch (const CTextException& e) {
        return e.GetCode();
    }
    return 0;
}

std::vector<uint8_t> Bytes(const auto& array)
{
    return std::vector<uint8_t>(array.begin(), array.end());
}

DibHeader Sample(uint32_t size)
{
    DibHeader h;
    h.size = size;
    h.width = 300;
    h.height = 200;
    h.planes = 1;
    h.bitCount = 16;
    if (size == kDibCoreHeaderSize)
        return h;
    h.height = -200;
    h.compression = kDibCompressionBitFields;
    h.imageSize = 120000;
    h.xPelsPerMeter = 2835;
    h.yPelsPerMeter = -1;
    h.colorsUsed = 7;
    h.colorsImportant = 3;
    if (size >= kDibV2HeaderSize) {
        h.redMask = 0xF800;
        h.greenMask = 0x07E0;
        h.blueMask = 0x001F;
    }
    if (size >= kDibV3HeaderSize)
        h.alphaMask = 0xFF000000u;
    return h;
}

} // namespace

TEST(DibHeader, EverySizeReadsBackWhatWasWritten)
{
    for (uint32_t size : {kDibCoreHeaderSize, kDibHeaderSize, kDibV2HeaderSize, kDibV3HeaderSize,
                          kDibV4HeaderSize, kDibV5HeaderSize}) {
        // Guard bytes after the header show that nothing is written past it.
        std::vector<uint8_t> bytes(size + 8, 0xAB);
        const DibHeader h = Sample(size);
        StoreDibHeader(h, bytes);
        for (size_t i = size; i < bytes.size(); ++i)
            EXPECT_EQ(bytes[i], 0xAB) << size;
        const auto back = ParseDibHeader(ByteView(bytes).first(size));
        ASSERT_TRUE(back) << size;
        EXPECT_EQ(*back, h) << size;
    }
}

TEST(DibHeader, HostileSizesAreRefusedWithoutReadingPastTheBytes)
{
    // Unknown sizes: no header.
    for (uint32_t size : {0u, 4u, 11u, 13u, 39u, 41u, 64u, 107u, 125u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        std::vector<uint8_t> bytes(256, 0);
        StoreLE32(bytes, 0, size);
        EXPECT_FALSE(ParseDibHeader(bytes)) << size;
    }
    // Cuts of known sizes are in BmpDecode.DamagedFilesFailCleanly, which
    // parses every cut of whole files.
    // Writing: an unknown size, or a buffer too small, is our own fault.
    std::vector<uint8_t> out(kDibV5HeaderSize);
    EXPECT_EQ(CodeOf([&] { StoreDibHeader(Sample(41), out); }), ErrInternal);
    EXPECT_EQ(CodeOf([&] { StoreDibHeader(Sample(kDibV5HeaderSize), ByteSpan(out).first(100)); }),
              ErrInternal);
}

TEST(ByteOrder, LoadsAndStoresStopAtTheSpanEnd)
{
    const uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0x05};
    EXPECT_EQ(LoadLE32(bytes, 1), 0x05040302u);
    EXPECT_EQ(LoadBE32(bytes, 1), 0x02030405u);
    EXPECT_EQ(LoadLE16(bytes, 3), 0x0504u);
    EXPECT_EQ(LoadBE16(bytes, 3), 0x0405u);
    EXPECT_EQ(CodeOf([&] { LoadLE32(bytes, 2); }), ErrEndOfFile);
    EXPECT_EQ(CodeOf([&] { LoadBE16(bytes, 4); }), ErrEndOfFile);
    EXPECT_EQ(CodeOf([&] { LoadLE16(bytes, 6); }), ErrEndOfFile);
    // An offset near the top of size_t must not wrap around into the span.
    EXPECT_EQ(CodeOf([&] { LoadLE32(bytes, SIZE_MAX - 1); }), ErrEndOfFile);

    uint8_t out[6] = {};
    StoreBE32(out, 2, 0xA1B2C3D4u);
    StoreLE16(out, 0, 0x1234);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 6), (std::vector<uint8_t>{0x34, 0x12, 0xA1, 0xB2, 0xC3, 0xD4}));
    EXPECT_EQ(CodeOf([&] { StoreLE32(out, 3, 0); }), ErrInternal);
    EXPECT_EQ(CodeOf([&] { StoreBE16(out, SIZE_MAX, 0); }), ErrInternal);
}

TEST(BitmapHeaders, TargaFieldsInPlace)
{
    TgaHeader h;
    h.idLength = 3;
    h.colorMapType = 1;
    h.imageType = kTgaMapped | kTgaRleFlag;
    h.firstEntry = 0x0102;
    h.mapLength = 0x0304;
    h.mapEntrySize = 24;
    h.xOrigin = 0x0506;
    h.yOrigin = 0x0708;
    h.width = 0x090A;
    h.height = 0x0B0C;
    h.pixelDepth = 8;
    h.descriptor = kTgaTopDown;
    const auto bytes = TgaHeaderBytes(h);
    EXPECT_EQ(Bytes(bytes),
              (std::vector<uint8_t>{3, 1, 9,                    // ID length, map type, image type
                                    0x02, 0x01, 0x04, 0x03, 24, // first entry, length, entry size
                                    0x06, 0x05, 0x08, 0x07,     // origin
                                    0x0A, 0x09, 0x0C, 0x0B,     // width, height
                                    8, 0x20}));                 // depth, descriptor
    EXPECT_EQ(ParseTgaHeader(bytes), h);
    EXPECT_EQ(CodeOf([&] { ParseTgaHeader(ByteView(bytes).first(17)); }), ErrEndOfFile);
}

TEST(BitmapHeaders, SunRasterFieldsInPlace)
{
    RasHeader h;
    h.width = 0x01020304;
    h.height = 5;
    h.depth = 8;
    h.length = 0xA0B0C0D0;
    h.type = RasByteEncoded;
    h.mapType = RasMapEqualRGB;
    h.mapLength = 768;
    const auto bytes = RasHeaderBytes(h);
    EXPECT_EQ(Bytes(bytes),
              (std::vector<uint8_t>{0x59, 0xA6, 0x6A, 0x95, 1, 2, 3, 4, 0, 0, 0, 5, 0, 0, 0, 8,
                                    0xA0, 0xB0, 0xC0, 0xD0, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 3, 0}));
    EXPECT_EQ(ParseRasHeader(bytes), h);
    EXPECT_EQ(CodeOf([&] { ParseRasHeader(ByteView(bytes).first(31)); }), ErrEndOfFile);
}

TEST(BitmapHeaders, IlbmBitmapHeaderFieldsInPlace)
{
    IffBitmapHeader h;
    h.width = 0x0102;
    h.height = 0x0304;
    h.x = 0xFFFF; // -1, a signed word on the page
    h.planes = 24;
    h.masking = 1;
    h.compression = 1;
    h.transparentColor = 0x0506;
    h.pageWidth = 320;
    h.pageHeight = 200;
    const auto bytes = BmhdBytes(h);
    EXPECT_EQ(Bytes(bytes), (std::vector<uint8_t>{1, 2, 3, 4, 0xFF, 0xFF, 0, 0,    24, 1,
                                                  1, 0, 5, 6, 10,   10,   1, 0x40, 0,  200}));
    EXPECT_EQ(ParseBmhd(bytes), h);
    EXPECT_EQ(CodeOf([&] { ParseBmhd(ByteView(bytes).first(19)); }), ErrEndOfFile);
}
