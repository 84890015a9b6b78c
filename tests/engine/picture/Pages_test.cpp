// Files of several pictures: the pages of a TIFF joined by tiffcp and the
// images of an icon file written by ImageMagick, each page as ImageMagick
// reads it, the page count, and pages beyond the last.
#include "TestSupport.h"
#include "engine/picture/AnyPicDecoder.h"

#include <gtest/gtest.h>

using namespace vktest;

namespace {

class Pages : public ::testing::Test {
  protected:
    void SetUp() override
    {
        if (!HasProgram("tiffcp") || !HasProgram("identify"))
            GTEST_SKIP() << "libtiff tools or ImageMagick missing";
    }

    // Three pictures of different sizes and contents, as PPM files.
    std::vector<std::string> Pictures()
    {
        std::vector<std::string> paths;
        const int sizes[3][2] = {{48, 32}, {32, 32}, {16, 24}};
        for (int i = 0; i < 3; ++i) {
            paths.push_back(m_dir.File("p" + std::to_string(i) + ".ppm"));
            WriteTestPpm(paths.back(), sizes[i][0], sizes[i][1], 0, unsigned(i + 2));
        }
        return paths;
    }

    // Every page decoded by us against ImageMagick's frame of that number.
    void ExpectPagesLikeImageMagick(const std::string& path, PictureFormat format, int tolerance)
    {
        CAnyPicDecoder decoder;
        for (int page = 0; page < 3; ++page) {
            SCOPED_TRACE(page);
            decoder.SetChoice({.page = page});
            CWinBmp bmp;
            decoder.DecodeFile(path, bmp, 32);
            EXPECT_EQ(decoder.GetDetectedFormat(), format);
            EXPECT_EQ(decoder.GetFound().pageCount, 3);
            const Pixels want = Opaque(ReadWithImageMagick(path, page));
            EXPECT_LE(MaxChannelDifference(Opaque(FromBitmap(bmp)), want), tolerance);
        }
        decoder.SetChoice({.page = 3});
        CWinBmp bmp;
        try {
            decoder.DecodeFile(path, bmp, 32);
            ADD_FAILURE() << "a fourth page";
        } catch (const CTextException& e) {
            EXPECT_EQ(e.GetCode(), ErrBadFormat);
            EXPECT_NE(e.GetText().find(kTextNoSuchPage), std::string::npos);
        }
    }

    TempDir m_dir;
};

} // namespace

TEST_F(Pages, EveryPageOfATiffJoinedByTiffcp)
{
    std::string pages;
    for (const std::string& ppm : Pictures()) {
        const std::string tif = ppm + ".tif";
        ASSERT_EQ(RunWith(ImageMagick() + " {in} -compress lzw {out}", ppm, tif), 0);
        pages += " " + Quote(tif);
    }
    const std::string joined = m_dir.File("joined.tif");
    ASSERT_EQ(vktest::Run("tiffcp" + pages + " " + Quote(joined)), 0);
    ExpectPagesLikeImageMagick(joined, FormatTIFF, 0);

    // A one-page file has one page; the eight-bit path counts too.
    CAnyPicDecoder decoder;
    CWinBmp bmp;
    decoder.DecodeFile(m_dir.File("p0.ppm.tif"), bmp, 0);
    EXPECT_EQ(decoder.GetFound().pageCount, 1);
}

TEST_F(Pages, EveryImageOfAnIconFile)
{
    std::string images;
    for (const std::string& ppm : Pictures())
        images += " " + Quote(ppm);
    const std::string icon = m_dir.File("three.ico");
    ASSERT_EQ(vktest::Run(ImageMagick() + images + " " + Quote(icon)), 0);
    ExpectPagesLikeImageMagick(icon, FormatICO, 0);

    // An offset beyond the file is refused.
    std::string bytes = ReadFile(icon);
    bytes.replace(6 + 16 + 12, 4, std::string("\xFF\xFF\xFF\x7F", 4));
    CAnyPicDecoder decoder;
    decoder.SetChoice({.page = 1});
    EXPECT_EQ(ErrorOf(decoder, bytes).first, ErrBadFormat);
}
