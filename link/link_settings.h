// How the console reaches its devices: the local serial port and its line
// format, or Ethernet. One instance each for the whole run.
#pragma once

#include <cstdint>

// Parity and stop-bit codes as the settings store them.
enum : std::uint8_t { parity_none = 0, parity_odd = 1, parity_even = 2 };
enum : std::uint8_t { one_stop_bit = 0, two_stop_bits = 2 };

extern char serial_port[256];         // a device name or path
extern std::int32_t serial_baud;      // bits per second
extern std::uint8_t serial_data;      // 7 or 8
extern std::uint8_t serial_stop;      // one_stop_bit or two_stop_bits
extern std::uint8_t serial_parity;    // parity_none, parity_odd, parity_even
extern int use_ethernet;              // 1: devices are reached over TCP
extern char default_ipaddress[256];   // the address to connect to next

// Puts the built-in defaults back (tests; start-up relies on static initial values).
void ResetLinkSettings();
