// Shared pieces of the Save As, Convert and edit command tests: a frame
// showing a small picture, scripted option and edit dialogs, and the save
// dialog's answer.
#pragma once

#include "FrameFixture.h"
#include "engine/picture/AnyPicDecoder.h"
#include "ui/shell/CommandAreas.h"
#include "ui/shell/SaveCommands.h"

#include <QAbstractButton>
#include <QDialog>
#include <QLineEdit>

#include <deque>
#include <functional>

namespace vkuitest {

// Answers modal dialogs in turn: each step fills the dialog and says
// whether to press OK (true) or Cancel. A dialog without a step is
// cancelled. The titles of the dialogs shown are kept.
class DialogScript {
  public:
    using Step = std::function<bool(QDialog&)>;
    DialogScript()
    {
        vkui::setDialogHandler([this](QDialog& dialog) {
            titles.push_back(dialog.windowTitle().toStdString());
            bool ok = false;
            if (!steps.empty()) {
                Step step = std::move(steps.front());
                steps.pop_front();
                ok = step(dialog);
            }
            if (ok)
                dialog.accept(); // runs the dialog's own checks
            else
                dialog.reject();
            return dialog.result();
        });
    }
    ~DialogScript() { vkui::setDialogHandler({}); }
    void Ok(Step fill = [](QDialog&) { return true; }) { steps.push_back(std::move(fill)); }
    void Cancel()
    {
        steps.push_back([](QDialog&) { return false; });
    }

    std::deque<Step> steps;
    std::vector<std::string> titles;
};

// A child widget of a dialog by object name.
template <class W> W* Child(QDialog& dialog, const char* name)
{
    W* w = dialog.findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// Checks (or unchecks) a dialog's button by object name; true for chaining.
inline bool Check(QDialog& d, const char* name, bool on = true)
{
    if (auto* b = d.findChild<QAbstractButton*>(name))
        b->setChecked(on);
    return true;
}

inline void SetText(QDialog& dialog, const char* name, const QString& text)
{
    if (auto* edit = Child<QLineEdit>(dialog, name)) {
        edit->setText(text);
        emit edit->textEdited(text);
    }
}

// Decodes a file as the program would; empty pixels on failure.
inline vktest::Pixels Decode(const std::string& path)
{
    CWinBmp bmp;
    try {
        CAnyPicDecoder().DecodeFile(path, bmp, 32);
    } catch (const std::exception&) {
        return {};
    }
    return vktest::Opaque(vktest::FromBitmap(bmp));
}

class EditSaveTest : public FrameTest {
  protected:
    // A picture of 16 colours in 8 x 8 blocks, "cat.bmp", shown in the browser.
    void StartWithPicture(int width = 40, int height = 30)
    {
        CWinBmp bmp;
        bmp.Create(width, height, 32, false);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const unsigned i = unsigned(x / 8 + y / 8 * 5) % 16;
                bmp.GetLine32(y)[x] = MakePixel(uint8_t(i * 37), uint8_t(i * 91 + 13), uint8_t(i * 7 + 40));
            }
        SaveAsBmpFile(bmp, pics.File("cat.bmp"));
        ASSERT_TRUE(Start(pics.Path()));
        SelectRow(RowOf("cat.bmp"));
        ASSERT_TRUE(frame->GetView()->HasImage());
    }
    CPictureEx& Picture() { return frame->GetView()->GetPicture(); }
    vktest::Pixels Shown() { return vktest::Opaque(vktest::FromBitmap(Picture())); }
    // The save dialog answers `path` (or cancels for "").
    void SaveDialogAnswers(const std::string& path)
    {
        vkui::setSaveFileHandler(
            [path, this](const QString& dir, const QString& name, const QStringList& filters) {
                saveDialogDir = dir.toStdString();
                saveDialogName = name.toStdString();
                saveDialogFilters = filters;
                return QString::fromStdString(path);
            });
    }
    void TearDown() override
    {
        vkui::setSaveFileHandler({});
        FrameTest::TearDown();
    }

    DialogScript dialogs;
    std::string saveDialogDir;
    std::string saveDialogName;
    QStringList saveDialogFilters;
};

} // namespace vkuitest
