// Connecting to a device over Ethernet from the console: a box shows while
// the connect waits, failures are shown, and success opens the panel.
#pragma once

#include "ui/window.h"

// The panel that a successful connect with an owner opens; the application
// installs it at start-up (the panels live above the link).
void SetSocketPanelOpener(ui::Handle (*open_panel)(int address));

// The poll address now connected to default_ipaddress, or -1. With an owner,
// failures are shown and success opens the device's panel.
int OpenSocketComm(ui::Handle parent_win, int device);
