#include "ui/browser/ViewerKeys.h"

ViewerKey ViewerKeyOf(int key, Qt::KeyboardModifiers modifiers)
{
    // Arrows and paging keys may come with the keypad flag; any other
    // modifier makes it another key.
    if ((modifiers & ~Qt::KeypadModifier) != Qt::NoModifier)
        return ViewerKey::None;
    switch (key) {
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_Space:
    case Qt::Key_PageDown:
        return ViewerKey::Next;
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Backspace:
    case Qt::Key_PageUp:
        return ViewerKey::Previous;
    case Qt::Key_Home:
        return ViewerKey::First;
    case Qt::Key_End:
        return ViewerKey::Last;
    case Qt::Key_Escape:
        return ViewerKey::Leave;
    default:
        return ViewerKey::None;
    }
}
