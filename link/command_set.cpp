#include "link/command_set.h"

#include <cstdarg>
#include <cstdio>

namespace {

using enum command_id;

constexpr device_command commands[] = {
    {status_poll_frequency, "?1AFMNoPV", 0, 1, '?', "amplifier status fields in poll order"},
    {status_poll, "?1AMNPV", 0, 1, '?', "amplifier status fields in poll order"},
    {controller_status, "?!IPTV", 0, 1, '?', "controller status, remote bit after the status bytes"},
    {controller_status_old, "?1IPTV", 0, 1, '?', "controller status"},
    {screen, "55", 0, 1, '5', "four display rows of 20 characters, each followed by one byte"},
    {key, "V%c", 0, 1, 'V', "the display rows after the key"},
    {key_f1, "VW%c", 0, 1, 'V', "the display rows after the key"},
    {key_f2, "VX%c", 0, 1, 'V', "the display rows after the key"},
    {key_f3, "VY%c", 0, 1, 'V', "the display rows after the key"},
    {key_f4, "VZ%c", 0, 1, 'V', "the display rows after the key"},
    {attenuation, "K%04.1f!", 0, 1, 0, "taken by the next polling step"},
    {identify, "0", 0, 2, '0', "controller firmware at body positions 7 to 9; part, serial, version"},
    {identify_amplifier, "00", 500, 4, 0, "part number, serial number, firmware version"},
    {frequency_offset, "TO%05.2f?", 500, 4, 0, "the offset at frame positions 10 to 14"},
    {rs485_query, "XR?", 0, 2, 0, "mode at 4, termination at 5, address at 6"},
    {rs485_setup, "XR%c%c%c", 0, 2, 0, "any valid answer"},
    {port_query, "X?", 0, 2, 0, "port at 3, rate at 4-9, parity 10, data 11, stop 12"},
    {port_query_numbered, "X%d?", 0, 2, 0, "port at 3, rate at 4-9, parity 10, data 11, stop 12"},
    {port_setup, "X%d%06lu%c%d%d", 0, 2, 0, "any valid answer"},
    {port_setup_download, "X%d%06lu%c%d%d", 500, 4, 0, "any valid answer, at the old settings"},
    {port_query_download, "X?", 500, 4, 0, "port at 3, rate at 4-9, parity 10, data 11, stop 12"},
    {config_fetch, "Y0", 2000, 2, 0, "the whole file: the answer without 3 leading, 3 trailing bytes"},
    {config_line, "Y1%s", 1500, 4, 0, "any valid answer: the line was stored"},
    {config_file_line, "Y1%s", 1000, 4, 0, "any valid answer: the line was stored"},
    {service_console, "Y~", 0, 1, 0, "the service console starts at 9600 8N1"},
    {firmware_start, "Y2 %ld", 500, 4, 0, "any valid answer"},
    {firmware_chunk, "Y3%05ld", 1000, 4, 0, "any valid answer; 100 bytes follow the number"},
    {firmware_end, "Y4%05ld", 500, 4, 0, "any valid answer; the device reboots"},
    {fault_log, "4", 3000, 4, 0, "fault records of 21 bytes after the kind byte"},
    {restart, "~", 500, 4, 0, "none: the firmware restarts"},
};

static_assert(sizeof commands / sizeof commands[0] == static_cast<int>(restart) + 1);

constexpr bool InOrder() {
  for (int n = 0; n < static_cast<int>(sizeof commands / sizeof commands[0]); ++n) {
    if (static_cast<int>(commands[n].id) != n) return false;
  }
  return true;
}
static_assert(InOrder(), "the table is indexed by command_id");

}  // namespace

const device_command& Command(command_id id) { return commands[static_cast<int>(id)]; }

int FormatCommand(char* out, command_id id, ...) {
  va_list values;
  va_start(values, id);
  const int length = std::vsnprintf(out, 256, Command(id).body, values);
  va_end(values);
  if (length < 0) {
    out[0] = 0;
    return 0;
  }
  return length > 255 ? 255 : length;
}
