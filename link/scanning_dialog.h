// "Scanning": runs the bus scan one combination at a time, lists every device
// that answered, and on Done makes the chosen one's settings the console's.
#pragma once

#include "ui/window.h"

// With no_window: (re)starts the scan. Otherwise one step, shown in the
// dialog; 1 when the wait cursor may give way to the arrow (nothing to do,
// paused, finished, error or device found), 0 when nobody answered.
int NextScan(ui::Handle dialog);
// Flips pause and shows the buttons for the new state.
void ToggleScanPause(ui::Handle dialog);
ui::Result ScanCallBack(ui::Handle dialog, unsigned message, ui::WordParam word, ui::LongParam l);
void RunScanningDialog(ui::Handle owner);
