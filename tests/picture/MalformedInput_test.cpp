// Hostile inputs found in review: each once crashed, overflowed or made a
// tiny file allocate a picture far larger than its data could fill.
#include "picture/GIFDecoder.h"
#include "picture/BmpDecoder.h"
#include "picture/WinBmp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Remembers the largest picture a decoder asked for, and all it asked for.
class RecordingBmp : public CWinBmp {
public:
    int64_t largestPixels = 0;
    int64_t totalPixels = 0;
    void Create(int width, int height, uint16_t bitsPerPixel, bool hasAlpha) override
    {
        largestPixels = std::max(largestPixels, int64_t(width) * height);
        totalPixels += int64_t(width) * height;
        CWinBmp::Create(width, height, bitsPerPixel, hasAlpha);
    }
};

void Put16(std::string& out, uint32_t v)
{
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// File header and 40-byte info header of a bitmap without palette entries
// beyond `colors`.
std::string BmpHeader(int32_t width, int32_t height, int bitCount, uint32_t compression, uint32_t colors,
                      size_t dataBytes)
{
    std::string out = "BM";
    Put32(out, uint32_t(54 + 4 * colors + dataBytes));
    Put32(out, 0);
    Put32(out, uint32_t(54 + 4 * colors));
    Put32(out, 40);
    Put32(out, uint32_t(width));
    Put32(out, uint32_t(height));
    Put16(out, 1);
    Put16(out, uint32_t(bitCount));
    Put32(out, compression);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, colors);
    Put32(out, 0);
    for (uint32_t i = 0; i < colors; ++i)
        Put32(out, i * 0x010101u);
    return out;
}

int DecodeError(CPicDecoder& decoder, const std::string& file, CBmp& bmp, int depth = 32)
{
    CMemSource source(reinterpret_cast<const uint8_t*>(file.data()), file.size());
    try {
        decoder.Decode(source, bmp, depth);
    } catch (const CTextException& e) {
        return e.GetCode();
    }
    return 0;
}

} // namespace

TEST(ReviewBmp, Rle8RunsPastTheLineNeverOverflowTheColumn)
{
    // One pixel wide, then 8.4 million runs of 255 pixels with no end of
    // line: the column passes 2^31 unless it stops at the line's end.
    std::string data = {char(1), char(7)};
    const size_t runs = (size_t(1) << 31) / 255 + 16;
    data.reserve(2 * runs + 4);
    for (size_t i = 0; i < runs; ++i)
        data += {char(255), char(9)};
    data += {char(0), char(1)};
    const std::string file = BmpHeader(1, 1, 8, 1, 16, data.size()) + data;
    CBmpDecoder decoder;
    CWinBmp bmp;
    ASSERT_EQ(DecodeError(decoder, file, bmp, 8), 0);
    EXPECT_EQ(bmp.GetLine(0)[0], 7);
}

TEST(ReviewBmp, UncompressedDataShortOfTheClaimIsRefusedBeforeAllocating)
{
    for (int bitCount : {1, 4, 8, 24, 32}) {
        SCOPED_TRACE(bitCount);
        const uint32_t colors = bitCount <= 8 ? 2 : 0;
        const std::string file = BmpHeader(16384, 16384, bitCount, 0, colors, 16) + std::string(16, '\0');
        CBmpDecoder decoder;
        RecordingBmp bmp;
        EXPECT_EQ(DecodeError(decoder, file, bmp), ErrEndOfFile);
        EXPECT_LE(bmp.largestPixels, 256);
    }
}

TEST(ReviewGif, FramesWithoutDataCannotClaimMorePixelsThanTheFileCodes)
{
    // Thirty 8192 x 8192 frames of empty data, then a 9 KB comment: each
    // frame alone fits what the bytes after it could code, but every one of
    // them was created and painted black, 2 billion pixels from 10 KB.
    std::string file = "GIF89a";
    file += {char(1), 0, char(1), 0, 0, 0, 0};
    for (int i = 0; i < 30; ++i) {
        file += {',', 0, 0, 0, 0};
        Put16(file, 8192);
        Put16(file, 8192);
        file += {0, char(2), 0};   // flags, code size, no data blocks
    }
    file += {'!', char(0xFE)};
    for (int i = 0; i < 36; ++i)
        file += char(255) + std::string(255, 'c');
    file += {0, ';'};
    CGIFDecoder decoder;
    RecordingBmp bmp;
    DecodeError(decoder, file, bmp);
    // At most 4096 pixels from a 12-bit code.
    EXPECT_LE(bmp.totalPixels, int64_t(file.size()) * 8 * 4096 / 12);
}
