// Qt keys and virtual keys, both ways. Pure functions, so the tables can be
// checked without any window.
#pragma once

#include <QString>
#include <Qt>

class QKeyEvent;

namespace ui::detail {

// The virtual-key code (keys.h) of a Qt key, 0 for keys the console has no code for.
int VirtualKeyFromQt(int qt_key, Qt::KeyboardModifiers modifiers);

// The character a key press delivers as msg_char, 0 for none: Tab 9, Enter
// 13, Backspace 8, Escape 27, otherwise the first Latin-1 character typed.
int CharacterOf(int qt_key, const QString& text);

// A key press that produces a virtual key, for the scripted operator.
struct QtKeyStroke {
  int key = 0;  // Qt::Key, 0 when the virtual key is unknown
  Qt::KeyboardModifiers modifiers;
  QString text;
};
QtKeyStroke QtKeyFromVirtualKey(int virtual_key, bool shift_held);

}  // namespace ui::detail
