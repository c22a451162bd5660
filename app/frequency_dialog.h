// "Frequency Offsets": the amplifier's gain offset at each calibration
// frequency, read from it when the dialog opens; the dialog only displays.
#pragma once

#include "ui/window.h"

ui::Result SetFrequencyCallBack(ui::Handle dialog, unsigned message, ui::WordParam word,
                                ui::LongParam l);
// Places the dialog under the pointer, asks for the three offsets and fills
// the dialog; 0 (the dialog ended, the operator told) when the amplifier did
// not answer, else the address.
int InitFrequencyCallback(ui::Handle dialog, int address);
// Runs the dialog modally over owner for the amplifier at address.
void RunFrequencyDialog(ui::Handle owner, int address);
