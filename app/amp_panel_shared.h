// What the amplifier and the controller panels share: finding a panel's
// address, the panel colours, and the pressed look of key buttons.
#pragma once

#include <cstring>
#include <string>

#include "ui/window.h"

// Colour codes of popup_color.
enum panel_colour_code : int {
  colour_normal = 0,
  colour_target_reached = 1,
  colour_fault = 2,
  colour_near_target = 3,
};

// The amplifier panel's window data: what each lamp shows from offset 0,
// then the attenuation bar's range maximum.
constexpr int lamp_slot_first = 0;
constexpr int bar_maximum_slot = 8;

// The address whose panel the window is; 0 when none is.
int PanelAddress(ui::Handle window);
// The pale tints where the display can show them and the operator did not
// ask for bright colours.
bool PaleColours();
ui::Colour PanelColour(int code, bool pale);

// The "<" and ">" keys go where Page Down and Page Up go.
int MapAngleKeys(int key);

// A record text field as shown: up to its terminator, never past the field.
template <std::size_t size>
std::string FieldText(const char (&field)[size]) {
  return std::string(field, strnlen(field, size));
}
