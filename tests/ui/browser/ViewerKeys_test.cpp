// The viewer's own keys: which plain keys step, jump or leave.
#include "ui/browser/ViewerKeys.h"

#include <gtest/gtest.h>

TEST(ViewerKeys, PlainKeysStepJumpAndLeaveModifiedOnesAreNotTheViewers)
{
    const std::tuple<int, Qt::KeyboardModifiers, ViewerKey> cases[] = {
        {Qt::Key_Right, Qt::NoModifier, ViewerKey::Next},
        {Qt::Key_Down, Qt::NoModifier, ViewerKey::Next},
        {Qt::Key_Space, Qt::NoModifier, ViewerKey::Next},
        {Qt::Key_PageDown, Qt::NoModifier, ViewerKey::Next},
        {Qt::Key_Left, Qt::NoModifier, ViewerKey::Previous},
        {Qt::Key_Up, Qt::NoModifier, ViewerKey::Previous},
        {Qt::Key_Backspace, Qt::NoModifier, ViewerKey::Previous},
        {Qt::Key_PageUp, Qt::NoModifier, ViewerKey::Previous},
        {Qt::Key_Home, Qt::NoModifier, ViewerKey::First},
        {Qt::Key_End, Qt::NoModifier, ViewerKey::Last},
        {Qt::Key_Escape, Qt::NoModifier, ViewerKey::Leave},
        // The keypad's arrows are the same keys.
        {Qt::Key_Right, Qt::KeypadModifier, ViewerKey::Next},
        {Qt::Key_PageUp, Qt::KeypadModifier, ViewerKey::Previous},
        {Qt::Key_Right, Qt::ShiftModifier, ViewerKey::None},
        {Qt::Key_Home, Qt::AltModifier, ViewerKey::None},
        {Qt::Key_End, Qt::ControlModifier, ViewerKey::None},
        {Qt::Key_Return, Qt::NoModifier, ViewerKey::None},
        {Qt::Key_F11, Qt::NoModifier, ViewerKey::None},
    };
    for (const auto& [key, mods, want] : cases)
        EXPECT_EQ(ViewerKeyOf(key, mods), want) << std::hex << key << " " << int(mods);
}
