// The amplifier panel's lamps: check boxes and radio buttons that show the
// record and never take the operator's clicks.
#pragma once

#include "ui/window.h"

// Sets the lamps from the address's record; a radio group with none of its
// states set keeps the lamp it showed.
void ShowLamps(ui::Handle panel, int address);
// Puts every lamp back as last shown (after a click toggled one).
void RestoreLamps(ui::Handle panel);
bool IsLamp(int id);
