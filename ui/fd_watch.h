// Readiness of a file descriptor as a window message, so that a window can
// act on bytes the moment they arrive instead of on its next timer tick.
#pragma once

#include "ui/window.h"

namespace ui {

// Posts message (word = the watch's id) to window once fd has bytes to read.
// The watch then rests until RearmWatch: a descriptor nobody reads would
// otherwise flood the queue. Returns the watch's id (non-zero).
unsigned WatchReadable(int fd, Handle window, unsigned message);
// Lets the watch post again when fd has (or gets) bytes to read.
void RearmWatch(unsigned watch);
// Ends the watch; an unknown id is ignored. A watch also ends with its window.
void StopWatch(unsigned watch);

}  // namespace ui
