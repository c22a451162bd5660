// The device panels: one modeless window per open address, an amplifier panel
// or an outdoor controller panel, refreshed from the device record.
#pragma once

#include "ui/window.h"

// Registers the amplifier panel classes and the controller class that
// mini_ocontrol selects; false when one cannot be registered.
bool RegisterPanelClasses();

// Opens the amplifier panel of an address, or raises the one already open.
// no_window when it cannot be created.
ui::Handle CreatePollDialog(int address);
// Opens the outdoor controller panel of an address, or raises it.
ui::Handle CreateOcontrolDialog(int address);
// Repaints the address's panel when its record differs from the copy shown last.
void UpdatePopup(int address);
// Titles the amplifier panel after the address, its link or its identity.
void SetPopupTitle(int address);

ui::Result PollCallBack(ui::Handle window, unsigned message, ui::WordParam word, ui::LongParam l);
ui::Result oControlPollCallBack(ui::Handle window, unsigned message, ui::WordParam word,
                                ui::LongParam l);
