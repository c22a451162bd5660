// The "Events" window: the journal newest first, filtered by device and by
// kind, where the operator acknowledges alerts. It follows the journal in
// batches on a timer, never per event.
#pragma once

#include <cstddef>

#include "ui/window.h"

constexpr int events_refresh_ms = 250;
// The most events the list shows, newest first.
constexpr std::size_t events_shown_limit = 2000;

// Opens the window, or raises the one already open; returns it.
ui::Handle OpenEventsWindow(ui::Handle owner);
ui::Result EventsCallBack(ui::Handle dialog, unsigned message, ui::WordParam word, ui::LongParam l);
