// The firmware download's speed change: the device's serial port and the
// local port go to download_baud for the chunks and back afterwards.
#pragma once

#include <cstdint>
#include <string>

// The device's port settings from its "X?" answer, kept for the restore.
extern char save_port;  // port number, 0 to 9
extern std::int32_t save_baud;
extern char save_parity;  // 'N', 'O' or 'E'
extern char save_data;    // 7 or 8
extern char save_stop;    // 1 or 2
extern int restore_comm;  // the device's settings have been changed and not yet restored

// Over serial: asks the device for its settings, sets its port and then the
// local port to download_baud (no parity, 8 data bits, 1 stop bit). 1 on
// success; nothing to do over Ethernet.
int SpeedyComm(int device);
// Puts the device's port back to its saved settings, at the download rate
// where it should be and, failing that, at its saved rate, then reopens the
// local port at the console's own settings. 1 on success; nothing to do over
// Ethernet. On failure RestoreProblem says what state the device is left in.
int RestoreComm(int device);
// Empty after a successful restore.
const std::string& RestoreProblem();
