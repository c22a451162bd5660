// Virtual-key codes of the desktop model, which the console's key tables use.
// Qt keys are mapped onto them; keypad keys keep their own codes.
#pragma once

namespace ui {

enum VirtualKey : int {
  vk_back = 8,
  vk_tab = 9,
  vk_clear = 12,
  vk_return = 13,
  vk_shift = 16,
  vk_control = 17,
  vk_menu = 18,  // Alt
  vk_escape = 27,
  vk_space = 32,
  vk_prior = 33,  // Page Up
  vk_next = 34,   // Page Down
  vk_end = 35,
  vk_home = 36,
  vk_left = 37,
  vk_up = 38,
  vk_right = 39,
  vk_down = 40,
  vk_insert = 45,
  vk_delete = 46,
  vk_0 = 48,  // '0'..'9' are 48..57, 'A'..'Z' are 65..90
  vk_a = 65,
  vk_numpad0 = 96,  // keypad 0..9 are 96..105
  vk_multiply = 106,
  vk_add = 107,
  vk_separator = 108,
  vk_subtract = 109,
  vk_decimal = 110,
  vk_divide = 111,
  vk_f1 = 112,  // F1..F12 are 112..123
  vk_oem_plus = 187,
  vk_oem_comma = 188,
  vk_oem_minus = 189,
  vk_oem_period = 190,
};

// Whether a key is held, from the window system's own view (for Shift+Tab).
bool IsKeyHeld(int virtual_key);

// The virtual key that types a character on the standard (US) layout, 0 if
// none: '<' is the comma key 188, '>' the period key 190, 'a' is 65.
int VirtualKeyOfCharacter(char character);

}  // namespace ui
