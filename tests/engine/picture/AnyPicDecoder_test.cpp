// Format detection: every signature, near misses, the order of the tests
// where bytes satisfy more than one, and the errors of unknown files.
#include "TestSupport.h"
#include "engine/picture/AnyPicDecoder.h"
#include "engine/picture/WinBmp.h"

#include <gtest/gtest.h>
#include <string>

using namespace vktest;

namespace {

int Detect(const std::string& bytes)
{
    return CAnyPicDecoder::DetectFormat(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

std::string Padded(std::string s, size_t size = 32)
{
    s.resize(std::max(s.size(), size), '\x33');
    return s;
}

// 18 bytes of a true-colour Targa header, with the first two bytes given.
std::string Targa(int first = 0, int second = 0)
{
    std::string v(18, '\0');
    v[0] = char(first), v[1] = char(second), v[2] = 2, v[16] = 24;
    return v;
}

// A PICT: opcodes at 522, after the 512-byte preamble and the frame.
std::string Pict(const std::string& opcodes, size_t size)
{
    std::string v(size, '\x33');
    v.replace(522, opcodes.size(), opcodes);
    return v;
}

std::string Eps(uint8_t tiffOffset, uint8_t tiffLength)
{
    std::string v(64, '\0');
    v.replace(0, 4, "\xC5\xD0\xD3\xC6");
    v[20] = char(tiffOffset), v[24] = char(tiffLength);
    return v;
}

std::string Ftyp(const std::string& major, const std::string& compatible)
{
    return Be32(uint32_t(16 + compatible.size())) + "ftyp" + major + std::string(4, '\0') + compatible;
}

} // namespace

TEST(Detect, SignaturesNearMissesAndPrecedence)
{

    std::string ftypLie = Ftyp("avif", "");
    ftypLie.replace(0, 4, Be32(4096)); // a box size beyond the file
    // A JPEG XL container whose bytes also pass the Targa test (byte 1 and
    // 2 zero, byte 7 = 32, byte 16 = 24).
    const std::string jxlBox =
        ByteString({0, 0, 0, 0x0C, 'J', 'X', 'L', ' ', 0x0D, 0x0A, 0x87, 0x0A, 0, 0, 0, 0x14, 24}) +
        std::string(20, '\0');
    const struct {
        const char* what;
        std::string bytes;
        int detected;
    } cases[] = {
        {"BMP", "BM", DetectionOf(FormatBMP)},
        {"Targa", Targa(), DetectionOf(FormatTGA)},
        {"TIFF II", Padded(std::string("II*\0", 4)), DetectionOf(FormatTIFF)},
        {"TIFF MM", Padded(std::string("MM\0*", 4)), DetectionOf(FormatTIFF)},
        {"JPEG", Padded("\xFF\xD8\xFF\xE0"), DetectionOf(FormatJPEG)},
        {"PNG", Padded("\x89PNG\r\n"), DetectionOf(FormatPNG)},
        {"GIF87a", Padded("GIF87a"), DetectionOf(FormatGIF)},
        {"GIF89a", Padded("GIF89a"), DetectionOf(FormatGIF)},
        {"PCX", Padded("\x0A\x05\x01\x08"), DetectionOf(FormatPCX)},
        {"IFF", Padded(std::string("FORM\0\0\0\0ILBM", 12)), DetectionOf(FormatIFF)},
        {"P6", "P6\n1 1\n255\n", DetectionOf(FormatPNM)},
        {"P1", "P1", DetectionOf(FormatPNM)},
        {"Sun raster", Padded("\x59\xA6\x6A\x95"), DetectionOf(FormatRAS)},
        {"icon", Padded(std::string("\0\0\1\0\1\0", 6)), DetectionOf(FormatICO)},
        {"PICT v2", Pict(ByteString({0x00, 0x11, 0x02, 0xFF}), 541), DetectionOf(FormatPICT)},
        {"PICT v1", Pict(ByteString({0x11, 0x01, 0x01, 0x00}), 600), DetectionOf(FormatPICT)},
        {"EPS", Eps(30, 10), DetectionOf(FormatEPS)},
        {"WebP", std::string("RIFF\x10\0\0\0WEBPVP8 ", 16), DetectionOf(FormatWEBP)},
        {"AVIF", Ftyp("avif", "mif1miaf"), DetectionOf(FormatAVIF)},
        {"AVIF by brand", Ftyp("mif1", "mif1avif"), DetectionOf(FormatAVIF)},
        {"HEIC", Ftyp("heic", "mif1heic"), DetectionOf(FormatHEIF)},
        {"HEIF by brand", Ftyp("mif1", "mif1"), DetectionOf(FormatHEIF)},
        {"JPEG XL codestream", ByteString({0xFF, 0x0A, 0xFA}), DetectionOf(FormatJXL)},
        {"JPEG XL box over Targa", jxlBox, DetectionOf(FormatJXL)},
        // A PNM-looking start whose bytes also satisfy the Targa test; a BMP
        // never reaches the Targa test.
        {"Targa over PNM", Targa('P', 1), DetectionOf(FormatTGA)},
        {"BMP over Targa", Targa('B', 'M'), DetectionOf(FormatBMP)},
        // Near misses.
        {"GIF88a", Padded("GIF88a"), kDetectedNone},
        {"uncompressed PCX", Padded(ByteString({0x0A, 0x05, 0x00, 0x08})), kDetectedNone},
        {"P7", "P7 332\n", kDetectedNone},
        {"empty", "", kDetectedNone},
        {"B", "B", kDetectedNone},
        {"short JPEG", "\xFF\xD8", kDetectedNone},
        {"PICT of 540 bytes", Pict(ByteString({0x00, 0x11, 0x02, 0xFF}), 540), kDetectedNone},
        {"EPS without a TIFF section", Eps(0, 0), kDetectedNone},
        {"WAVE", std::string("RIFF\x10\0\0\0WAVEfmt ", 16), kDetectedNone},
        {"MP4 video", Ftyp("isom", "isomavc1"), kDetectedNone},
        {"box size beyond the file", ftypLie, kDetectedNone},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Detect(c.bytes), c.detected) << c.what;
}

TEST(Detect, UnknownAndEpsBeyondEndRaise)
{
    CAnyPicDecoder decoder;
    EXPECT_EQ(ErrorOf(decoder, Padded("hello, world", 64)),
              std::pair(int(ErrUnknownType), Raised("Unknown file type.")));
    // TIFF section beyond the file.
    EXPECT_EQ(ErrorOf(decoder, Eps(200, 10)), std::pair(int(ErrEndOfFile), std::string(kTextEndOfFile)));
    EXPECT_EQ(decoder.GetDetectedFormat(), FormatEPS);
}
