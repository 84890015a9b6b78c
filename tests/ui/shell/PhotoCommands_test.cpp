// The camera lines of the properties pane, Image > Information (Alt+Enter),
// the lossless JPEG turns on the shown file and the data Save As carries.
#include "CameraFiles.h"
#include "EditSaveFixture.h"
#include "ui/browser/InformationDlg.h"

#include <QTableWidget>

using namespace vkuitest;

namespace {

std::string Djpeg(const std::string& path)
{
    std::string out;
    vktest::Run("djpeg -ppm " + vktest::Quote(path), &out);
    return out;
}

} // namespace

TEST_F(EditSaveTest, CameraLinesAndTheInformationDialog)
{
    if (!vktest::MakeCameraJpeg(pics.File("photo.jpg"), 64, 48))
        GTEST_SKIP() << "exiftool is missing";
    ASSERT_TRUE(Start(pics.Path()));
    SelectRow(RowOf("photo.jpg"));
    const std::vector<std::pair<std::string, std::string>> want = {
        {"Taken:", "2024-05-01 10:20:30"}, {"Camera:", "Canon EOS 5D"},
        {"Lens:", "EF35mm f/2"},           {"Exposure:", "1/125 s, F2.8, ISO 200, 35.0 mm"},
        {"Flash:", "No, compulsory"},      {"GPS:", "48.858370, 2.500000, 35 m"},
    };
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(frame->GetPropertyLabel(int(4 + i)).toStdString(), want[i].first);
        EXPECT_EQ(Property(int(4 + i)), want[i].second);
    }

    // Alt+Enter is Information's own key.
    QKeyEvent altEnter(QEvent::KeyPress, Qt::Key_Return, Qt::AltModifier);
    EXPECT_EQ(TranslateAccelerator(altEnter), Cmd::ImageInformation);
    int rows = 0;
    dialogs.Ok([&rows](QDialog& d) {
        EXPECT_EQ(d.windowTitle().toStdString(), "Information");
        if (auto* dlg = dynamic_cast<CInformationDlg*>(&d)) {
            rows = dlg->Tags()->rowCount();
            bool model = false;
            for (int r = 0; r < rows; ++r)
                model |= dlg->Tags()->item(r, 0)->text() == "Exif.Image.Model" &&
                         dlg->Tags()->item(r, 2)->text() == "EOS 5D";
            EXPECT_TRUE(model);
        }
        return false;
    });
    EXPECT_TRUE(frame->RunCommand(Cmd::ImageInformation));
    EXPECT_GT(rows, 20);

    // A file without camera data shows none of the lines.
    WriteBmp(pics.File("plain.bmp"), 8, 8);
    frame->RunCommand(Cmd::ViewRefresh);
    SelectRow(RowOf("plain.bmp"));
    EXPECT_EQ(Property(4), "");
    EXPECT_EQ(frame->GetPropertyLabel(4).toStdString(), "");
}

TEST_F(EditSaveTest, LosslessTurnsOnTheShownJpegAndSaveAsCarriesTheData)
{
    if (!vktest::HasProgram("jpegtran") || !vktest::HasProgram("djpeg") ||
        !vktest::MakeCameraJpeg(pics.File("photo.jpg"), 64, 48))
        GTEST_SKIP() << "exiftool, jpegtran or djpeg is missing";
    const std::string photo = pics.File("photo.jpg");
    vktest::Run("jpegtran -rotate 90 -outfile " + vktest::Quote(pics.File("peer.jpg")) + " " +
                vktest::Quote(photo));
    const std::string peer = Djpeg(pics.File("peer.jpg"));
    ASSERT_TRUE(Start(pics.Path()));
    SelectRow(RowOf("photo.jpg"));
    ASSERT_TRUE(frame->IsCommandEnabled(Cmd::LosslessUpright));

    // Save As writes the camera data with orientation 1 (the view shows the picture upright).
    const std::string saved = pics.File("saved.png");
    SaveDialogAnswers(saved);
    dialogs.Ok();
    ASSERT_TRUE(vksave::SaveAs(ContextOf(*frame), "photo.jpg"));
    EXPECT_EQ(vktest::ExifTool(saved, "-Make -Model -DateTimeOriginal -GPSLatitude -Orientation"),
              "Make: Canon\nModel: EOS 5D\nDateTimeOriginal: 2024:05:01 10:20:30\nGPSLatitude: 48.85837\n"
              "Orientation: 1\n");

    SelectRow(RowOf("photo.jpg"));
    EXPECT_TRUE(frame->RunCommand(Cmd::LosslessUpright));
    WaitForLoad(frame->GetView());
    EXPECT_TRUE(Djpeg(photo) == peer);
    EXPECT_EQ(vktest::ExifTool(photo, "-Make -Orientation"), "Make: Canon\nOrientation: 1\n");
    // Shown again: upright as before, now stored so.
    EXPECT_EQ(Picture().GetWidth(), 48);
    EXPECT_EQ(Picture().GetHeight(), 64);
    frame->RunCommand(Cmd::LosslessUpright);
    EXPECT_EQ(ask.shown.back(), "The picture is upright already.");

    // An edited picture, or a file that is no JPEG, is not turned this way.
    frame->RunCommand(Cmd::ColorsInvert);
    EXPECT_FALSE(frame->IsCommandEnabled(Cmd::LosslessRotateCW90));
}

TEST_F(EditSaveTest, LosslessTurnAsksBeforeTrimmingEdgeBlocks)
{
    if (!vktest::HasProgram("jpegtran") || !vktest::HasProgram("djpeg"))
        GTEST_SKIP() << "jpegtran or djpeg is missing";
    CWinBmp bmp;
    vktest::MakeTestPicture(bmp, 70, 45);
    SaveParameters p;
    ASSERT_TRUE(SavePicture(kSaveJpg, pics.File("odd.jpg"), bmp, p));
    const std::string original = vktest::ReadFile(pics.File("odd.jpg"));
    vktest::Run("jpegtran -rotate 90 -trim -outfile " + vktest::Quote(pics.File("peer.jpg")) + " " +
                vktest::Quote(pics.File("odd.jpg")));
    ASSERT_TRUE(Start(pics.Path()));
    SelectRow(RowOf("odd.jpg"));
    ask.answers = {vkui::Answer::No};
    EXPECT_TRUE(frame->RunCommand(Cmd::LosslessRotateCW90));
    ASSERT_EQ(ask.shown.size(), 1u);
    EXPECT_NE(ask.shown[0].find("partial blocks"), std::string::npos);
    EXPECT_EQ(vktest::ReadFile(pics.File("odd.jpg")), original);
    ask.answers = {vkui::Answer::Yes};
    EXPECT_TRUE(frame->RunCommand(Cmd::LosslessRotateCW90));
    WaitForLoad(frame->GetView());
    EXPECT_TRUE(Djpeg(pics.File("odd.jpg")) == Djpeg(pics.File("peer.jpg")));
    // The old width is the new height; the old height lost its partial blocks.
    EXPECT_EQ(Picture().GetHeight(), 70);
    EXPECT_LT(Picture().GetWidth(), 45);
}
