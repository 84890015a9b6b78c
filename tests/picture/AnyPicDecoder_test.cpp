// Format detection: every signature, near misses, the order of the tests
// where bytes satisfy more than one, and the errors of unknown files.
#include "TestSupport.h"
#include "picture/AnyPicDecoder.h"
#include "picture/WinBmp.h"

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
    using D = CAnyPicDecoder;
    std::string ftypLie = Ftyp("avif", "");
    ftypLie.replace(0, 4, Be32(4096)); // a box size beyond the file
    // A JPEG XL container whose bytes also pass the Targa test (byte 1 and
    // 2 zero, byte 7 = 32, byte 16 = 24).
    const std::string jxlBox =
        ByteString({0, 0, 0, 0x0C, 'J', 'X', 'L', ' ', 0x0D, 0x0A, 0x87, 0x0A, 0, 0, 0, 0x14, 24}) + std::string(20, '\0');
    const struct {
        const char* what;
        std::string bytes;
        int detected;
    } cases[] = {
        {"BMP", "BM", D::DetBMP},
        {"Targa", Targa(), D::DetTGA},
        {"TIFF II", Padded(std::string("II*\0", 4)), D::DetTIFF},
        {"TIFF MM", Padded(std::string("MM\0*", 4)), D::DetTIFF},
        {"JPEG", Padded("\xFF\xD8\xFF\xE0"), D::DetJPEG},
        {"PNG", Padded("\x89PNG\r\n"), D::DetPNG},
        {"GIF87a", Padded("GIF87a"), D::DetGIF},
        {"GIF89a", Padded("GIF89a"), D::DetGIF},
        {"PCX", Padded("\x0A\x05\x01\x08"), D::DetPCX},
        {"IFF", Padded(std::string("FORM\0\0\0\0ILBM", 12)), D::DetIFF},
        {"P6", "P6\n1 1\n255\n", D::DetPNM},
        {"P1", "P1", D::DetPNM},
        {"Sun raster", Padded("\x59\xA6\x6A\x95"), D::DetRAS},
        {"icon", Padded(std::string("\0\0\1\0\1\0", 6)), D::DetICO},
        {"PICT v2", Pict(ByteString({0x00, 0x11, 0x02, 0xFF}), 541), D::DetPICT},
        {"PICT v1", Pict(ByteString({0x11, 0x01, 0x01, 0x00}), 600), D::DetPICT},
        {"EPS", Eps(30, 10), D::DetEPS},
        {"WebP", std::string("RIFF\x10\0\0\0WEBPVP8 ", 16), D::DetWEBP},
        {"AVIF", Ftyp("avif", "mif1miaf"), D::DetAVIF},
        {"AVIF by brand", Ftyp("mif1", "mif1avif"), D::DetAVIF},
        {"HEIC", Ftyp("heic", "mif1heic"), D::DetHEIF},
        {"HEIF by brand", Ftyp("mif1", "mif1"), D::DetHEIF},
        {"JPEG XL codestream", ByteString({0xFF, 0x0A, 0xFA}), D::DetJXL},
        {"JPEG XL box over Targa", jxlBox, D::DetJXL},
        // A PNM-looking start whose bytes also satisfy the Targa test; a BMP
        // never reaches the Targa test.
        {"Targa over PNM", Targa('P', 1), D::DetTGA},
        {"BMP over Targa", Targa('B', 'M'), D::DetBMP},
        // Near misses.
        {"GIF88a", Padded("GIF88a"), D::DetNone},
        {"uncompressed PCX", Padded(ByteString({0x0A, 0x05, 0x00, 0x08})), D::DetNone},
        {"P7", "P7 332\n", D::DetNone},
        {"empty", "", D::DetNone},
        {"B", "B", D::DetNone},
        {"short JPEG", "\xFF\xD8", D::DetNone},
        {"PICT of 540 bytes", Pict(ByteString({0x00, 0x11, 0x02, 0xFF}), 540), D::DetNone},
        {"EPS without a TIFF section", Eps(0, 0), D::DetNone},
        {"WAVE", std::string("RIFF\x10\0\0\0WAVEfmt ", 16), D::DetNone},
        {"MP4 video", Ftyp("isom", "isomavc1"), D::DetNone},
        {"box size beyond the file", ftypLie, D::DetNone},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Detect(c.bytes), c.detected) << c.what;
}

TEST(Detect, UnknownAndEpsBeyondEndRaise)
{
    CAnyPicDecoder decoder;
    EXPECT_EQ(ErrorOf(decoder, Padded("hello, world", 64)), std::pair(int(ErrUnknownType), Raised("Unknown file type.")));
    // TIFF section beyond the file.
    EXPECT_EQ(ErrorOf(decoder, Eps(200, 10)), std::pair(int(ErrEndOfFile), std::string(kTextEndOfFile)));
    EXPECT_EQ(decoder.GetDetectedFormat(), FormatEPS);
}
