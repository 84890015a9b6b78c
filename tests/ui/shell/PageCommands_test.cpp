// Image > Page on a multi-page TIFF joined by tiffcp (the keys, the status
// bar's "page N of M"), and a camera RAW file shown from its preview,
// developed when zoomed past it or edited.
#include "EditSaveFixture.h"
#include "RawFiles.h"
#include "ui/widgets/PictureJob.h"

using namespace vkuitest;

TEST_F(EditSaveTest, PagesOfATiffAreSteppedThrough)
{
    if (!vktest::HasProgram("tiffcp") || !vktest::HasProgram("identify"))
        GTEST_SKIP() << "libtiff tools or ImageMagick missing";
    std::string pages;
    for (int i = 0; i < 3; ++i) {
        const std::string tif = pics.File("p" + std::to_string(i) + ".tif");
        ASSERT_EQ(vktest::Run(vktest::ImageMagick() + " -size " + std::to_string(20 + 10 * i) +
                              "x15 xc:blue " + vktest::Quote(tif)),
                  0);
        pages += " " + vktest::Quote(tif);
    }
    ASSERT_EQ(vktest::Run("tiffcp" + pages + " " + vktest::Quote(pics.File("book.tif"))), 0);
    ASSERT_TRUE(Start(pics.Path()));
    CPreview* view = frame->GetView();

    // A file of one page has no pages to step through.
    SelectRow(RowOf("p0.tif"));
    EXPECT_EQ(view->GetPageCount(), 1);
    EXPECT_FALSE(frame->IsCommandEnabled(Cmd::PageNext));

    SelectRow(RowOf("book.tif"));
    EXPECT_EQ(view->GetPageCount(), 3);
    EXPECT_EQ(Picture().GetWidth(), 20);
    EXPECT_NE(frame->GetStatusText().toStdString().find("page 1 of 3"), std::string::npos);
    EXPECT_FALSE(frame->IsCommandEnabled(Cmd::PagePrevious));

    // Ctrl+PageDown is the next page's key and no other command's.
    QKeyEvent next(QEvent::KeyPress, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(TranslateAccelerator(next), Cmd::PageNext);
    QKeyEvent last(QEvent::KeyPress, Qt::Key_PageDown, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(TranslateAccelerator(last), Cmd::PageLast);
    frame->SwitchToViewer();
    Key(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(view->GetPage(), 1);
    EXPECT_EQ(Picture().GetWidth(), 30);
    EXPECT_NE(frame->GetStatusText().toStdString().find("page 2 of 3"), std::string::npos);

    ASSERT_TRUE(frame->RunCommand(Cmd::PageLast));
    WaitForLoad(view);
    EXPECT_EQ(Picture().GetWidth(), 40);
    EXPECT_FALSE(frame->IsCommandEnabled(Cmd::PageNext));
    ASSERT_TRUE(frame->RunCommand(Cmd::PageFirst));
    WaitForLoad(view);
    EXPECT_EQ(Picture().GetWidth(), 20);
    EXPECT_NE(frame->GetStatusText().toStdString().find("page 1 of 3"), std::string::npos);
}

TEST_F(EditSaveTest, RawFilesShowTheirPreviewAndDevelopWhenNeeded)
{
    if (!vktest::HasProgram("identify"))
        GTEST_SKIP() << "ImageMagick missing";
    const std::string jpeg = pics.File("preview.jpeg");
    ASSERT_EQ(vktest::Run(vktest::ImageMagick() + " -size 40x30 xc:orange " + vktest::Quote(jpeg)), 0);
    for (const char* name : {"a.dng", "b.dng"})
        ASSERT_TRUE(vktest::WriteBayerDng(pics.File(name), {.width = 160,
                                                            .height = 120,
                                                            .previewJpeg = vktest::ReadFile(jpeg),
                                                            .previewWidth = 40,
                                                            .previewHeight = 30}));
    ASSERT_TRUE(Start(pics.Path()));
    CPreview* view = frame->GetView();
    SelectRow(RowOf("a.dng"));
    ASSERT_TRUE(view->ShowsRawPreview());
    EXPECT_EQ(Picture().GetWidth(), 40);
    // The properties and the viewer's status bar give the camera picture's size.
    EXPECT_EQ(Property(1), "160x120, 24 bpp");

    // Zoomed past the preview's own size, the whole picture develops and
    // takes its place at the size shown.
    frame->SwitchToViewer();
    EXPECT_NE(Pane(3).find("160x120"), std::string::npos) << Pane(3);
    ASSERT_TRUE(frame->RunCommand(Cmd::Zoom300));
    EXPECT_TRUE(view->IsDeveloping());
    EXPECT_EQ(frame->GetStatusText().toStdString(), vktext::kTextDeveloping);
    ASSERT_TRUE(WaitFor([view] { return !view->IsDeveloping(); }));
    EXPECT_FALSE(view->ShowsRawPreview());
    EXPECT_EQ(Picture().GetWidth(), 160);
    EXPECT_EQ(view->GetDisplayWidth(), 120);
    EXPECT_EQ(frame->GetStatusText().toStdString(), vktext::kTextDeveloped);

    // An edit of a preview waits for the developed picture and works on
    // it; Save As then writes that.
    frame->SwitchToBrowser();
    SelectRow(RowOf("b.dng"));
    ASSERT_TRUE(view->ShowsRawPreview());
    ASSERT_TRUE(frame->RunCommand(Cmd::ColorsInvert));
    ASSERT_TRUE(WaitFor([view] { return !view->IsDeveloping() && !vkjob::IsRunning(); }));
    EXPECT_EQ(Picture().GetWidth(), 160);
    EXPECT_TRUE(Picture().IsModified());
    const std::string saved = pics.File("b.png");
    SaveDialogAnswers(saved);
    dialogs.Ok();
    ASSERT_TRUE(frame->RunCommand(Cmd::FileSaveAs));
    ASSERT_TRUE(WaitFor([&saved] { return vktest::FileExists(saved) && !vkjob::IsRunning(); }));
    const vktest::Pixels written = vktest::DecodeWithVelkor(saved);
    EXPECT_EQ(written.width, 160);
    EXPECT_EQ(written.height, 120);
}
