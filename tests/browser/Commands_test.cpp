// Keys to commands, and the texts every command carries. The frame's tests
// press the common keys; this table holds the ones easy to get wrong.
#include "browser/Commands.h"

#include <QKeyEvent>
#include <QString>

#include <gtest/gtest.h>

TEST(CommandTableUi, KeysToCommands)
{
    struct Case {
        int key;
        Qt::KeyboardModifiers mods;
        const char* text;
        bool editing;
        std::optional<Cmd> want;
    };
    const Case cases[] = {
        // Keypad digits reach the preview zoom first; main keyboard digits are no accelerators.
        {Qt::Key_1, Qt::KeypadModifier, "1", false, Cmd::Preview25},
        {Qt::Key_4, Qt::KeypadModifier, "4", false, Cmd::Preview100},
        {Qt::Key_6, Qt::KeypadModifier, "6", false, Cmd::Preview200},
        {Qt::Key_9, Qt::KeypadModifier, "9", false, Cmd::Zoom1000},
        {Qt::Key_2, Qt::NoModifier, "2", false, std::nullopt},
        {Qt::Key_Plus, Qt::NoModifier, "+", false, std::nullopt},
        {Qt::Key_Enter, Qt::KeypadModifier, "", false, Cmd::Viewer},
        {Qt::Key_Backspace, Qt::AltModifier, "", false, Cmd::EditUndo},
        {Qt::Key_Delete, Qt::ShiftModifier, "", false, Cmd::EditCut},
        {Qt::Key_F6, Qt::ControlModifier, "", false, Cmd::EditRenameSeries},
        // Shown in the menus but not bound; extra modifiers make another key.
        {Qt::Key_P, Qt::ControlModifier, "", false, std::nullopt},
        {Qt::Key_F1, Qt::NoModifier, "", false, std::nullopt},
        {Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier, "", false, std::nullopt},
        // "/" is a character: from the keypad, or a layout that needs Shift for it.
        {Qt::Key_Slash, Qt::KeypadModifier, "/", false, Cmd::GoUp},
        {Qt::Key_7, Qt::ShiftModifier, "/", false, Cmd::GoUp},
        // An edit field keeps its text keys; Ctrl and function keys still reach the frame.
        {Qt::Key_Slash, Qt::NoModifier, "/", true, std::nullopt},
        {Qt::Key_Backspace, Qt::NoModifier, "", true, std::nullopt},
        {Qt::Key_Home, Qt::NoModifier, "", true, std::nullopt},
        {Qt::Key_R, Qt::ShiftModifier, "R", true, std::nullopt},
        {Qt::Key_O, Qt::ControlModifier, "", true, Cmd::FileOpen},
        {Qt::Key_F8, Qt::NoModifier, "", true, Cmd::EditDelete},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << std::hex << c.key << " mods " << int(c.mods) << " editing "
                                        << c.editing);
        QKeyEvent event(QEvent::KeyPress, c.key, c.mods, QString::fromLatin1(c.text));
        EXPECT_EQ(TranslateAccelerator(event, c.editing), c.want);
    }
}

TEST(CommandTableUi, EveryCommandHasItsTexts)
{
    for (int i = 0; i < int(Cmd::Count); ++i) {
        const CommandInfo& info = CommandInfoOf(Cmd(i));
        EXPECT_EQ(int(info.id), i);
        if (Cmd(i) != Cmd::PasteImage && Cmd(i) != Cmd::CopyImageToClipboard) {
            EXPECT_STRNE(info.text, "") << i;
        }
        // A bound key is shown in the menu (which keys are bound: above).
        if (info.keys[0].key != 0) {
            EXPECT_STRNE(info.keyText, "") << i;
        }
    }
    for (const auto* bar : {&BrowserToolbar(), &ViewerToolbar()})
        for (Cmd c : *bar)
            if (c != Cmd::Count) {
                EXPECT_STRNE(CommandInfoOf(c).tip, "") << int(c);
            }
    // Texts shown exactly as they always were, odd spacing included.
    EXPECT_STREQ(CommandInfoOf(Cmd::ToolsConvert).prompt,
                 "Convert the selected image  to a different image format.");
    EXPECT_STREQ(CommandInfoOf(Cmd::Preview25).text, " 25%");
    EXPECT_STREQ(CommandInfoOf(Cmd::Zoom25).text, "25%");
}
