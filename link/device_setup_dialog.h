// The dialog that gives a found device its serial settings.
#pragma once

#include "ui/window.h"

// Runs the dialog modally over owner; the device is addressed at found_address.
void RunDeviceSetupDialog(ui::Handle owner);
