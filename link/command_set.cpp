#include "link/command_set.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "config/number_text.h"

namespace {

using enum command_id;

// Named, so that the table and the builders share them and the compiler checks
// every builder's values against its format.
constexpr char key_format[] = "V%c";
constexpr char key_f1_format[] = "VW%c";
constexpr char key_f2_format[] = "VX%c";
constexpr char key_f3_format[] = "VY%c";
constexpr char key_f4_format[] = "VZ%c";
constexpr char rs485_setup_format[] = "XR%c%c%c";
constexpr char port_query_format[] = "X%d?";
constexpr char port_setup_format[] = "X%d%06lu%c%d%d";
constexpr char config_line_format[] = "Y1%s";
constexpr char firmware_start_format[] = "Y2 %ld";
constexpr char firmware_chunk_format[] = "Y3%05ld";
constexpr char firmware_end_format[] = "Y4%05ld";

constexpr device_command commands[] = {
    {status_poll_frequency, "?1AFMNoPV", 0, 1, '?', "amplifier status fields in poll order"},
    {status_poll, "?1AMNPV", 0, 1, '?', "amplifier status fields in poll order"},
    {controller_status, "?!IPTV", 0, 1, '?',
     "controller status, remote bit after the status bytes"},
    {controller_status_old, "?1IPTV", 0, 1, '?', "controller status"},
    {screen, "55", 0, 1, '5', "four display rows of 20 characters, each followed by one byte"},
    {key, key_format, 0, 1, 'V', "the display rows after the key"},
    {key_f1, key_f1_format, 0, 1, 'V', "the display rows after the key"},
    {key_f2, key_f2_format, 0, 1, 'V', "the display rows after the key"},
    {key_f3, key_f3_format, 0, 1, 'V', "the display rows after the key"},
    {key_f4, key_f4_format, 0, 1, 'V', "the display rows after the key"},
    {attenuation, "K%04.1f!", 0, 1, 0, "taken by the next polling step"},
    {identify, "0", 0, 2, '0',
     "controller firmware at body positions 7 to 9; part, serial, version"},
    {identify_amplifier, "00", 500, 4, 0, "part number, serial number, firmware version"},
    {frequency_offset, "TO%05.2f?", 500, 4, 0, "the offset at frame positions 10 to 14"},
    {rs485_query, "XR?", 0, 2, 0, "mode at 4, termination at 5, address at 6"},
    {rs485_setup, rs485_setup_format, 0, 2, 0, "any valid answer"},
    {port_query, "X?", 0, 2, 0, "port at 3, rate at 4-9, parity 10, data 11, stop 12"},
    {port_query_numbered, port_query_format, 0, 2, 0,
     "port at 3, rate at 4-9, parity 10, data 11, stop 12"},
    {port_setup, port_setup_format, 0, 2, 0, "any valid answer"},
    {port_setup_download, port_setup_format, 500, 4, 0, "any valid answer, at the old settings"},
    {port_query_download, "X?", 500, 4, 0, "port at 3, rate at 4-9, parity 10, data 11, stop 12"},
    {config_fetch, "Y0", 2000, 2, 0,
     "the whole file: the answer without 3 leading, 3 trailing bytes"},
    {config_line, config_line_format, 1500, 4, 0, "any valid answer: the line was stored"},
    {config_file_line, config_line_format, 1000, 4, 0, "any valid answer: the line was stored"},
    {service_console, "Y~", 0, 1, 0, "the service console starts at 9600 8N1"},
    {firmware_start, firmware_start_format, 500, 4, 0, "any valid answer"},
    {firmware_chunk, firmware_chunk_format, 1000, 4, 0,
     "any valid answer; 100 bytes follow the number"},
    {firmware_end, firmware_end_format, 500, 4, 0, "any valid answer; the device reboots"},
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

namespace {

// snprintf's count as the body's length: a longer body is cut, a failed one empty.
command_body& Finish(command_body& body, int written) {
  constexpr int limit = static_cast<int>(sizeof body.text) - 1;
  if (written < 0) body.text[0] = '\0';
  body.length = written < 0 ? 0 : written > limit ? limit : written;
  return body;
}

// printf's "%f" would follow the locale: prefix, number, suffix are put together here.
command_body FixedCommand(std::string_view prefix, double value, int width, int precision,
                          std::string_view suffix) {
  command_body body;
  std::size_t at = prefix.copy(body.text, prefix.size());
  at += FormatFixed(body.text + at, sizeof body.text - at, value, width, precision, true);
  at += suffix.copy(body.text + at, std::min(suffix.size(), sizeof body.text - 1 - at));
  body.text[at] = '\0';
  body.length = static_cast<int>(at);
  return body;
}

}  // namespace

command_body AttenuationCommand(double db) {
  return FixedCommand("K", db, 4, 1, "!");
}

command_body FrequencyOffsetCommand(double ghz) {
  return FixedCommand("TO", ghz, 5, 2, "?");
}

command_body KeyCommand(char key, int held) {
  command_body body;
  const std::size_t size = sizeof body.text;
  switch (held) {
    case 0:
      return Finish(body, std::snprintf(body.text, size, key_f1_format, key));
    case 1:
      return Finish(body, std::snprintf(body.text, size, key_f2_format, key));
    case 2:
      return Finish(body, std::snprintf(body.text, size, key_f3_format, key));
    case 3:
      return Finish(body, std::snprintf(body.text, size, key_f4_format, key));
    default:
      return Finish(body, std::snprintf(body.text, size, key_format, key));
  }
}

command_body Rs485SetupCommand(char mode, char termination, char address) {
  command_body body;
  return Finish(body, std::snprintf(body.text, sizeof body.text, rs485_setup_format, mode,
                                    termination, address));
}

command_body PortQueryCommand(int port) {
  command_body body;
  return Finish(body, std::snprintf(body.text, sizeof body.text, port_query_format, port));
}

command_body PortSetupCommand(int port, unsigned long rate, char parity, int data_bits,
                              int stop_bits) {
  command_body body;
  return Finish(body, std::snprintf(body.text, sizeof body.text, port_setup_format, port, rate,
                                    parity, data_bits, stop_bits));
}

command_body ConfigLineCommand(const char* line) {
  command_body body;
  return Finish(body, std::snprintf(body.text, sizeof body.text, config_line_format, line));
}

command_body FirmwareStartCommand(long size) {
  command_body body;
  return Finish(body, std::snprintf(body.text, sizeof body.text, firmware_start_format, size));
}

command_body FirmwareChunkCommand(long number) {
  command_body body;
  return Finish(body, std::snprintf(body.text, sizeof body.text, firmware_chunk_format, number));
}

command_body FirmwareEndCommand(long number) {
  command_body body;
  return Finish(body, std::snprintf(body.text, sizeof body.text, firmware_end_format, number));
}
