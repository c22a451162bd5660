// The console's side of the records: the panel windows by address, the main
// window, and the seams through which the core reaches them.
#pragma once

#include "records/device_records.h"
#include "ui/window.h"

extern ui::Handle poll_dialog[device_count];
extern ui::Handle main_window;

// Lets the core see which panels live, close them, and tell and ask the
// operator through message boxes.
void InstallWindowSeams();
