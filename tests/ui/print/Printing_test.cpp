// Printing onto PDF pages rasterised by pdftoppm: where pictures and texts
// land for each position, size mode, margin and info setting; thumbnail
// pages; undecodable files; and the Print Setup dialog.
#include "ui/print/PrintJob.h"
#include "ui/print/PrintSetupDlg.h"

#include "ScriptedAsk.h"
#include "TestSupport.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>

#include <gtest/gtest.h>

namespace {

constexpr int kRasterDpi = 20; // 1 raster pixel = 5 page units

// A black picture as a PPM file.
void WriteBlack(const std::string& path, int width, int height)
{
    vktest::WriteFile(path, "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n" +
                                std::string(size_t(width) * height * 3, '\0'));
}

struct Box {
    int left = -1, top = -1, right = -1, bottom = -1; // raster pixels, right/bottom exclusive
    bool empty() const { return left < 0; }
};

// The bounding box of pixels darker than `below` within rows [y0, y1).
// Small text at this resolution is grey: it is found with a higher `below`.
Box DarkBox(const vktest::Pixels& page, int y0 = 0, int y1 = -1, unsigned below = 128)
{
    Box b;
    if (y1 < 0)
        y1 = page.height;
    for (int y = std::max(0, y0); y < std::min(y1, page.height); ++y)
        for (int x = 0; x < page.width; ++x)
            if ((page.At(x, y) & 0xff) < below) {
                if (b.empty()) {
                    b = {x, y, x + 1, y + 1};
                } else {
                    b.left = std::min(b.left, x);
                    b.top = std::min(b.top, y);
                    b.right = std::max(b.right, x + 1);
                    b.bottom = std::max(b.bottom, y + 1);
                }
            }
    return b;
}

class PrintToPdf : public ::testing::Test {
  protected:
    void SetUp() override
    {
        if (!vktest::HasProgram("pdftoppm"))
            GTEST_SKIP() << "pdftoppm (poppler-utils) not installed";
        settings.printInfoName = 0;
        settings.printInfoDimensions = 0;
    }
    // Prints onto 8 x 10 inch pages without printer margins at 300 dpi.
    std::vector<vktest::Pixels> Print(const vkprint::PrintRequest& request, CPrintJob** keep = nullptr)
    {
        const std::string pdf = dir.File("out.pdf");
        QPrinter printer(QPrinter::HighResolution);
        printer.setResolution(300);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        printer.setPageLayout(QPageLayout(QPageSize(QSizeF(8, 10), QPageSize::Inch), QPageLayout::Portrait,
                                          QMarginsF(0, 0, 0, 0), QPageLayout::Inch));
        job = std::make_unique<CPrintJob>(settings, request);
        job->Render(printer);
        if (keep)
            *keep = job.get();
        messages = job->TakeMessages();
        std::vector<vktest::Pixels> pages;
        vktest::Run("rm -f " + vktest::Quote(dir.File("page")) + "*");
        if (!vktest::FileExists(pdf))
            return pages;
        vktest::Run("pdftoppm -gray -r " + std::to_string(kRasterDpi) + " " + vktest::Quote(pdf) + " " +
                    vktest::Quote(dir.File("page")));
        std::string list;
        vktest::Run("ls " + vktest::Quote(dir.Path()) + " | grep '^page' | sort", &list);
        size_t at = 0;
        for (size_t nl; (nl = list.find('\n', at)) != std::string::npos; at = nl + 1)
            pages.push_back(vktest::ParsePnm(vktest::ReadFile(dir.File(list.substr(at, nl - at)))));
        vktest::Run("rm -f " + vktest::Quote(pdf));
        return pages;
    }
    vkprint::PrintRequest Current(const std::string& name)
    {
        vkprint::PrintRequest r;
        r.printMode = 0;
        r.directory = dir.Path();
        r.currentFile = name;
        r.selectedNames = {name};
        r.allNames = {name};
        return r;
    }
    vktest::TempDir dir;
    CSettings settings;
    std::unique_ptr<CPrintJob> job;
    QStringList messages;
};

} // namespace

TEST_F(PrintToPdf, PositionsAndSizeModes)
{
    WriteBlack(dir.File("a.ppm"), 200, 100); // 2 x 1 inches by default
    struct Case {
        int h, v, mode;
        Box want; // raster pixels on the 160 x 200 page
    };
    settings.printCustomWidth = 100;
    settings.printCustomHeight = 300;
    for (const Case& c : {Case{1, 1, 0, {60, 90, 100, 110}}, Case{0, 0, 0, {0, 0, 40, 20}},
                          Case{2, 2, 0, {120, 180, 160, 200}}, Case{2, 0, 0, {120, 0, 160, 20}},
                          Case{1, 1, 1, {0, 60, 160, 140}}, Case{0, 2, 1, {0, 120, 160, 200}},
                          Case{1, 1, 2, {70, 70, 90, 130}}}) {
        settings.printHorizontal = c.h;
        settings.printVertical = c.v;
        settings.printSizeMode = c.mode;
        const auto pages = Print(Current("a.ppm"));
        ASSERT_EQ(pages.size(), size_t(1));
        EXPECT_EQ(pages[0].width, 160);
        EXPECT_EQ(pages[0].height, 200);
        const Box b = DarkBox(pages[0]);
        EXPECT_NEAR(b.left, c.want.left, 1) << c.h << c.v << c.mode;
        EXPECT_NEAR(b.top, c.want.top, 1) << c.h << c.v << c.mode;
        EXPECT_NEAR(b.right, c.want.right, 1) << c.h << c.v << c.mode;
        EXPECT_NEAR(b.bottom, c.want.bottom, 1) << c.h << c.v << c.mode;
        EXPECT_TRUE(messages.isEmpty());
    }
}

TEST_F(PrintToPdf, MarginsAndTheirReset)
{
    WriteBlack(dir.File("a.ppm"), 200, 100);
    settings.printHorizontal = 0;
    settings.printVertical = 0;
    settings.printMarginLeft = 100;
    settings.printMarginTop = 200;
    auto pages = Print(Current("a.ppm"));
    Box b = DarkBox(pages.at(0));
    EXPECT_NEAR(b.left, 20, 1);
    EXPECT_NEAR(b.top, 40, 1);
    // Right and bottom margins move a picture placed there.
    settings.printHorizontal = 2;
    settings.printVertical = 2;
    settings.printMarginRight = 50;
    settings.printMarginBottom = 150;
    b = DarkBox(Print(Current("a.ppm")).at(0));
    EXPECT_NEAR(b.right, 150, 1);
    EXPECT_NEAR(b.bottom, 170, 1);
    // A left margin of 900 on a page 8 inches wide is reset to 0.
    settings.printHorizontal = 0;
    settings.printMarginLeft = 900;
    b = DarkBox(Print(Current("a.ppm")).at(0));
    EXPECT_EQ(settings.printMarginLeft, 0);
    EXPECT_NEAR(b.left, 0, 1);
}

TEST_F(PrintToPdf, InfoLineInEveryPlace)
{
    WriteBlack(dir.File("a.ppm"), 100, 100);
    settings.printHorizontal = 1;
    settings.printVertical = 0;
    settings.printInfoName = 1;
    settings.printInfoDimensions = 1;
    settings.printInfoPath = 1;
    settings.printInfoFileSize = 1;
    settings.printInfoAlign = 1; // left
    auto pages = Print(Current("a.ppm"));
    CPrintJob* j = job.get();
    const int line = (j->GetLineHeight() + 4) / 5; // raster rows
    ASSERT_GT(line, 0);
    // The text sits in the top line at the left; the picture starts below it.
    const Box text = DarkBox(pages.at(0), 0, line, 250);
    ASSERT_FALSE(text.empty());
    EXPECT_LE(text.left, 2);
    const Box picture = DarkBox(pages.at(0), line + 1);
    EXPECT_NEAR(picture.top, line, 2);
    EXPECT_NEAR(picture.left, 70, 1);
    // Right-aligned at the bottom: the picture keeps the top.
    settings.printInfoAlign = 2;
    settings.printInfoPosition = 1;
    pages = Print(Current("a.ppm"));
    const Box bottomText = DarkBox(pages.at(0), 200 - line, 200, 250);
    ASSERT_FALSE(bottomText.empty());
    EXPECT_GE(bottomText.right, 158);
    EXPECT_NEAR(DarkBox(pages.at(0), 0, 100).top, 0, 1);
    // All info off: nothing above the picture.
    settings.printInfoPath = settings.printInfoName = settings.printInfoDimensions =
        settings.printInfoFileSize = 0;
    EXPECT_NEAR(DarkBox(Print(Current("a.ppm")).at(0)).top, 0, 1);
}

TEST_F(PrintToPdf, TooLargeIsReportedAndClipped)
{
    WriteBlack(dir.File("big.ppm"), 900, 100);
    const auto pages = Print(Current("big.ppm"));
    ASSERT_EQ(pages.size(), size_t(1));
    EXPECT_EQ(messages, QStringList{"The image is larger than the paper's printable area."});
    const Box b = DarkBox(pages[0]);
    EXPECT_EQ(b.left, 0);
    EXPECT_EQ(b.right, 160);
}

TEST_F(PrintToPdf, ThumbnailPageOfTwentyFiveFiles)
{
    vkprint::PrintRequest r;
    r.printMode = 2;
    r.directory = dir.Path();
    for (int i = 0; i < 25; ++i) {
        const std::string name = "t" + std::to_string(100 + i) + ".ppm";
        WriteBlack(dir.File(name), 40, 40);
        r.allNames.push_back(name);
    }
    r.selectedNames = r.allNames;
    settings.printSizeMode = 3;
    CPrintJob* j = nullptr;
    const auto pages = Print(r, &j);
    EXPECT_EQ(j->GetGrid().columns, 7);
    EXPECT_EQ(j->GetGrid().rows, 9);
    EXPECT_EQ(j->GetPageCount(), 1);
    ASSERT_EQ(pages.size(), size_t(1));
    // Grid 770 x 990 centred: pictures from (20, 10) to (780, 440) units,
    // four rows of which the last holds four.
    const Box b = DarkBox(pages[0]);
    EXPECT_NEAR(b.left, 4, 1);
    EXPECT_NEAR(b.top, 2, 1);
    EXPECT_NEAR(b.right, 156, 1);
    EXPECT_NEAR(b.bottom, 88, 1);
    const Box lastRow = DarkBox(pages[0], 68, 90);
    EXPECT_NEAR(lastRow.right, 4 + (3 * 110 + 100) / 5, 1);
    EXPECT_TRUE(messages.isEmpty());

    // With names and dimensions a second page follows when needed.
    settings.printInfoName = 1;
    settings.printInfoDimensions = 1;
    settings.printThumbWidth = 300;
    settings.printThumbHeight = 300;
    r.selectedNames.resize(3);
    EXPECT_EQ(Print(r, &j).size(), size_t(j->GetPageCount()));
    EXPECT_EQ(j->GetNames().size(), size_t(3)); // selected only, by default
    settings.printThumbSelectedOnly = 0;
    const auto all = Print(r, &j);
    EXPECT_EQ(j->GetNames().size(), size_t(25));
    EXPECT_EQ(int(all.size()), j->GetPageCount());
    EXPECT_GT(j->GetPageCount(), 1);
}

TEST_F(PrintToPdf, UndecodableFilesLeaveEmptyPagesAndOneMessage)
{
    WriteBlack(dir.File("good.ppm"), 100, 100);
    vktest::WriteFile(dir.File("bad.png"), "not a picture at all");
    vkprint::PrintRequest r;
    r.printMode = 1;
    r.directory = dir.Path();
    r.allNames = r.selectedNames = {"good.ppm", "bad.png"};
    r.currentFile = "bad.png";
    const auto pages = Print(r);
    ASSERT_EQ(pages.size(), size_t(2));
    EXPECT_FALSE(DarkBox(pages[0]).empty());
    EXPECT_TRUE(DarkBox(pages[1]).empty());
    EXPECT_EQ(messages, QStringList{QString::fromStdString("Error loading " + dir.File("bad.png"))});

    // Thumbnails: the cell stays empty, the message once although the page
    // is drawn twice (a preview repaints).
    r.printMode = 2;
    settings.printSizeMode = 3;
    r.preview = true;
    CPrintJob* j = nullptr;
    Print(r, &j);
    EXPECT_EQ(messages.size(), 1);
    QPrinter again(QPrinter::HighResolution);
    again.setOutputFormat(QPrinter::PdfFormat);
    again.setOutputFileName(QString::fromStdString(dir.File("again.pdf")));
    j->Render(again);
    EXPECT_TRUE(j->TakeMessages().isEmpty());
}

TEST_F(PrintToPdf, PicturesDecodedOnePageAtATime)
{
    // 30 pictures of 1000 x 1000 (4 MB each decoded): printing every one
    // must never hold more than about one decoded picture.
    vkprint::PrintRequest r;
    r.printMode = 1;
    r.directory = dir.Path();
    WriteBlack(dir.File("p.ppm"), 1000, 1000);
    for (int i = 0; i < 30; ++i) {
        const std::string name = "p" + std::to_string(i) + ".ppm";
        vktest::Run("ln -s p.ppm " + vktest::Quote(dir.File(name)));
        r.selectedNames.push_back(name);
    }
    r.allNames = r.selectedNames;
    CPrintJob* j = nullptr;
    EXPECT_EQ(Print(r, &j).size(), size_t(30));
    EXPECT_LT(j->GetPeakPictureBytes(), size_t(12) << 20);
    // Thumbnails keep only copies reduced to their cells.
    r.printMode = 2;
    settings.printSizeMode = 3;
    Print(r, &j);
    // One decoded picture and 30 copies of 300 x 300 (the cell at 300 dpi),
    // against 120 MB for every picture decoded.
    EXPECT_LT(j->GetPeakPictureBytes(), size_t(20) << 20);
}

TEST(PrintCommands, SizeModeFollowsTheCommand)
{
    CSettings s;
    s.printSizeMode = 3;
    vkprint::PrepareCommand(s, 0);
    EXPECT_EQ(s.printSizeMode, 0); // Print with Thumbnails chosen: Default
    s.printSizeMode = 2;
    vkprint::PrepareCommand(s, 1);
    EXPECT_EQ(s.printSizeMode, 2);
    vkprint::PrepareCommand(s, 2);
    EXPECT_EQ(s.printSizeMode, 3);
}

TEST(PrintSetupDialog, UnitsStatesProportionsAndCancel)
{
    vkuitest::ScriptedAsk seams;
    CSettings s;
    s.imageSizeUnit = 1; // inches
    s.printMarginLeft = 96;
    s.printMarginTop = 50;
    CPrintSetupDlg dialog(s, 400, 300);
    EXPECT_EQ(dialog.windowTitle(), "Print Setup");
    EXPECT_EQ(dialog.GetMarginEdit(0)->text(), "1");
    EXPECT_EQ(dialog.GetMarginEdit(1)->text(), "0.5208");
    // OK without an edit keeps every length.
    CSettings same = dialog.GetValues();
    EXPECT_EQ(same.Format(), s.Format());

    // Default: size edits off, path and size boxes on.
    EXPECT_FALSE(dialog.GetWidthEdit()->isEnabled());
    EXPECT_FALSE(dialog.GetThumbnailsList()->isEnabled());
    EXPECT_TRUE(dialog.GetInfoBox(0)->isEnabled());
    EXPECT_TRUE(dialog.GetConstrain()->isChecked());

    // Thumbnails: path and size boxes off, the list on, the thumb size shown.
    dialog.GetSizeGroup()->button(3)->click();
    EXPECT_FALSE(dialog.GetInfoBox(0)->isEnabled());
    EXPECT_FALSE(dialog.GetInfoBox(3)->isEnabled());
    EXPECT_TRUE(dialog.GetThumbnailsList()->isEnabled());
    EXPECT_EQ(dialog.GetWidthEdit()->text(), "1.0417");

    // Custom in pixels: the picture's size; 200 wide gives 150 high.
    CSettings px;
    CPrintSetupDlg custom(px, 400, 300);
    custom.GetSizeGroup()->button(2)->click();
    EXPECT_EQ(custom.GetWidthEdit()->text(), "400");
    EXPECT_EQ(custom.GetHeightEdit()->text(), "300");
    custom.GetWidthEdit()->setText("200");
    custom.OnWidthEdited();
    EXPECT_EQ(custom.GetHeightEdit()->text(), "150");
    custom.GetHeightEdit()->setText("60");
    custom.OnHeightEdited();
    EXPECT_EQ(custom.GetWidthEdit()->text(), "80");
    custom.GetConstrain()->setChecked(false);
    custom.GetWidthEdit()->setText("500");
    custom.OnWidthEdited();
    EXPECT_EQ(custom.GetHeightEdit()->text(), "60");
    CSettings values = custom.GetValues();
    EXPECT_EQ(values.printSizeMode, 2);
    EXPECT_EQ(values.printCustomWidth, 500);
    EXPECT_EQ(values.printCustomHeight, 60);

    // Values the edits let through are clamped into the store's range.
    custom.GetMarginEdit(0)->setText("-40");
    custom.GetMarginEdit(2)->setText("99999999999");
    custom.GetWidthEdit()->setText("-3");
    values = custom.GetValues();
    EXPECT_EQ(values.printMarginLeft, 0);
    EXPECT_EQ(values.printMarginRight, 1000000);
    EXPECT_EQ(values.printCustomWidth, 0);
    CSettings reread;
    EXPECT_TRUE(reread.Parse(values.Format()));
    EXPECT_EQ(reread.Format(), values.Format());

    // Cancel keeps every setting.
    vkui::setDialogHandler([](QDialog& d) {
        auto& dlg = static_cast<CPrintSetupDlg&>(d);
        dlg.GetMarginEdit(0)->setText("5");
        dlg.GetSizeGroup()->button(1)->click();
        return int(QDialog::Rejected);
    });
    CSettings live = s;
    EXPECT_FALSE(RunPrintSetup(live, 10, 10, nullptr));
    EXPECT_EQ(live.Format(), s.Format());
    vkui::setDialogHandler([](QDialog& d) {
        static_cast<CPrintSetupDlg&>(d).GetSizeGroup()->button(1)->click();
        return int(QDialog::Accepted);
    });
    EXPECT_TRUE(RunPrintSetup(live, 10, 10, nullptr));
    EXPECT_EQ(live.printSizeMode, 1);
    EXPECT_EQ(live.printMarginLeft, 96);
}
