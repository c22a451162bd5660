// The full-screen main window: its procedure drives the 56 ms tick and
// dispatches the main menu; Tab cycling between panels starts here.
#pragma once

#include "app/main_tick.h"
#include "ui/window.h"

ui::Result MainCallBack(ui::Handle window, unsigned message, ui::WordParam word, ui::LongParam l);
// Greys "Poll Outdoor Controller" while the link is Ethernet.
void EnableOcontrolPolling();
// Brings the next (or with shift the previous) open panel after address to the
// front, or the main window when there is none.
void NextWindow(int address, int shift);
