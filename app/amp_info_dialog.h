// "Amplifier Options": an amplifier's identity, hours and log, opened from its
// panel; "Verify" reads part, serial and firmware version from the amplifier.
#pragma once

#include <string>

#include "ui/window.h"

struct protocol_struct;

// The creation parameter is the address.
ui::Result AmpInfoCallBack(ui::Handle dialog, unsigned message, ui::WordParam word,
                           ui::LongParam l);
// Runs the dialog modally over owner for the amplifier at address.
void RunAmpInfoDialog(ui::Handle owner, int address);

// The answer to the identification query as its two formats place it: the
// current one has "-" at frame position 7 and carries part, serial and
// version; the older one only part and version (serial left empty). Fields
// must lie before the frame's closing two bytes: false for a shorter answer.
bool ReadIdentification(const protocol_struct& answer, std::string* part, std::string* serial,
                        std::string* message);
