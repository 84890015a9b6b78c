// Files of several pictures: the pages of a TIFF joined by tiffcp and the
// images of an icon file written by ImageMagick, each page as ImageMagick
// reads it, the page count, pages beyond the last, and each page's own
// orientation.
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

    // The pictures as TIFF files, each written by ImageMagick with its own
    // options, joined by tiffcp.
    std::string JoinedTiff(const std::string& name, const std::vector<std::string>& options)
    {
        std::string pages;
        const std::vector<std::string> ppms = Pictures();
        for (size_t i = 0; i < ppms.size(); ++i) {
            const std::string tif = ppms[i] + ".tif";
            EXPECT_EQ(RunWith(ImageMagick() + " {in} " + options[i] + " {out}", ppms[i], tif), 0);
            pages += " " + Quote(tif);
        }
        const std::string joined = m_dir.File(name);
        EXPECT_EQ(vktest::Run("tiffcp" + pages + " " + Quote(joined)), 0);
        return joined;
    }

    // Page `page` of a file as we decode it.
    static Pixels DecodePage(CAnyPicDecoder& decoder, const std::string& path, int page)
    {
        decoder.SetChoice({.page = page});
        CWinBmp bmp;
        decoder.DecodeFile(path, bmp, 32);
        return Opaque(FromBitmap(bmp));
    }

    // Every page decoded by us against ImageMagick's frame of that number.
    void ExpectPagesLikeImageMagick(const std::string& path, PictureFormat format, int tolerance)
    {
        CAnyPicDecoder decoder;
        for (int page = 0; page < 3; ++page) {
            SCOPED_TRACE(page);
            const Pixels got = DecodePage(decoder, path, page);
            EXPECT_EQ(decoder.GetDetectedFormat(), format);
            EXPECT_EQ(decoder.GetFound().pageCount, 3);
            EXPECT_LE(MaxChannelDifference(got, Opaque(ReadWithImageMagick(path, page))), tolerance);
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
    const std::string lzw = "-compress lzw";
    ExpectPagesLikeImageMagick(JoinedTiff("joined.tif", {lzw, lzw, lzw}), FormatTIFF, 0);

    // A one-page file has one page; the eight-bit path counts too.
    CAnyPicDecoder decoder;
    CWinBmp bmp;
    decoder.DecodeFile(m_dir.File("p0.ppm.tif"), bmp, 0);
    EXPECT_EQ(decoder.GetFound().pageCount, 1);
}

// Each page is turned upright by its own Orientation tag, not the first's.
TEST_F(Pages, EachTiffPageTurnedByItsOwnOrientation)
{
    const std::string joined =
        JoinedTiff("turned.tif", {"-orient TopLeft", "-orient RightTop", "-orient BottomRight"});
    const char* turns[3] = {"", "-rotate 90", "-rotate 180"};
    const int stored[3] = {1, 6, 3};
    CAnyPicDecoder decoder;
    for (int page = 0; page < 3; ++page) {
        SCOPED_TRACE(page);
        const Pixels got = DecodePage(decoder, joined, page);
        EXPECT_EQ(decoder.GetStoredOrientation(), stored[page]);
        const std::string ppm = m_dir.File("p" + std::to_string(page) + ".ppm");
        const std::string upright = m_dir.File("upright.ppm");
        ASSERT_EQ(RunWith(ImageMagick() + " {in} " + turns[page] + " {out}", ppm, upright), 0);
        EXPECT_EQ(got, Opaque(ReadWithImageMagick(upright)));
    }
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
