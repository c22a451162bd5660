#include "ui/keys.h"

#include <QKeyEvent>
#include <cctype>

#include "ui/event_hub.h"
#include "ui/key_mapping.h"

namespace ui {

namespace {

bool held[256] = {};

}  // namespace

bool IsKeyHeld(int virtual_key) { return virtual_key >= 0 && virtual_key < 256 && held[virtual_key]; }

int VirtualKeyOfCharacter(char character) {
  const auto byte = static_cast<unsigned char>(character);
  if (std::isalpha(byte)) return std::toupper(byte);
  if (std::isdigit(byte)) return byte;
  switch (character) {
    case ' ':
      return vk_space;
    case '\t':
      return vk_tab;
    case '\r':
    case '\n':
      return vk_return;
    case '\b':
      return vk_back;
    case 27:
      return vk_escape;
    default:
      break;
  }
  // Symbols: the key of the US layout that types them, shifted or not.
  return detail::VirtualKeyFromQt(byte, Qt::NoModifier);
}

}  // namespace ui

namespace ui::detail {

void NoteKeyEvent(const QKeyEvent& event) {
  const bool press = event.type() == QEvent::KeyPress;
  // A repeating key is still held; Qt reports the repeat as a release first.
  if (!press && event.isAutoRepeat()) return;
  const int key = VirtualKeyFromQt(event.key(), event.modifiers());
  if (key > 0 && key < 256) held[key] = press;
  if (key != vk_shift) held[vk_shift] = event.modifiers() & Qt::ShiftModifier;
  if (key != vk_control) held[vk_control] = event.modifiers() & Qt::ControlModifier;
  if (key != vk_menu) held[vk_menu] = event.modifiers() & Qt::AltModifier;
}

}  // namespace ui::detail
