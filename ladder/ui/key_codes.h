#pragma once
// Qt key events in the numbering of the ladder key handler: virtual-key codes (A..Z 65..90,
// digits 48..57, keypad digits 96..105, F1..F12 112..123, the punctuation keys of a US
// keyboard 186..222) and the modifier mask 1 Shift, 2 Ctrl, 4 Alt. The keypad flag is not
// part of the mask.

#include <Qt>

class QKeyEvent;

namespace ladder {

struct BoardKey {
  int code = 0;  // 0: a key the handler does not know
  int shift = 0;
};

int VirtualKeyOf(int qtKey, bool keypad);
int ShiftMaskOf(Qt::KeyboardModifiers modifiers);
BoardKey BoardKeyOf(const QKeyEvent& event);

}  // namespace ladder
