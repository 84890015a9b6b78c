// Save As and Convert driven through the window's seams: every format
// with its options, read back by us and by a peer; extension case;
// cancelling at each step; a failing write; remembered values across a
// restart; Convert's overwrite policies and "R&eplace original".
#include "EditSaveFixture.h"
#include "ReadOnlyFolder.h"
#include "engine/save/SaveDispatch.h"
#include "engine/save/SaveNames.h"
#include "models/settings/SaveOptionsFile.h"
#include "ui/fileops/RenameDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>

#include <filesystem>

using namespace vkuitest;
using vktest::Pixels;

namespace {

Pixels Gray(const Pixels& p)
{
    Pixels g = p;
    for (uint32_t& v : g.data) {
        const auto y = uint8_t(0.299 * (v >> 16 & 0xFF) + 0.587 * (v >> 8 & 0xFF) + 0.114 * (v & 0xFF) + 0.5);
        v = MakePixel(y, y, y);
    }
    return g;
}

struct FormatCase {
    const char* ext;
    std::function<bool(QDialog&)> options; // null: no options dialog
    const char* title;
    int tolerance;    // largest channel difference allowed; -1: lossy, judged by PSNR
    const char* peer; // netpbm reader, or "" for ImageMagick
};

std::vector<FormatCase> Formats()
{
    return {
        {"bmp", [](QDialog& d) { return Check(d, "depth8"); }, "BMP Options", 0, ""},
        {"jpg",
         [](QDialog& d) {
             Child<QSlider>(d, "quality")->setValue(95);
             Child<QSlider>(d, "smoothing")->setValue(10);
             Check(d, "progressive");
             return Check(d, "optimize");
         },
         "JPEG Options", -1, ""},
        {"png", [](QDialog& d) { return Check(d, "interlaced"); }, "PNG Options", 0, ""},
        {"ppm", nullptr, "", 0, ""},
        {"pgm", nullptr, "", 0, ""},
        {"tga",
         [](QDialog& d) {
             Check(d, "rle");
             return Check(d, "depth24");
         },
         "TGA Options", 0, "tgatoppm"},
        {"pcx", [](QDialog& d) { return Check(d, "depth24"); }, "PCX Options", 0, ""},
        {"gif", [](QDialog& d) { return Check(d, "interlaced"); }, "GIF Options", 0, ""},
        {"iff", nullptr, "", 0, "ilbmtoppm"},
        {"pct", [](QDialog& d) { return Check(d, "rle", false); }, "PICT Options", 0, "picttoppm"},
        {"ras",
         [](QDialog& d) {
             Check(d, "rle");
             return Check(d, "depth8");
         },
         "RAS Options", 0, ""},
        {"tif", [](QDialog& d) { return Check(d, "lzw"); }, "TIFF Options", 0, ""},
        // The newer formats' own tools read them back in the engine's tests.
        {"webp",
         [](QDialog& d) {
             EXPECT_TRUE(Child<QSlider>(d, "quality")->isEnabled());
             Check(d, "lossless");
             EXPECT_FALSE(Child<QSlider>(d, "quality")->isEnabled()) << "lossless has no quality";
             EXPECT_EQ(d.findChild<QSlider*>("speed"), nullptr);
             return true;
         },
         "WebP Options", 0, "-"},
        {"avif",
         [](QDialog& d) {
             EXPECT_EQ(d.findChild<QCheckBox*>("lossless"), nullptr);
             Child<QSlider>(d, "quality")->setValue(90);
             Child<QSlider>(d, "speed")->setValue(9);
             return true;
         },
         "AVIF Options", -1, "-"},
        {"jxl",
         [](QDialog& d) {
             auto* distance = Child<QDoubleSpinBox>(d, "distance");
             EXPECT_FALSE(distance->isEnabled());
             Child<QSlider>(d, "quality")->setValue(90);
             EXPECT_DOUBLE_EQ(distance->value(), 1.0) << "the quality's distance is shown";
             Check(d, "byDistance");
             EXPECT_TRUE(distance->isEnabled());
             EXPECT_FALSE(Child<QSlider>(d, "quality")->isEnabled());
             distance->setValue(0.5);
             Child<QSlider>(d, "effort")->setValue(3);
             return true;
         },
         "JPEG XL Options", -1, "-"},
        {"heic",
         [](QDialog& d) {
             Child<QSlider>(d, "quality")->setValue(90);
             return true;
         },
         "HEIC Options", -1, "-"},
    };
}

} // namespace

TEST_F(EditSaveTest, SaveAsWritesEveryFormatWithItsOptions)
{
    StartWithPicture();
    frame->RunCommand(Cmd::ColorsInvert);
    ASSERT_TRUE(Picture().IsModified());
    const Pixels edited = Shown();
    for (const FormatCase& c : Formats()) {
        SCOPED_TRACE(c.ext);
        const std::string path = pics.File(std::string("out.") + c.ext);
        SaveDialogAnswers(path);
        dialogs.titles.clear();
        if (c.options)
            dialogs.Ok(c.options);
        Picture().SetModified(true);
        ASSERT_TRUE(vksave::SaveAs(ContextOf(*frame), "cat.bmp"));
        EXPECT_EQ(saveDialogName, "cat");
        EXPECT_EQ(saveDialogDir, pics.Path());
        ASSERT_EQ(saveDialogFilters.size(), 16);
        EXPECT_EQ(saveDialogFilters[0].toStdString(), "Windows Bitmap (*.bmp)");
        EXPECT_EQ(dialogs.titles, c.options ? std::vector<std::string>{c.title} : std::vector<std::string>{});
        EXPECT_FALSE(Picture().IsModified()) << "a written file clears the modified flag";
        EXPECT_EQ(Pane(4), "  Done");
        EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "cat.bmp") << "the shown file stays selected";
        EXPECT_GE(RowOf(std::string("out.") + c.ext), 0) << "the list was read again";

        const Pixels expected = std::string(c.ext) == "pgm" ? Gray(edited) : edited;
        auto close = [&](const Pixels& p) {
            return c.tolerance < 0 ? vktest::Psnr(p, expected) > 24
                                   : vktest::MaxChannelDifference(p, expected) <= c.tolerance;
        };
        EXPECT_TRUE(close(Decode(path))) << "read back by Velkor";
        Pixels peer;
        if (std::string(c.peer) == "-") {
        } else if (*c.peer) {
            if (vktest::HasProgram(c.peer))
                peer = vktest::ReadWithNetpbm(std::string(c.peer) + " " + vktest::Quote(path));
        } else {
            peer = vktest::Opaque(vktest::ReadWithImageMagick(path));
        }
        if (!peer.data.empty()) {
            EXPECT_TRUE(close(vktest::Opaque(peer)))
                << "read back by a peer " << vktest::Psnr(peer, expected);
        }
        if (std::string(c.ext) == "jpg") {
            EXPECT_NE(vktest::ReadFile(path).find("\xFF\xC2"), std::string::npos) << "progressive, as chosen";
        }
    }
    // The options chosen are remembered, each format on its own.
    const SaveOptionValues& v = frame->GetSettings().saveOptions;
    EXPECT_EQ(v.bmpDepth, 0);
    EXPECT_EQ(v.pcxDepth, 1);
    EXPECT_EQ(v.jpegQuality, 95);
    EXPECT_EQ(v.jpegSmoothing, 10);
    EXPECT_EQ(v.jpegProgressive, 1);
    EXPECT_EQ(v.jpegOptimize, 1);
    EXPECT_EQ(v.pngInterlace, 1);
    EXPECT_EQ(v.gifInterlace, 1);
    EXPECT_EQ(v.tgaRle, 1);
    EXPECT_EQ(v.tgaDepth, 1);
    EXPECT_EQ(v.rasRle, 1);
    EXPECT_EQ(v.rasDepth, 0);
    EXPECT_EQ(v.pictRle, 0);
    EXPECT_EQ(v.tiffCompression, 2);
    EXPECT_EQ(v.webpLossless, 1);
    EXPECT_EQ(v.avifQuality, 90);
    EXPECT_EQ(v.avifSpeed, 9);
    EXPECT_EQ(v.jxlDistance, 50);
    EXPECT_EQ(v.jxlEffort, 3);
    EXPECT_EQ(v.heicQuality, 90);

    // ... and survive a restart through the settings file.
    frame->Shutdown();
    frame.reset();
    ASSERT_TRUE(Start(pics.Path()));
    SelectRow(RowOf("cat.bmp"));
    frame->RunCommand(Cmd::ColorsInvert);
    SaveDialogAnswers(pics.File("again.jpg"));
    int shownQuality = -1;
    dialogs.Ok([&](QDialog& d) {
        shownQuality = Child<QSlider>(d, "quality")->value();
        return true;
    });
    ASSERT_TRUE(vksave::SaveAs(ContextOf(*frame), "cat.bmp"));
    EXPECT_EQ(shownQuality, 95) << "the dialog opens with the remembered value";
    // The newer formats' values come from their own file.
    Picture().SetModified(true);
    SaveDialogAnswers(pics.File("again.jxl"));
    double shownDistance = -1;
    dialogs.Ok([&](QDialog& d) {
        EXPECT_TRUE(Child<QCheckBox>(d, "byDistance")->isChecked());
        shownDistance = Child<QDoubleSpinBox>(d, "distance")->value();
        EXPECT_EQ(Child<QSlider>(d, "effort")->value(), 3);
        return true;
    });
    ASSERT_TRUE(vksave::SaveAs(ContextOf(*frame), "cat.bmp"));
    EXPECT_DOUBLE_EQ(shownDistance, 0.5);
    EXPECT_NE(vktest::ReadFile(CSaveOptionsFile::FilePath()).find("jxlDistance=50\n"), std::string::npos);
}

TEST_F(EditSaveTest, SaveAsExtensionCaseAndCancelling)
{
    StartWithPicture();
    frame->RunCommand(Cmd::ImageFlipVertical);

    // A typed upper-case extension is a JPEG, written in lower case.
    SaveDialogAnswers(pics.File("photo.JPG"));
    dialogs.Ok();
    ASSERT_TRUE(vksave::SaveAs(ContextOf(*frame), "cat.bmp"));
    EXPECT_TRUE(vktest::FileExists(pics.File("photo.jpg")));
    EXPECT_FALSE(vktest::FileExists(pics.File("photo.JPG")));
    EXPECT_EQ(vktest::ReadFile(pics.File("photo.jpg")).substr(0, 2), "\xFF\xD8");

    // With the upper-case setting a lower-case name gets an upper-case extension.
    frame->GetSettings().upperCaseExtension = 1;
    Picture().SetModified(true);
    SaveDialogAnswers(pics.File("Photo2.png"));
    dialogs.Ok();
    ASSERT_TRUE(vksave::SaveAs(ContextOf(*frame), "cat.bmp"));
    EXPECT_TRUE(vktest::FileExists(pics.File("Photo2.PNG")));
    EXPECT_FALSE(vktest::FileExists(pics.File("Photo2.png")));
    frame->GetSettings().upperCaseExtension = 0;

    const auto entries = [&] {
        return std::distance(std::filesystem::directory_iterator(pics.Path()),
                             std::filesystem::directory_iterator{});
    };
    const auto before = entries();
    const SaveOptionValues remembered = frame->GetSettings().saveOptions;
    Picture().SetModified(true);
    // Cancelling the save dialog.
    SaveDialogAnswers("");
    EXPECT_FALSE(vksave::SaveAs(ContextOf(*frame), "cat.bmp"));
    // An extension that is no format.
    SaveDialogAnswers(pics.File("notes.txt"));
    EXPECT_FALSE(vksave::SaveAs(ContextOf(*frame), "cat.bmp"));
    // Cancelling the options dialog leaves the remembered values as they were.
    SaveDialogAnswers(pics.File("cancelled.jpg"));
    dialogs.Cancel();
    EXPECT_FALSE(vksave::SaveAs(ContextOf(*frame), "cat.bmp"));
    EXPECT_EQ(frame->GetSettings().saveOptions.jpegQuality, remembered.jpegQuality);
    EXPECT_EQ(entries(), before) << "nothing was written";
    EXPECT_TRUE(Picture().IsModified());
    EXPECT_TRUE(ask.shown.empty()) << "no message for a cancel";
}

TEST_F(EditSaveTest, FailingWriteKeepsThePictureModifiedAndTheOldFile)
{
    StartWithPicture();
    frame->RunCommand(Cmd::ColorsInvert);
    vktest::ReadOnlyFolder folder(pics.File("locked"), {{"old.png", "keep me"}});
    if (!folder.Locked())
        GTEST_SKIP() << "cannot make a read-only folder here";
    SaveDialogAnswers(folder.File("old.png"));
    dialogs.Ok();
    EXPECT_FALSE(vksave::SaveAs(ContextOf(*frame), "cat.bmp"));
    EXPECT_EQ(ask.shown, std::vector<std::string>{"Can't save file."});
    EXPECT_TRUE(Picture().IsModified());
    EXPECT_EQ(vktest::ReadFile(folder.File("old.png")), "keep me");
    EXPECT_EQ(Pane(4), "  Done");
}

TEST_F(EditSaveTest, ConvertNamesPoliciesAndTheSource)
{
    StartWithPicture();
    CSettings& s = frame->GetSettings();
    auto convertTo = [&](int index, bool replace, const char* policy) {
        return [=](QDialog& d) {
            Child<QComboBox>(d, "format")->setCurrentIndex(index);
            Check(d, "replace", replace);
            return Check(d, policy);
        };
    };

    // cat.bmp to JPEG with upper-case extensions: cat.JPG beside it.
    s.upperCaseExtension = 1;
    dialogs.Ok(convertTo(1, false, "ask"));
    dialogs.Ok(); // JPEG options
    vksave::Convert(ContextOf(*frame));
    EXPECT_EQ(dialogs.titles, (std::vector<std::string>{"Convert", "JPEG Options"}));
    EXPECT_TRUE(vktest::FileExists(pics.File("cat.JPG")));
    EXPECT_TRUE(vktest::FileExists(pics.File("cat.bmp")));
    EXPECT_EQ(s.convertFormat, 1);
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "cat.bmp") << "the source stays selected";
    s.upperCaseExtension = 0;
    const std::string jpeg = vktest::ReadFile(pics.File("cat.JPG"));

    // Skip: the clash (ignoring case) writes nothing and says nothing.
    dialogs.Ok(convertTo(1, false, "skip"));
    vksave::Convert(ContextOf(*frame));
    EXPECT_FALSE(vktest::FileExists(pics.File("cat.jpg")));
    EXPECT_TRUE(ask.shown.empty());
    EXPECT_EQ(s.convertPolicy, 3);

    // Ask, answered No, then Rename: "cat" exists, "cat2" is taken.
    dialogs.Ok(convertTo(2, false, "ask"));
    dialogs.Ok(); // PNG options
    vksave::Convert(ContextOf(*frame));
    ASSERT_TRUE(vktest::FileExists(pics.File("cat.png")));
    dialogs.Ok(convertTo(2, false, "ask"));
    vksave::Convert(ContextOf(*frame));
    EXPECT_EQ(ask.shown.back(), "This file already exists. Overwrite it?");
    dialogs.Ok(convertTo(2, false, "rename"));
    QString prompt;
    dialogs.Ok([&](QDialog& d) {
        prompt = static_cast<CRenameDlg&>(d).GetPrompt()->text();
        EXPECT_EQ(static_cast<CRenameDlg&>(d).GetEdit()->text().toStdString(), "cat");
        static_cast<CRenameDlg&>(d).GetEdit()->setText("cat");
        return true;
    });
    dialogs.Ok([](QDialog& d) {
        static_cast<CRenameDlg&>(d).GetEdit()->setText("cat2");
        return true;
    });
    dialogs.Ok(); // PNG options
    ask.shown.clear();
    vksave::Convert(ContextOf(*frame));
    EXPECT_EQ(ask.shown, std::vector<std::string>{"This file already exists."});
    EXPECT_EQ(prompt.toStdString(), "Rename cat to");
    EXPECT_TRUE(vktest::FileExists(pics.File("cat2.png")));

    // Cancelling the options dialog with "R&eplace original" keeps the source.
    dialogs.Ok(convertTo(5, true, "replaceExisting"));
    dialogs.Cancel();
    vksave::Convert(ContextOf(*frame));
    EXPECT_TRUE(vktest::FileExists(pics.File("cat.bmp")));
    EXPECT_FALSE(vktest::FileExists(pics.File("cat.tga")));

    // To its own format with "R&eplace original": the new file is the source
    // and is never deleted.
    dialogs.Ok(convertTo(0, true, "replaceExisting"));
    dialogs.Ok(); // BMP options
    vksave::Convert(ContextOf(*frame));
    EXPECT_TRUE(vktest::FileExists(pics.File("cat.bmp")));
    EXPECT_LE(vktest::MaxChannelDifference(Decode(pics.File("cat.bmp")), Shown()), 0);

    // Replace original without the trash deletes the source after writing.
    s.useRecycleBin = 0;
    dialogs.Ok(convertTo(3, true, "replaceExisting"));
    vksave::Convert(ContextOf(*frame));
    EXPECT_TRUE(vktest::FileExists(pics.File("cat.ppm")));
    EXPECT_FALSE(vktest::FileExists(pics.File("cat.bmp")));
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "cat.JPG") << "the first entry is shown";
    EXPECT_EQ(vktest::ReadFile(pics.File("cat.JPG")), jpeg) << "the Skip left it alone";
}

// vk.set keeps Convert's twelve classic formats; a newer one chosen there
// comes back from its own file after a restart.
TEST_F(EditSaveTest, ConvertToANewerFormatIsRememberedAcrossARestart)
{
    StartWithPicture();
    const int webp = SaveTargetOfCode(kSaveWebp)->dialogPosition;
    dialogs.Ok([=](QDialog& d) {
        Child<QComboBox>(d, "format")->setCurrentIndex(webp);
        Check(d, "replace", false);
        return Check(d, "ask");
    });
    dialogs.Ok(); // WebP options
    vksave::Convert(ContextOf(*frame));
    EXPECT_EQ(dialogs.titles, (std::vector<std::string>{"Convert", "WebP Options"}));
    EXPECT_EQ(vktest::ReadFile(pics.File("cat.webp")).substr(8, 4), "WEBP");
    EXPECT_EQ(frame->GetSettings().convertFormat, webp);

    frame->Shutdown();
    frame.reset();
    ASSERT_TRUE(Start(pics.Path()));
    EXPECT_EQ(frame->GetSettings().convertFormat, webp);
}

TEST_F(EditSaveTest, ConvertIntoTheTrashAndSelectingTheNewFile)
{
    vktest::TempDir data;
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data.Path()));
    StartWithPicture();
    CSettings& s = frame->GetSettings();
    s.useRecycleBin = 1;
    s.selectAfterConvert = 1;
    dialogs.Ok([](QDialog& d) {
        Child<QComboBox>(d, "format")->setCurrentIndex(4); // PGM
        Check(d, "replace");
        return true;
    });
    vksave::Convert(ContextOf(*frame));
    qunsetenv("XDG_DATA_HOME");
    EXPECT_TRUE(vktest::FileExists(pics.File("cat.pgm")));
    EXPECT_FALSE(vktest::FileExists(pics.File("cat.bmp")));
    EXPECT_TRUE(ask.shown.empty()) << (ask.shown.empty() ? "" : ask.shown[0]);
    EXPECT_EQ(frame->GetFileList().GetCurrentFile(), "cat.pgm");
    WaitForLoad(frame->GetView());
    EXPECT_EQ(Picture().GetSourceBitsPerPixel(), 8) << "the new file is shown";
}

TEST_F(EditSaveTest, ConvertFindsClashesOnDiskThatTheListDoesNotShow)
{
    StartWithPicture();
    // Written after the list was read: the list does not show it.
    vktest::WriteFile(pics.File("cat.jpg"), "keep me");
    ASSERT_LT(RowOf("cat.jpg"), 0);
    auto toJpeg = [](const char* policy) {
        return [=](QDialog& d) {
            Child<QComboBox>(d, "format")->setCurrentIndex(1);
            Check(d, "replace", false);
            return Check(d, policy);
        };
    };
    dialogs.Ok(toJpeg("skip"));
    vksave::Convert(ContextOf(*frame));
    EXPECT_TRUE(ask.shown.empty());

    dialogs.Ok(toJpeg("ask")); // answered No
    vksave::Convert(ContextOf(*frame));
    EXPECT_EQ(ask.shown, std::vector<std::string>{"This file already exists. Overwrite it?"});

    dialogs.Ok(toJpeg("rename"));
    for (const char* answer : {"cat", "cat2"})
        dialogs.Ok([answer](QDialog& d) {
            static_cast<CRenameDlg&>(d).GetEdit()->setText(answer);
            return true;
        });
    dialogs.Ok(); // JPEG options
    ask.shown.clear();
    vksave::Convert(ContextOf(*frame));
    EXPECT_EQ(ask.shown, std::vector<std::string>{"This file already exists."});
    EXPECT_TRUE(vktest::FileExists(pics.File("cat2.jpg")));
    EXPECT_EQ(vktest::ReadFile(pics.File("cat.jpg")), "keep me");
}

TEST_F(EditSaveTest, ConvertWritesNothingWhenTheFilesPictureIsNotTheOneHeld)
{
    vktest::WriteFile(pics.File("bad.png"), "not a picture");
    StartWithPicture();
    frame->GetSettings().useRecycleBin = 0;
    const std::string bad = pics.File("bad.png");
    const std::string message = bad + kTextNotShownPicture;
    auto replacingAsJpeg = [](QDialog& d) {
        Child<QComboBox>(d, "format")->setCurrentIndex(1);
        Check(d, "replace");
        return Check(d, "replaceExisting");
    };

    // A load that fails while the dialog is open.
    dialogs.Ok([&](QDialog& d) {
        SelectRow(RowOf("bad.png"));
        return replacingAsJpeg(d);
    });
    dialogs.Ok(); // JPEG options, taken only when the check is missing
    vksave::Convert(ContextOf(*frame));
    dialogs.steps.clear();
    EXPECT_EQ(ask.shown, (std::vector<std::string>{message}));
    EXPECT_FALSE(frame->GetView()->HoldsPicture()) << "a failed load leaves no picture behind";
    EXPECT_EQ(Picture().GetSourcePath(), "");

    // A load still on its way when the command starts, failing later.
    SelectRow(RowOf("cat.bmp"));
    ask.shown.clear();
    frame->GetFileListView()->setCurrentIndex(frame->GetFileList().index(RowOf("bad.png")));
    ASSERT_TRUE(frame->GetView()->IsLoading());
    dialogs.Ok(replacingAsJpeg);
    dialogs.Ok();
    vksave::Convert(ContextOf(*frame));
    dialogs.steps.clear();
    EXPECT_EQ(ask.shown.back(), message);

    EXPECT_FALSE(vktest::FileExists(pics.File("bad.jpg")));
    EXPECT_EQ(vktest::ReadFile(bad), "not a picture");
}
