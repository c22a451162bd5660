// "Configuring Device...": reads a device's serial settings, gives it the
// desired ones and, when the console talks through the port changed, moves
// the console along.
#pragma once

#include "ui/window.h"

// Runs the dialog modally over owner; the device is addressed at found_address.
void RunDeviceSetupDialog(ui::Handle owner);
