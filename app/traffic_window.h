// The "Comm Traffic" window: the traffic console's text in the classic
// console colours, wrapped to the window's width, following the newest line
// unless the operator scrolled back; Clear, Pause, Resume and Save on its menu,
// and the switches for time stamps and direction tags, which Save follows.
#pragma once

#include "ui/window.h"

enum TrafficCommand : int {
  traffic_clear = 1,
  traffic_pause = 2,
  traffic_resume = 3,
  traffic_save = 4,
  traffic_time_stamps = 5,
  traffic_direction_tags = 6,
};

// Registers the window class and its menu and gives the console the hooks
// that show the window and take it down.
void RegisterTrafficWindow();
// The window while the console shows it, else no_window.
ui::Handle TrafficWindow();

ui::Result TrafficCallBack(ui::Handle window, unsigned message, ui::WordParam word,
                           ui::LongParam l);
