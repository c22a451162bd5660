// "Amplifier Options": an amplifier's identity, hours and log, opened from its
// panel; "Verify" reads part, serial and firmware version from the amplifier.
#pragma once

#include "ui/window.h"

// The creation parameter is the address.
ui::Result AmpInfoCallBack(ui::Handle dialog, unsigned message, ui::WordParam word,
                           ui::LongParam l);
// Runs the dialog modally over owner for the amplifier at address.
void RunAmpInfoDialog(ui::Handle owner, int address);
