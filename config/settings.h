// The operator settings that defaults.txt carries, with their initial values
// holding until the file is read.
#pragma once

#include <cstdint>

#include "platform/link_clock.h"

extern int logging_on;                  // log features enabled
extern int log_prompt;                  // offer to print the log when a panel closes
extern int log_hours;                   // heater and beam hours in the logs
extern int bright_color;                // bright panel colours
extern int turbo_download;              // firmware chunks back to back
extern int poll_frequency;              // new amplifier panels also poll the frequency
extern int quillon_protocol;            // Quillon frames instead of Tessary ones
extern int mode_2wire;                  // RS-485 half duplex
extern std::int32_t download_baud;      // rate a firmware download switches to
extern char firmware_filename[4096];    // firmware file last sent, any path; empty: none yet
extern std::uint32_t polling_interval;  // milliseconds between polls
extern std::uint32_t logging_interval;  // seconds between log records

// Paces the polling steps on polling_interval.
extern stopwatch_class poll_timer;

// Puts the initial values back (tests; start-up relies on static initial values).
void ResetSettings();
