// The printing commands from the main frame: the picture shown, edits and
// all, is printed; the other files are read from disk.
#include "FrameFixture.h"

#include <QPrintDialog>
#include <QPrinter>

using namespace vkuitest;

namespace {

void WriteBlackBmp(const std::string& path)
{
    CWinBmp bmp;
    bmp.Create(60, 40, 32, false);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x)
            bmp.GetLine32(y)[x] = MakePixel(0, 0, 0);
    SaveAsBmpFile(bmp, path);
}

class PrintFromFrame : public FrameTest {
  protected:
    // Runs `command` into a PDF; its pages rasterised in gray, darkest value each.
    std::vector<unsigned> DarkestPerPage(Cmd command)
    {
        const std::string pdf = out.File("out.pdf");
        vktest::Run("rm -f " + vktest::Quote(out.File("page")) + "*");
        vkui::setDialogHandler([&](QDialog& d) {
            if (auto* print = qobject_cast<QPrintDialog*>(&d)) {
                print->printer()->setOutputFormat(QPrinter::PdfFormat);
                print->printer()->setOutputFileName(QString::fromStdString(pdf));
            }
            return int(QDialog::Accepted);
        });
        EXPECT_TRUE(frame->RunCommand(command));
        vktest::Run("pdftoppm -gray -r 10 " + vktest::Quote(pdf) + " " + vktest::Quote(out.File("page")));
        std::string list;
        vktest::Run("ls " + vktest::Quote(out.Path()) + " | grep '^page' | sort", &list);
        std::vector<unsigned> darkest;
        size_t at = 0;
        for (size_t nl; (nl = list.find('\n', at)) != std::string::npos; at = nl + 1) {
            const vktest::Pixels page =
                vktest::ParsePnm(vktest::ReadFile(out.File(list.substr(at, nl - at))));
            unsigned least = 255;
            for (uint32_t v : page.data)
                least = std::min(least, unsigned(v & 0xff));
            darkest.push_back(least);
        }
        return darkest;
    }
    vktest::TempDir out;
};

} // namespace

TEST_F(PrintFromFrame, TheEditedPictureShownIsPrintedAndOtherFilesFromDisk)
{
    if (!vktest::HasProgram("pdftoppm"))
        GTEST_SKIP() << "pdftoppm (poppler-utils) not installed";
    WriteBlackBmp(pics.File("a.bmp"));
    WriteBlackBmp(pics.File("b.bmp"));
    ASSERT_TRUE(Start(pics.Path()));
    CSettings& s = frame->GetSettings();
    s.printSetupFirst = 0;
    s.printSizeMode = 1; // fitted to the page
    s.printInfoPath = s.printInfoName = s.printInfoFileSize = s.printInfoDimensions = 0;
    SelectRows({RowOf("a.bmp"), RowOf("b.bmp")});
    ASSERT_EQ(frame->GetFileList().GetCurrentFile(), "b.bmp");
    frame->GetView()->GetPicture().Invert(); // b.bmp shown white

    std::vector<unsigned> pages = DarkestPerPage(Cmd::FilePrint);
    ASSERT_EQ(pages.size(), size_t(1));
    EXPECT_GT(pages[0], 200u) << "the edited picture, not the black file";

    pages = DarkestPerPage(Cmd::FilePrintAll);
    ASSERT_EQ(pages.size(), size_t(2));
    EXPECT_LT(pages[0], 50u) << "a.bmp read from disk";
    EXPECT_GT(pages[1], 200u) << "b.bmp as shown";
}
