#include "link/link_settings.h"

#include <cstring>

char serial_port[256] = "COM2";
std::int32_t serial_baud = 9600;
std::uint8_t serial_data = 8;
std::uint8_t serial_stop = one_stop_bit;
std::uint8_t serial_parity = parity_none;
int use_ethernet = 0;
// The loopback address, so that a fresh installation never reaches out to a
// network it does not know.
char default_ipaddress[256] = "127.0.0.1";

void ResetLinkSettings() {
  std::strcpy(serial_port, "COM2");
  serial_baud = 9600;
  serial_data = 8;
  serial_stop = one_stop_bit;
  serial_parity = parity_none;
  use_ethernet = 0;
  std::strcpy(default_ipaddress, "127.0.0.1");
}
