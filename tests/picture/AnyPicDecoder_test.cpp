// Format detection: the order of the tests and their edge cases.
#include "TestSupport.h"
#include "picture/AnyPicDecoder.h"
#include "picture/WinBmp.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

int Detect(const std::vector<uint8_t>& bytes) { return CAnyPicDecoder::DetectFormat(bytes.data(), bytes.size()); }

std::vector<uint8_t> Bytes(const std::string& s, size_t size = 0)
{
    std::vector<uint8_t> v(s.begin(), s.end());
    if (v.size() < size)
        v.resize(size, 0x33);
    return v;
}

std::vector<uint8_t> TargaHeader()
{
    std::vector<uint8_t> v(18, 0);
    v[2] = 2;   // true colour
    v[16] = 24; // pixel depth
    return v;
}

} // namespace

TEST(Detect, EachSignature)
{
    using D = CAnyPicDecoder;
    EXPECT_EQ(Detect(Bytes("BM")), D::DetBMP);
    EXPECT_EQ(Detect(TargaHeader()), D::DetTGA);
    EXPECT_EQ(Detect(Bytes(std::string("II*\0", 4), 32)), D::DetTIFF);
    EXPECT_EQ(Detect(Bytes(std::string("MM\0*", 4), 32)), D::DetTIFF);
    EXPECT_EQ(Detect(Bytes("\xFF\xD8\xFF\xE0", 32)), D::DetJPEG);
    EXPECT_EQ(Detect(Bytes("\x89PNG\r\n", 32)), D::DetPNG);
    EXPECT_EQ(Detect(Bytes("GIF87a", 32)), D::DetGIF);
    EXPECT_EQ(Detect(Bytes("GIF89a", 32)), D::DetGIF);
    EXPECT_EQ(Detect(Bytes("\x0A\x05\x01\x08", 32)), D::DetPCX);
    EXPECT_EQ(Detect(Bytes(std::string("FORM\0\0\0\0ILBM", 12), 32)), D::DetIFF);
    EXPECT_EQ(Detect(Bytes("P6\n1 1\n255\n")), D::DetPNM);
    EXPECT_EQ(Detect(Bytes("P1")), D::DetPNM);
    EXPECT_EQ(Detect(Bytes("\x59\xA6\x6A\x95", 32)), D::DetRAS);
    EXPECT_EQ(Detect(Bytes(std::string("\0\0\1\0\1\0", 6), 32)), D::DetICO);
}

TEST(Detect, NearMissesAreNotRecognised)
{
    EXPECT_EQ(Detect(Bytes("GIF88a", 32)), CAnyPicDecoder::DetNone);
    EXPECT_EQ(Detect(Bytes("\x0A\x05\x00\x08", 32)), CAnyPicDecoder::DetNone); // uncompressed PCX
    EXPECT_EQ(Detect(Bytes("P7 332\n")), CAnyPicDecoder::DetNone);
    EXPECT_EQ(Detect(Bytes("")), CAnyPicDecoder::DetNone);
    EXPECT_EQ(Detect(Bytes("B")), CAnyPicDecoder::DetNone);
    EXPECT_EQ(Detect(Bytes("\xFF\xD8")), CAnyPicDecoder::DetNone);
}

TEST(Detect, TargaWinsOverLaterFormats)
{
    // A PNM-looking start whose bytes also satisfy the Targa test.
    std::vector<uint8_t> v = TargaHeader();
    v[0] = 'P';
    v[1] = 1;
    EXPECT_EQ(Detect(v), CAnyPicDecoder::DetTGA);
    // A BMP never reaches the Targa test.
    v[0] = 'B';
    v[1] = 'M';
    EXPECT_EQ(Detect(v), CAnyPicDecoder::DetBMP);
}

TEST(Detect, PictNeedsMoreThan540Bytes)
{
    std::vector<uint8_t> v(541, 0x33);
    v[522] = 0x00;
    v[523] = 0x11;
    v[524] = 0x02;
    v[525] = 0xFF;
    EXPECT_EQ(Detect(v), CAnyPicDecoder::DetPICT);
    v.resize(540);
    EXPECT_NE(Detect(v), CAnyPicDecoder::DetPICT);
    v.resize(600, 0x33);
    v[522] = 0x11;
    v[523] = 0x01;
    v[524] = 0x01;
    v[525] = 0x00;
    EXPECT_EQ(Detect(v), CAnyPicDecoder::DetPICT);
}

TEST(Detect, EpsNeedsTiffSectionFields)
{
    std::vector<uint8_t> v(64, 0);
    v[0] = 0xC5;
    v[1] = 0xD0;
    v[2] = 0xD3;
    v[3] = 0xC6;
    EXPECT_EQ(Detect(v), CAnyPicDecoder::DetNone);
    v[20] = 30;
    v[24] = 10;
    EXPECT_EQ(Detect(v), CAnyPicDecoder::DetEPS);
}

TEST(Detect, UnknownAndEpsBeyondEndRaise)
{
    CAnyPicDecoder decoder;
    const std::vector<uint8_t> junk = Bytes("hello, world", 64);
    EXPECT_EQ(vktest::ErrorOf(decoder, std::string(junk.begin(), junk.end())),
              std::pair(int(ErrUnknownType), vktest::Raised("Unknown file type.")));
    std::string eps(64, '\0');
    eps[0] = char(0xC5), eps[1] = char(0xD0), eps[2] = char(0xD3), eps[3] = char(0xC6);
    eps[20] = char(200); // TIFF section beyond the file
    eps[24] = 10;
    EXPECT_EQ(vktest::ErrorOf(decoder, eps), std::pair(int(ErrEndOfFile), std::string(kTextEndOfFile)));
    EXPECT_EQ(decoder.GetDetectedFormat(), FormatEPS);
}
