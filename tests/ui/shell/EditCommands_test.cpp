// The Colors and Image commands driven through their dialogs: the pixels
// equal the engine's operation, undo gives back the exact picture, the
// status texts and remembered values; Resize's proportions in pixels and
// millimetres; Count and the histogram chart; Paste image.
#include "EditSaveFixture.h"
#include "ui/edit/CanvasSize.h"
#include "ui/edit/HistogramDlg.h"
#include "ui/widgets/PictureJob.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QMenu>
#include <QRadioButton>

using namespace vkuitest;
using vktest::Pixels;

namespace {

struct EditCase {
    Cmd command;
    std::function<bool(QDialog&)> fill; // null: no dialog
    std::function<void(CPictureEx&)> expected;
    const char* title;
};

} // namespace

TEST_F(EditSaveTest, EveryEditCommandMatchesItsOperationAndUndoes)
{
    StartWithPicture(41, 23);
    const std::vector<EditCase> cases = {
        {Cmd::ColorsInvert, nullptr, [](CPictureEx& p) { p.Invert(); }, ""},
        {Cmd::ColorsSwapRedBlue, nullptr, [](CPictureEx& p) { p.SwapRedBlue(); }, ""},
        {Cmd::ColorsGrayShades, nullptr, [](CPictureEx& p) { p.ToGrayShades(); }, ""},
        {Cmd::ColorsBrightness, [](QDialog& d) { return SetText(d, "value", "40"), true; },
         [](CPictureEx& p) { p.AdjustBrightness(40); }, "Brightness"},
        {Cmd::ColorsContrast, [](QDialog& d) { return SetText(d, "value", "-30"), true; },
         [](CPictureEx& p) { p.AdjustContrast(-30); }, "Contrast"},
        {Cmd::ColorsGamma, [](QDialog& d) { return SetText(d, "value", "50"), true; },
         [](CPictureEx& p) { p.AdjustGamma(1.5); }, "Gamma Correction"},
        {Cmd::ColorsBalance,
         [](QDialog& d) {
             SetText(d, "red", "10");
             SetText(d, "green", "-20");
             return SetText(d, "blue", "30"), true;
         },
         [](CPictureEx& p) { p.AdjustColorBalance(10, -20, 30); }, "Color Balance"},
        {Cmd::ImageFlipHorizontal, nullptr, [](CPictureEx& p) { p.FlipLines(); }, ""},
        {Cmd::ImageFlipVertical, nullptr, [](CPictureEx& p) { p.FlipColumns(); }, ""},
        {Cmd::ImageTranspose, nullptr, [](CPictureEx& p) { p.Transpose(); }, ""},
        {Cmd::RotateCW90, nullptr, [](CPictureEx& p) { p.Rotate(90, RotateMedium); }, ""},
        {Cmd::RotateCCW90, nullptr, [](CPictureEx& p) { p.Rotate(270, RotateMedium); }, ""},
        {Cmd::Rotate180, nullptr, [](CPictureEx& p) { p.Rotate(180, RotateMedium); }, ""},
        {Cmd::RotateArbitrary,
         [](QDialog& d) {
             SetText(d, "angle", "30");
             Check(d, "ccw");
             Child<QComboBox>(d, "quality")->setCurrentIndex(1);
             return true;
         },
         [](CPictureEx& p) { p.Rotate(330, RotateMedium); }, "Rotate"},
        {Cmd::ImageShear,
         [](QDialog& d) {
             SetText(d, "angle", "20");
             Check(d, "antiAlias", false);
             return Check(d, "downLeft");
         },
         [](CPictureEx& p) { p.Shear(20, ShearDownLeft, false); }, "Shear"},
        {Cmd::ImageCanvasSize,
         [](QDialog& d) {
             SetText(d, "width", "50");
             SetText(d, "height", "20");
             return Check(d, "anchor8");
         },
         [](CPictureEx& p) { p.CanvasSize(50, 20, AnchorBottomRight); }, "Canvas Size"},
        {Cmd::ImageResize,
         [](QDialog& d) {
             Check(d, "constrain", false);
             SetText(d, "width", "20");
             return SetText(d, "height", "30"), true;
         },
         [](CPictureEx& p) { p.Resize(20, 30); }, "Resize"},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.title[0] ? c.title : std::to_string(int(c.command)));
        dialogs.titles.clear();
        if (c.fill)
            dialogs.Ok(c.fill);
        CPictureEx expected;
        expected.CopyFrom(Picture());
        expected.SetSourceBitsPerPixel(Picture().GetSourceBitsPerPixel());
        c.expected(expected);
        const Pixels before = Shown();
        const int depthBefore = Picture().GetSourceBitsPerPixel();

        frame->RunCommand(c.command);
        EXPECT_EQ(dialogs.titles, c.fill ? std::vector<std::string>{c.title} : std::vector<std::string>{});
        EXPECT_EQ(Shown(), vktest::Opaque(vktest::FromBitmap(expected)));
        EXPECT_EQ(Picture().GetSourceBitsPerPixel(), expected.GetSourceBitsPerPixel());
        EXPECT_EQ(Pane(4), "  Done");
        EXPECT_TRUE(Picture().IsModified());
        EXPECT_TRUE(frame->IsCommandEnabled(Cmd::FileSaveAs));
        EXPECT_TRUE(frame->IsCommandEnabled(Cmd::EditUndo));

        frame->RunCommand(Cmd::EditUndo);
        EXPECT_EQ(Shown(), before) << "undo restores the exact pixels";
        EXPECT_EQ(Picture().GetSourceBitsPerPixel(), depthBefore);
        EXPECT_FALSE(frame->IsCommandEnabled(Cmd::EditUndo));
        EXPECT_FALSE(vkjob::IsRunning());
    }
    EXPECT_TRUE(ask.shown.empty());

    // The dialogs' values are remembered.
    const CSettings& s = frame->GetSettings();
    EXPECT_EQ(s.rotateAngle, 30);
    EXPECT_EQ(s.rotateDirection, 1);
    EXPECT_EQ(s.rotateQuality, 1);
    EXPECT_EQ(s.shearAngle, 20);
    EXPECT_EQ(s.shearAntiAlias, 0);
    EXPECT_EQ(s.shearCorner, 1);
    EXPECT_EQ(s.canvasAnchor, 8);
    EXPECT_EQ(s.resizeConstrain, 0);
    EXPECT_EQ(s.balanceRed, 10);
    EXPECT_EQ(s.balanceGreen, -20);
    EXPECT_EQ(s.balanceBlue, 30);
}

TEST_F(EditSaveTest, DialogsRefuseValuesOutOfRangeAndCancelChangesNothing)
{
    StartWithPicture();
    const Pixels before = Shown();
    // 150 is refused with the toolkit's message; the dialog stays open and
    // is then cancelled.
    dialogs.Ok([](QDialog& d) {
        SetText(d, "value", "150");
        return true;
    });
    frame->RunCommand(Cmd::ColorsBrightness);
    EXPECT_EQ(ask.shown, std::vector<std::string>{"Please enter an integer between -100 and 100."});
    dialogs.Cancel();
    frame->RunCommand(Cmd::ImageShear);
    dialogs.Ok([](QDialog& d) {
        SetText(d, "width", "0");
        return true;
    });
    frame->RunCommand(Cmd::ImageResize);
    EXPECT_EQ(ask.shown.back(), "Please enter a number between 0.0001 and 10000.");
    EXPECT_EQ(Shown(), before);
    EXPECT_FALSE(Picture().IsModified());
    EXPECT_EQ(frame->GetSettings().shearAngle, 45) << "a cancelled dialog remembers nothing";
}

TEST_F(EditSaveTest, ResizeKeepsProportionsInPixelsAndMillimetres)
{
    StartWithPicture(40, 30);
    // Pixels: typing a width of 21 sets the height to 15.75, shown rounded.
    QString height;
    dialogs.Ok([&](QDialog& d) {
        SetText(d, "width", "21");
        height = Child<QLineEdit>(d, "height")->text();
        return true;
    });
    frame->RunCommand(Cmd::ImageResize);
    EXPECT_EQ(height.toStdString(), "16") << "15.75 rounded";
    EXPECT_EQ(Picture().GetWidth(), 21);
    EXPECT_EQ(Picture().GetHeight(), 16);

    // Millimetres: the edits show the size in mm and the height follows
    // with four decimals; OK converts back to pixels, truncating.
    frame->GetSettings().imageSizeUnit = 2;
    QString shownWidth, width;
    dialogs.Ok([&](QDialog& d) {
        shownWidth = Child<QLineEdit>(d, "width")->text();
        SetText(d, "height", "8.4667");
        width = Child<QLineEdit>(d, "width")->text();
        return true;
    });
    frame->RunCommand(Cmd::ImageResize);
    EXPECT_EQ(shownWidth.toStdString(), "5.5563") << "21 px in mm";
    EXPECT_EQ(width.toStdString(), "11.1125") << "8.4667 / (16 / 21)";
    EXPECT_EQ(Picture().GetWidth(), 41) << "11.1125 mm is 41.99996 pixels, truncated";
    EXPECT_EQ(Picture().GetHeight(), 32);
    EXPECT_EQ(frame->GetSettings().resizeConstrain, 1);
}

TEST_F(EditSaveTest, HistogramCountsPixelsAndCountReportsColours)
{
    StartWithPicture(10, 10);
    // Two colours over unequal areas: 80 red pixels, 20 blue.
    CPictureEx twoColours;
    twoColours.Create(10, 10, 32, false);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            twoColours.GetLine32(y)[x] = y < 8 ? MakePixel(255, 0, 0) : MakePixel(0, 0, 255);
    frame->GetView()->ShowPicture(twoColours);
    std::vector<int> bars;
    int channelOnOpen = -1;
    auto chart = [&](int channel) {
        return [&bars, &channelOnOpen, channel](QDialog& d) {
            auto& dlg = static_cast<CHistogramDlg&>(d);
            if (channelOnOpen < 0)
                channelOnOpen = dlg.Channel();
            Child<QComboBox>(d, "channel")->setCurrentIndex(channel);
            bars.clear();
            for (int i = 0; i < 256; ++i)
                bars.push_back(dlg.BarHeight(i));
            return true;
        };
    };
    // The most frequent value's bar is full height.
    auto tallAt = [&](std::initializer_list<std::pair<int, int>> expected) {
        std::vector<int> want(256, 0);
        for (auto [i, h] : expected)
            want[size_t(i)] = h;
        return want;
    };
    const std::pair<int, std::vector<int>> charts[] = {
        {1, tallAt({{255, 100}, {0, 25}})}, // red
        {0, tallAt({{76, 100}, {29, 25}})}, // luminance
        {3, tallAt({{0, 100}, {255, 25}})}, // blue
    };
    for (const auto& [channel, want] : charts) {
        SCOPED_TRACE(channel);
        dialogs.Ok(chart(channel));
        frame->RunCommand(Cmd::ColorsHistogram);
        EXPECT_EQ(bars, want);
    }
    EXPECT_EQ(dialogs.titles.back(), "Histogram");
    EXPECT_EQ(channelOnOpen, 0) << "opens on Luminocity";
    EXPECT_EQ(Pane(4), "  Done");

    frame->RunCommand(Cmd::ColorsCount);
    EXPECT_EQ(ask.shown, std::vector<std::string>{"This image contains 2 colors.   "});
    EXPECT_FALSE(Picture().IsModified()) << "counting changes nothing";
}

TEST_F(EditSaveTest, PasteImageBecomesTheModifiedPicture)
{
    StartWithPicture();
    QImage image(7, 5, QImage::Format_RGB32);
    image.fill(QColor(10, 200, 30));
    QApplication::clipboard()->setImage(image);
    if (!vksave::CanPasteImage())
        GTEST_SKIP() << "no clipboard on this platform";
    frame->RunCommand(Cmd::ColorsInvert);
    ask.answers = {vkui::Answer::No};
    vksave::PasteImage(ContextOf(*frame));
    EXPECT_EQ(ask.shown, std::vector<std::string>{"Do you want to save your changes?"});
    ASSERT_EQ(Picture().GetWidth(), 7);
    EXPECT_EQ(Picture().GetLine32(4)[6] & 0xFFFFFF, MakePixel(10, 200, 30) & 0xFFFFFF);
    EXPECT_TRUE(Picture().IsModified());
    EXPECT_FALSE(Picture().IsUndoAvailable());
    // Save As writes it.
    SaveDialogAnswers(pics.File("pasted.png"));
    dialogs.Ok();
    ASSERT_TRUE(vksave::SaveAs(ContextOf(*frame), "cat.bmp"));
    EXPECT_EQ(Decode(pics.File("pasted.png")), Shown());

    // Cancel at the save question keeps the picture.
    frame->RunCommand(Cmd::ColorsInvert);
    ask.answers = {vkui::Answer::Cancel};
    image.fill(QColor(1, 2, 3));
    QApplication::clipboard()->setImage(image.scaled(3, 3));
    vksave::PasteImage(ContextOf(*frame));
    EXPECT_EQ(Picture().GetWidth(), 7);
}

TEST_F(EditSaveTest, MenusAndKeysReachTheCommands)
{
    StartWithPicture();
    for (Cmd c : {Cmd::ColorsInvert, Cmd::ColorsHistogram, Cmd::ImageResize, Cmd::RotateArbitrary,
                  Cmd::ImageFlipVertical, Cmd::ToolsConvert})
        EXPECT_TRUE(frame->IsCommandEnabled(c)) << int(c);
    const Pixels before = Shown();
    EXPECT_TRUE(frame->RunCommand(Cmd::ColorsInvert));
    EXPECT_NE(Shown(), before);
    EXPECT_TRUE(frame->IsCommandEnabled(Cmd::FileSaveAs));

    // Ctrl+S saves, Shift+C opens Convert (Ctrl+Z is the frame's test).
    SaveDialogAnswers(pics.File("keyed.ppm"));
    QKeyEvent ctrlS(QEvent::KeyPress, Qt::Key_S, Qt::ControlModifier, "s");
    EXPECT_TRUE(frame->TranslateKey(ctrlS, false));
    EXPECT_TRUE(vktest::FileExists(pics.File("keyed.ppm")));
    EXPECT_FALSE(frame->IsCommandEnabled(Cmd::FileSaveAs)) << "saved";
    dialogs.Cancel();
    QKeyEvent shiftC(QEvent::KeyPress, Qt::Key_C, Qt::ShiftModifier, "C");
    EXPECT_TRUE(frame->TranslateKey(shiftC, false));
    ASSERT_FALSE(dialogs.titles.empty());
    EXPECT_EQ(dialogs.titles.back(), "Convert");

    // Paste image sits in the Edit menu with Shift+Ctrl+V.
    bool inEditMenu = false;
    for (QMenu* menu : frame->GetMenus(true))
        if (menu->title() == "&Edit")
            for (QAction* a : menu->actions())
                inEditMenu = inEditMenu || a == frame->GetAction(Cmd::PasteImage);
    EXPECT_TRUE(inEditMenu);
    QImage image(5, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QApplication::clipboard()->setImage(image);
    if (vksave::CanPasteImage()) {
        QKeyEvent paste(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier, "V");
        EXPECT_TRUE(frame->TranslateKey(paste, false));
        EXPECT_EQ(Picture().GetWidth(), 5);
        EXPECT_TRUE(frame->IsCommandEnabled(Cmd::FileSaveAs));
    }
}
