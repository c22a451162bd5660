// What the bus scan tries and what the device setup gives a device: the
// operator's ranges, the desired settings and the state of the last scan.
// One instance each for the whole run.
#pragma once

#include <cstdint>

constexpr int scan_rate_count = 8;

// The selectable rates, in the order of their boxes.
extern std::int32_t baud_opts[scan_rate_count];

// Scan ranges; each flag is 1 when its entry is tried.
extern std::int32_t scan_baud[scan_rate_count];
extern std::int32_t start_address;  // inclusive, 0-255, start_address <= stop_address
extern std::int32_t stop_address;
extern std::int32_t scan_parity[3];  // none, even, odd
extern std::int32_t scan_data[2];    // 7, 8 data bits
extern std::int32_t scan_stop[2];    // 1, 2 stop bits

// The settings the device setup gives a device.
extern std::int32_t target_address;  // 0-255
extern std::int32_t target_baud;
extern std::int32_t target_parity;  // 'N', 'E' or 'O'
extern std::int32_t target_data;    // 7 or 8
extern std::int32_t target_stop;    // 1 or 2
extern std::int32_t device_port;    // 0: the device's default port; 1, 2: its COM1, COM2
extern std::int32_t rs485_mode;     // 0: leave as is; 2: two-wire; 4: four-wire
extern std::int32_t terminations;   // 0: leave as is; 'T' terminated; 'U' unterminated

// Scan state.
extern std::int32_t found_address;  // the device the setup addresses
extern int scan_configure;          // 1: the scan was started with "Scan + Configure"
extern int scan_success;            // 1 once any device has answered in any scan; never cleared
extern std::int32_t scan_paused;
extern std::int32_t scan_complete;

// Milliseconds to send num characters of 10 bits at baud_rate, truncated.
long SerialTime(long num, long baud_rate);

// Puts every value above back to its start-up default (tests).
void ResetScanSettings();
