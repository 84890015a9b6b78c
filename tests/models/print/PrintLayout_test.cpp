// Page layout arithmetic: margins, info line, sizes, positions, thumbnail
// grids and the length units of the Print Setup dialog.
#include "models/print/PrintLayout.h"

#include <gtest/gtest.h>

using namespace vkprint;

namespace {

// An 8.5 x 11 inch printable area at 600 dpi.
PrinterGeometry Letter()
{
    return {600, 600, 5100, 6600};
}

int FixedWidth(const std::string& text)
{
    return int(text.size()) * 10;
}

} // namespace

TEST(PrintLayout, PageExtentAndMargins)
{
    // Whole inches only: 8.5 inches count as 8.
    const PageExtent page = PageExtentOf(Letter());
    EXPECT_EQ(page.width, 800);
    EXPECT_EQ(page.height, 1100);
    EXPECT_EQ(PageExtentOf({0, 0, 100, 100}).width, 0);

    // A left margin of 900 on a page 8 inches wide is reset, in the
    // settings too; the right margin is then checked against the whole width.
    CSettings s;
    s.printMarginLeft = 900;
    s.printMarginRight = 50;
    s.printMarginTop = 1000; // leaves exactly 100: kept
    s.printMarginBottom = 1; // would leave 99: reset
    const PageExtent usable = ApplyMargins(s, page);
    EXPECT_EQ(s.printMarginLeft, 0);
    EXPECT_EQ(s.printMarginRight, 50);
    EXPECT_EQ(s.printMarginTop, 1000);
    EXPECT_EQ(s.printMarginBottom, 0);
    EXPECT_EQ(usable.width, 750);
    EXPECT_EQ(usable.height, 100);

    // The drawing rectangle uses the exact printable area, y growing up.
    CSettings m;
    m.printMarginLeft = 10;
    m.printMarginRight = 20;
    m.printMarginTop = 30;
    m.printMarginBottom = 40;
    EXPECT_EQ(DrawingRect(m, Letter()), (PageRect{10, -30, 830, -1060}));
}

TEST(PrintLayout, ThumbnailGrid)
{
    // 25 files of 100 x 100 units, no text, on 8 x 10 usable inches.
    ThumbnailGrid g = ComputeGrid(800, 1000, 100, 100, 0, 25);
    EXPECT_EQ(g.columns, 7);
    EXPECT_EQ(g.rows, 9);
    EXPECT_EQ(g.perPage, 63);
    EXPECT_EQ(g.pages, 1);
    EXPECT_EQ(g.gridWidth, 770);
    EXPECT_EQ(g.gridHeight, 990);

    // Text lines make the rows taller; a cell larger than the page still
    // gives one per page.
    g = ComputeGrid(800, 1000, 100, 100, 40, 100);
    EXPECT_EQ(g.rows, 6);
    EXPECT_EQ(g.pages, 3);
    g = ComputeGrid(800, 1000, 5000, 5000, 0, 3);
    EXPECT_EQ(g.columns, 1);
    EXPECT_EQ(g.rows, 1);
    EXPECT_EQ(g.pages, 3);
    EXPECT_EQ(ComputeGrid(800, 1000, 100, 100, 0, 0).pages, 0);

    CSettings s;
    EXPECT_EQ(ThumbnailTextHeight(s, 17), 34); // name and dimensions by default
    s.printInfoName = 0;
    EXPECT_EQ(ThumbnailTextHeight(s, 17), 17);
    s.printInfoDimensions = 0;
    EXPECT_EQ(ThumbnailTextHeight(s, 17), 0);
}

TEST(PrintLayout, ThumbnailCells)
{
    CSettings s;
    s.printHorizontal = 0;
    s.printVertical = 0;
    const PageRect rect{0, 0, 800, -1000};
    const int line = 20;
    const ThumbnailGrid g = ComputeGrid(800, 1000, 100, 100, ThumbnailTextHeight(s, line), 70);
    EXPECT_EQ(g.rows, 6); // 1000 / 150
    const auto first = LayoutThumbnailPage(s, rect, g, 0, 70, line);
    ASSERT_EQ(first.size(), size_t(42));
    EXPECT_EQ(first[0].cell, (PageRect{0, 0, 110, -150}));
    EXPECT_EQ(first[8].cell, (PageRect{110, -150, 220, -300})); // row 2, column 2
    // Text on top: name 5 units below the cell's top, dimensions under it,
    // the picture's box under the text.
    EXPECT_EQ(first[0].name.top, -5);
    EXPECT_EQ(first[0].dimensionsTop, -25);
    EXPECT_EQ(first[0].imageBox, (PageRect{5, -45, 105, -145}));
    const auto second = LayoutThumbnailPage(s, rect, g, 1, 70, line);
    ASSERT_EQ(second.size(), size_t(28));
    EXPECT_EQ(second[0].index, 42);
    EXPECT_EQ(second.back().index, 69);

    // Text at the bottom: the picture's box first.
    s.printInfoPosition = 1;
    const auto bottom = LayoutThumbnailPage(s, rect, g, 0, 1, line);
    EXPECT_EQ(bottom[0].imageBox, (PageRect{5, -5, 105, -105}));
    EXPECT_EQ(bottom[0].name.top, -105);
    EXPECT_EQ(bottom[0].dimensionsTop, -125);

    // A wide picture fills the box's width and is centred vertically.
    EXPECT_EQ(ThumbnailImageRect(bottom[0], 400, 200), (PageRect{5, -30, 105, -80}));
    EXPECT_EQ(ThumbnailImageRect(bottom[0], 10, 40), (PageRect{42, -5, 67, -105}));
}

TEST(PrintLayout, ImageSizeModesAndPositions)
{
    CSettings s;
    s.printInfoName = s.printInfoDimensions = 0;
    const PageRect rect{0, 0, 800, -1000};
    // Default: pixels as units, centred (halves truncated).
    ImagePage p = LayoutImagePage(s, rect, 20, "", FixedWidth, 301, 201);
    EXPECT_FALSE(p.hasInfo);
    EXPECT_EQ(p.image, (PageRect{249, -399, 550, -600}));
    EXPECT_FALSE(p.tooLarge);
    // Fit to page keeps the proportions.
    s.printSizeMode = 1;
    p = LayoutImagePage(s, rect, 20, "", FixedWidth, 400, 300);
    EXPECT_EQ(p.image.Width(), 800);
    EXPECT_EQ(p.image.Height(), 600);
    p = LayoutImagePage(s, rect, 20, "", FixedWidth, 300, 600);
    EXPECT_EQ(p.image.Width(), 500);
    EXPECT_EQ(p.image.Height(), 1000);
    // Custom, larger than the rectangle: reported and placed anyway.
    s.printSizeMode = 2;
    s.printCustomWidth = 900;
    s.printCustomHeight = 100;
    p = LayoutImagePage(s, rect, 20, "", FixedWidth, 1, 1);
    EXPECT_TRUE(p.tooLarge);
    EXPECT_EQ(p.image.Width(), 900);
    // Every position is checked on printed pages (Printing_test).
    s.printSizeMode = 0;
    p = LayoutImagePage(s, rect, 20, "", FixedWidth, 801, 10);
    EXPECT_TRUE(p.tooLarge);
}

TEST(PrintLayout, InfoLine)
{
    CSettings s;
    s.printInfoName = 0;
    s.printInfoDimensions = 0;
    EXPECT_EQ(InfoText(s, "/pics", "a.png", 640, 480, 2048), "");
    struct Case {
        int path, name, dims, size, sizeUnit, unit;
        const char* want;
    };
    for (const Case& c : {
             Case{1, 0, 0, 0, 0, 0, "/pics"},
             Case{0, 1, 0, 0, 0, 0, "a.png"},
             Case{1, 1, 0, 0, 0, 0, "/pics/a.png"},
             Case{0, 1, 1, 0, 0, 0, "a.png, 640x480"},
             Case{0, 0, 1, 0, 0, 1, "6.67x5 inches"},
             Case{0, 0, 0, 1, 1, 0, "2 KB"},
             Case{0, 0, 0, 1, 0, 0, "2048 bytes"},
             Case{1, 1, 1, 1, 2, 2, "/pics/a.png, 169.33x127 mm, 0.002 MB"},
             Case{0, 0, 1, 1, 1, 3, "16.93x12.70 cm, 2 KB"},
         }) {
        s.printInfoPath = c.path;
        s.printInfoName = c.name;
        s.printInfoDimensions = c.dims;
        s.printInfoFileSize = c.size;
        s.fileSizeUnit = c.sizeUnit;
        s.imageSizeUnit = c.unit;
        EXPECT_EQ(InfoText(s, "/pics", "a.png", 640, 480, 2048), c.want);
    }

    // Placement: top takes a line from the rectangle's top, bottom from its
    // bottom; centring only when the text fits.
    s = CSettings();
    s.printVertical = 0;
    const PageRect rect{0, 0, 800, -1000};
    ImagePage p = LayoutImagePage(s, rect, 20, "abcd", FixedWidth, 100, 100);
    EXPECT_TRUE(p.hasInfo);
    EXPECT_EQ(p.info.x, 380);
    EXPECT_EQ(p.info.top, 0);
    EXPECT_EQ(p.image.top, -20);
    s.printInfoAlign = 2;
    s.printInfoPosition = 1;
    s.printVertical = 2;
    p = LayoutImagePage(s, rect, 20, "abcd", FixedWidth, 100, 100);
    EXPECT_EQ(p.info.x, 760);
    EXPECT_EQ(p.info.top, -980);
    EXPECT_EQ(p.image.bottom, -980);
    EXPECT_EQ(AlignText(0, 900, 0, 800), 0);
    EXPECT_EQ(AlignText(1, 100, 30, 800), 30);
}

TEST(PrintLayout, LengthUnits)
{
    // Inches are shown in the Print Setup dialog (Printing_test); entered
    // values are truncated back.
    EXPECT_EQ(FormatLength(100, 0, 4), "100");
    EXPECT_EQ(FormatLength(100, 2, 4), "26.4584");
    bool ok = false;
    EXPECT_EQ(ParseLength("1", 1, ok), 96);
    EXPECT_TRUE(ok);
    EXPECT_EQ(ParseLength("26.4584", 2, ok), 100);
    EXPECT_EQ(ParseLength("2.64584", 3, ok), 100);
    EXPECT_EQ(ParseLength(" 150 ", 0, ok), 150);
    EXPECT_TRUE(ok);
    for (const char* bad : {"", "abc", "1x", "nan", "inf"}) {
        ParseLength(bad, 0, ok);
        EXPECT_FALSE(ok) << bad;
    }
    EXPECT_EQ(ParseLength("1e30", 0, ok), INT32_MAX);
}
