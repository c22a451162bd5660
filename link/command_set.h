// Every command body the console sends a device, with its time limits and what
// the console relies on in the answer. Senders take bodies and limits from
// here rather than spelling them out.
#pragma once

enum class command_id {
  status_poll_frequency,  // amplifier status with frequency; log letters follow
  status_poll,            // amplifier status; log letters follow
  controller_status,      // outdoor controller status, firmware from "325"
  controller_status_old,  // outdoor controller status, older firmware
  screen,                 // the four display rows
  key,                    // one keypad key
  key_f1,                 // a key with the computer's F1 to F4 held
  key_f2,
  key_f3,
  key_f4,
  attenuation,            // set the attenuation in dB
  identify,               // identification, firmware version
  identify_amplifier,     // part number, serial number, firmware version
  frequency_offset,       // calibration offset at a frequency in GHz
  rs485_query,            // wiring mode, termination, address
  rs485_setup,            // "XR", mode, termination, new address
  port_query,             // the default serial port's settings
  port_query_numbered,    // one serial port's settings
  port_setup,             // port, rate, parity, data bits, stop bits
  port_setup_download,    // the same, around a firmware download
  port_query_download,    // the default port's settings, before a download
  config_fetch,           // the whole Model.cfg in one answer
  config_line,            // one Model.cfg line from the editor
  config_file_line,       // one line of a whole Model.cfg being sent
  service_console,        // start the service console on the serial line
  firmware_start,         // announce a firmware download of a size
  firmware_chunk,         // one numbered chunk of 100 bytes
  firmware_end,           // end of the download; the device reboots
  fault_log,              // the fault log, records of 21 bytes
  restart,                // restart the firmware
};

struct device_command {
  command_id id;
  const char* body;  // the body, or the printf format its builder below writes
  // Per try, in ms; 0: the answer is taken by the next polling step, or the
  // sender computes the limit from the line speed.
  int timeout;
  int tries;
  char answer_kind;    // first body character of the answer; 0: any valid answer
  const char* relies;  // what the console reads from the answer
};

const device_command& Command(command_id id);

// A formatted command body. Each builder below takes the values of one
// formatted command, typed, so that a wrong value cannot reach the device;
// numbers are written with C conventions whatever the locale.
struct command_body {
  char text[256];
  int length;  // at most 255: a longer body is cut
};

// "K%04.1f!"
command_body AttenuationCommand(double db);
// "TO%05.2f?"
command_body FrequencyOffsetCommand(double ghz);
// "V%c", or with the computer's F1 to F4 held (held 0 to 3) "VW%c" to "VZ%c".
command_body KeyCommand(char key, int held = -1);
// "XR%c%c%c"
command_body Rs485SetupCommand(char mode, char termination, char address);
// "X%d?"
command_body PortQueryCommand(int port);
// "X%d%06lu%c%d%d", for port_setup and port_setup_download.
command_body PortSetupCommand(int port, unsigned long rate, char parity, int data_bits,
                              int stop_bits);
// "Y1%s", for config_line and config_file_line.
command_body ConfigLineCommand(const char* line);
// "Y2 %ld"
command_body FirmwareStartCommand(long size);
// "Y3%05ld"; the chunk's 100 bytes follow the body.
command_body FirmwareChunkCommand(long number);
// "Y4%05ld"
command_body FirmwareEndCommand(long number);
