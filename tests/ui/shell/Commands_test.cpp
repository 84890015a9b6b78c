// Keys to commands, and the texts every command carries. The frame's tests
// press the common keys; this table holds the ones easy to get wrong.
#include "ui/shell/Commands.h"

#include <QKeyEvent>
#include <QString>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

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
        {Qt::Key_Plus, Qt::NoModifier, "+", false, Cmd::ZoomMore},
        {Qt::Key_Enter, Qt::KeypadModifier, "", false, Cmd::Viewer},
        {Qt::Key_Backspace, Qt::AltModifier, "", false, Cmd::EditUndo},
        {Qt::Key_Delete, Qt::ShiftModifier, "", false, Cmd::EditCut},
        {Qt::Key_F6, Qt::ControlModifier, "", false, Cmd::EditRenameSeries},
        // The keys the menus show run their commands; extra modifiers make another key.
        {Qt::Key_P, Qt::ControlModifier, "", false, Cmd::FilePrint},
        {Qt::Key_F1, Qt::NoModifier, "", false, Cmd::HelpContents},
        {Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier, "", false, std::nullopt},
        // Keys people know from other programs, beside the described ones.
        {Qt::Key_Delete, Qt::NoModifier, "", false, Cmd::EditDelete},
        {Qt::Key_F2, Qt::NoModifier, "", false, Cmd::EditRename},
        {Qt::Key_F3, Qt::NoModifier, "", false, Cmd::SlideRun},
        {Qt::Key_Equal, Qt::NoModifier, "=", false, Cmd::ZoomMore},
        {Qt::Key_Minus, Qt::NoModifier, "-", false, Cmd::ZoomLess},
        {Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier, "", false, Cmd::ZoomMore},
        {Qt::Key_Equal, Qt::ControlModifier, "", false, Cmd::ZoomMore},
        {Qt::Key_Minus, Qt::ControlModifier, "", false, Cmd::ZoomLess},
        {Qt::Key_0, Qt::ControlModifier, "", false, Cmd::ZoomBestFit},
        {Qt::Key_0, Qt::NoModifier, "0", false, std::nullopt},
        // A picture that moves: P, "." and ","; Space stays the viewer's next picture,
        // Shift+P the preview, and an edit field keeps the letter.
        {Qt::Key_P, Qt::NoModifier, "p", false, Cmd::AnimationPause},
        {Qt::Key_P, Qt::ShiftModifier, "P", false, Cmd::FilePreview},
        {Qt::Key_Period, Qt::NoModifier, ".", false, Cmd::AnimationNextFrame},
        {Qt::Key_Comma, Qt::NoModifier, ",", false, Cmd::AnimationPreviousFrame},
        {Qt::Key_Space, Qt::NoModifier, " ", false, std::nullopt},
        {Qt::Key_P, Qt::NoModifier, "p", true, std::nullopt},
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
        {Qt::Key_Delete, Qt::NoModifier, "", true, std::nullopt},
        {Qt::Key_Minus, Qt::NoModifier, "-", true, std::nullopt},
        {Qt::Key_Minus, Qt::ControlModifier, "", true, Cmd::ZoomLess},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "key " << std::hex << c.key << " mods " << int(c.mods) << " editing " << c.editing);
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

// The table is the same in both modes, so a key may run one command only.
// The keypad digits are the one described exception: the preview's and the
// viewer's zoom to the same size share them, and the first row wins.
TEST(CommandTableUi, NoKeyRunsTwoCommands)
{
    const std::set<std::pair<Cmd, Cmd>> twins = {{Cmd::Preview25, Cmd::Zoom25},
                                                 {Cmd::Preview50, Cmd::Zoom50},
                                                 {Cmd::Preview75, Cmd::Zoom75},
                                                 {Cmd::Preview150, Cmd::Zoom150}};
    std::map<std::tuple<int, int, bool, bool>, Cmd> owner;
    for (const Accelerator& a : AcceleratorTable()) {
        const auto [it, added] =
            owner.try_emplace({a.key, int(a.modifiers), a.keypad, a.character}, a.command);
        if (!added && it->second != a.command) {
            EXPECT_TRUE(twins.count({it->second, a.command}))
                << "key " << std::hex << a.key << " runs " << int(it->second) << " and " << int(a.command);
        }
    }
    // Every key, pressed as typed, reaches its own row's command (or its
    // twin): no earlier row catches it another way (a character row and a
    // virtual key of the same key, say).
    for (const Accelerator& a : AcceleratorTable()) {
        const Qt::KeyboardModifiers mods = a.modifiers | (a.keypad ? Qt::KeypadModifier : Qt::NoModifier);
        const QString text = a.character || a.keypad ? QString(QChar(a.key)) : QString();
        QKeyEvent event(QEvent::KeyPress, a.key, mods, a.modifiers == Qt::NoModifier ? text : QString());
        const std::optional<Cmd> got = TranslateAccelerator(event);
        ASSERT_TRUE(got.has_value()) << std::hex << a.key;
        EXPECT_TRUE(*got == a.command || twins.count({*got, a.command}))
            << "key " << std::hex << a.key << " meant for " << int(a.command) << " runs " << int(*got);
    }
}
