#include "browser/Commands.h"

#include <QKeyEvent>
#include <QString>

#include <gtest/gtest.h>

#include <set>

namespace {

std::optional<Cmd> Press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {},
                         bool editing = false)
{
    QKeyEvent event(QEvent::KeyPress, key, mods, text);
    return TranslateAccelerator(event, editing);
}

} // namespace

TEST(CommandTableUi, KeypadDigitsReachThePreviewZoomFirst)
{
    EXPECT_EQ(Press(Qt::Key_1, Qt::KeypadModifier, "1"), Cmd::Preview25);
    EXPECT_EQ(Press(Qt::Key_2, Qt::KeypadModifier, "2"), Cmd::Preview50);
    EXPECT_EQ(Press(Qt::Key_4, Qt::KeypadModifier, "4"), Cmd::Preview100);
    EXPECT_EQ(Press(Qt::Key_6, Qt::KeypadModifier, "6"), Cmd::Preview200);
    EXPECT_EQ(Press(Qt::Key_7, Qt::KeypadModifier, "7"), Cmd::Zoom300);
    EXPECT_EQ(Press(Qt::Key_9, Qt::KeypadModifier, "9"), Cmd::Zoom1000);
    EXPECT_EQ(Press(Qt::Key_Plus, Qt::KeypadModifier, "+"), Cmd::ZoomMore);
    EXPECT_EQ(Press(Qt::Key_Minus, Qt::KeypadModifier, "-"), Cmd::ZoomLess);
    // The digits of the main keyboard are no accelerators.
    EXPECT_FALSE(Press(Qt::Key_2, Qt::NoModifier, "2"));
    EXPECT_FALSE(Press(Qt::Key_Plus, Qt::NoModifier, "+"));
}

TEST(CommandTableUi, VirtualKeysAndModifiers)
{
    EXPECT_EQ(Press(Qt::Key_Return), Cmd::Viewer);
    EXPECT_EQ(Press(Qt::Key_Enter, Qt::KeypadModifier), Cmd::Viewer);
    EXPECT_EQ(Press(Qt::Key_Return, Qt::ControlModifier), Cmd::Browser);
    EXPECT_EQ(Press(Qt::Key_Backspace), Cmd::GoBack);
    EXPECT_EQ(Press(Qt::Key_Backspace, Qt::AltModifier), Cmd::EditUndo);
    EXPECT_EQ(Press(Qt::Key_Z, Qt::ControlModifier), Cmd::EditUndo);
    EXPECT_EQ(Press(Qt::Key_Home), Cmd::GoHome);
    EXPECT_EQ(Press(Qt::Key_Home, Qt::ShiftModifier), Cmd::ImageFirst);
    EXPECT_EQ(Press(Qt::Key_Home, Qt::AltModifier), Cmd::ZoomActualSize);
    EXPECT_EQ(Press(Qt::Key_End, Qt::AltModifier), Cmd::ZoomBestFit);
    EXPECT_EQ(Press(Qt::Key_PageUp, Qt::ShiftModifier), Cmd::ImageNext);
    EXPECT_EQ(Press(Qt::Key_F10, Qt::ShiftModifier), Cmd::ImagePrevious);
    EXPECT_EQ(Press(Qt::Key_Delete, Qt::ShiftModifier), Cmd::EditCut);
    EXPECT_EQ(Press(Qt::Key_F6, Qt::ControlModifier), Cmd::EditRenameSeries);
    EXPECT_EQ(Press(Qt::Key_R, Qt::ShiftModifier, "R"), Cmd::ViewRefresh);
    EXPECT_EQ(Press(Qt::Key_R, Qt::ControlModifier), Cmd::FileReload);
    // Shown in the menus but not bound.
    EXPECT_FALSE(Press(Qt::Key_P, Qt::ControlModifier));
    EXPECT_FALSE(Press(Qt::Key_F1));
    // Extra modifiers make another key.
    EXPECT_FALSE(Press(Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier));
}

TEST(CommandTableUi, SlashIsACharacterKey)
{
    EXPECT_EQ(Press(Qt::Key_Slash, Qt::NoModifier, "/"), Cmd::GoUp);
    EXPECT_EQ(Press(Qt::Key_Slash, Qt::KeypadModifier, "/"), Cmd::GoUp);
    // A layout that needs Shift for "/" still produces the character.
    EXPECT_EQ(Press(Qt::Key_7, Qt::ShiftModifier, "/"), Cmd::GoUp);
}

TEST(CommandTableUi, EditFieldKeepsItsTextKeys)
{
    EXPECT_FALSE(Press(Qt::Key_Slash, Qt::NoModifier, "/", true));
    EXPECT_FALSE(Press(Qt::Key_Backspace, Qt::NoModifier, {}, true));
    EXPECT_FALSE(Press(Qt::Key_Home, Qt::NoModifier, {}, true));
    EXPECT_FALSE(Press(Qt::Key_R, Qt::ShiftModifier, "R", true));
    EXPECT_EQ(Press(Qt::Key_O, Qt::ControlModifier, {}, true), Cmd::FileOpen);
    EXPECT_EQ(Press(Qt::Key_F8, Qt::NoModifier, {}, true), Cmd::EditDelete);
}

TEST(CommandTableUi, EveryCommandHasItsTexts)
{
    for (int i = 0; i < int(Cmd::Count); ++i) {
        const CommandInfo& info = CommandInfoOf(Cmd(i));
        EXPECT_EQ(int(info.id), i);
        if (Cmd(i) != Cmd::PasteImage && Cmd(i) != Cmd::CopyImageToClipboard) {
            EXPECT_STRNE(info.text, "") << i;
        }
    }
    for (const auto* bar : {&BrowserToolbar(), &ViewerToolbar()}) {
        for (Cmd c : *bar) {
            if (c != Cmd::Count) {
                EXPECT_STRNE(CommandInfoOf(c).tip, "") << int(c);
            }
        }
    }
    EXPECT_STREQ(CommandInfoOf(Cmd::ToolsConvert).prompt,
                 "Convert the selected image  to a different image format.");
    EXPECT_STREQ(CommandInfoOf(Cmd::GoBack).tip, "Go back");
    EXPECT_STREQ(CommandInfoOf(Cmd::Preview25).text, " 25%");
    EXPECT_STREQ(CommandInfoOf(Cmd::Zoom25).text, "25%");
}
