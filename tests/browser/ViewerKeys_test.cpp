// The viewer's own keys: which plain keys step, jump or leave.
#include "browser/ViewerKeys.h"

#include <gtest/gtest.h>

TEST(ViewerKeys, PlainKeysStepJumpAndLeave)
{
    for (int key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_Space, Qt::Key_PageDown})
        EXPECT_EQ(ViewerKeyOf(key, Qt::NoModifier), ViewerKey::Next) << key;
    for (int key : {Qt::Key_Left, Qt::Key_Up, Qt::Key_Backspace, Qt::Key_PageUp})
        EXPECT_EQ(ViewerKeyOf(key, Qt::NoModifier), ViewerKey::Previous) << key;
    EXPECT_EQ(ViewerKeyOf(Qt::Key_Home, Qt::NoModifier), ViewerKey::First);
    EXPECT_EQ(ViewerKeyOf(Qt::Key_End, Qt::NoModifier), ViewerKey::Last);
    EXPECT_EQ(ViewerKeyOf(Qt::Key_Escape, Qt::NoModifier), ViewerKey::Leave);
    // The keypad's arrows are the same keys.
    EXPECT_EQ(ViewerKeyOf(Qt::Key_Right, Qt::KeypadModifier), ViewerKey::Next);
    EXPECT_EQ(ViewerKeyOf(Qt::Key_PageUp, Qt::KeypadModifier), ViewerKey::Previous);
}

TEST(ViewerKeys, ModifiedAndOtherKeysAreNotTheViewers)
{
    EXPECT_EQ(ViewerKeyOf(Qt::Key_Right, Qt::ShiftModifier), ViewerKey::None);
    EXPECT_EQ(ViewerKeyOf(Qt::Key_PageDown, Qt::ShiftModifier), ViewerKey::None);
    EXPECT_EQ(ViewerKeyOf(Qt::Key_Home, Qt::AltModifier), ViewerKey::None);
    EXPECT_EQ(ViewerKeyOf(Qt::Key_End, Qt::ControlModifier), ViewerKey::None);
    EXPECT_EQ(ViewerKeyOf(Qt::Key_A, Qt::NoModifier), ViewerKey::None);
    EXPECT_EQ(ViewerKeyOf(Qt::Key_Return, Qt::NoModifier), ViewerKey::None);
    EXPECT_EQ(ViewerKeyOf(Qt::Key_F11, Qt::NoModifier), ViewerKey::None);
}
