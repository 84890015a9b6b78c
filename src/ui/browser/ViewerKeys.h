// The keys every picture viewer answers to, beside the accelerator table:
// what a plain key does in viewer mode. The frame asks only when the table
// has no command for the key, so the table wins where both name one.
#pragma once

#include <Qt>

enum class ViewerKey { None, Next, Previous, First, Last, Leave };

ViewerKey ViewerKeyOf(int key, Qt::KeyboardModifiers modifiers);
