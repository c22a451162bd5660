#include "link/scan_settings.h"

#include <algorithm>
#include <iterator>

std::int32_t baud_opts[scan_rate_count] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

std::int32_t scan_baud[scan_rate_count] = {0, 0, 0, 1, 0, 0, 1, 0};
std::int32_t start_address = 64;
std::int32_t stop_address = 90;
std::int32_t scan_parity[3] = {1, 0, 0};
std::int32_t scan_data[2] = {0, 1};
std::int32_t scan_stop[2] = {1, 0};

std::int32_t target_address = 65;
std::int32_t target_baud = 9600;
std::int32_t target_parity = 'N';
std::int32_t target_data = 8;
std::int32_t target_stop = 1;
std::int32_t device_port = 0;
std::int32_t rs485_mode = 0;
std::int32_t terminations = 0;

std::int32_t found_address = 65;
int scan_configure = 0;
int scan_success = 0;
std::int32_t scan_paused = 0;
std::int32_t scan_complete = 0;

long SerialTime(long num, long baud_rate) {
  if (baud_rate <= 0) return 0;
  return num * 1000 * 10 / baud_rate;
}

void ResetScanSettings() {
  const std::int32_t rates[] = {0, 0, 0, 1, 0, 0, 1, 0};
  std::copy(std::begin(rates), std::end(rates), scan_baud);
  start_address = 64;
  stop_address = 90;
  scan_parity[0] = 1;
  scan_parity[1] = scan_parity[2] = 0;
  scan_data[0] = 0;
  scan_data[1] = 1;
  scan_stop[0] = 1;
  scan_stop[1] = 0;
  target_address = 65;
  target_baud = 9600;
  target_parity = 'N';
  target_data = 8;
  target_stop = 1;
  device_port = 0;
  rs485_mode = 0;
  terminations = 0;
  found_address = 65;
  scan_configure = 0;
  scan_success = 0;
  scan_paused = 0;
  scan_complete = 0;
}
