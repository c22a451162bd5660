// The one command-line switch: a slash, "c" or "f", and a path, to send a
// configuration file or a firmware file unattended at start.
#pragma once

#include <string>

struct CommandLineSwitch {
  char letter = 0;   // 'c' or 'f'; 0 when the command line has no switch
  std::string path;
};

// The first switch token of the command line (tokens are cut at space, tab,
// CR and LF); later ones are ignored.
CommandLineSwitch FindSwitch(const std::string& command_line);

// Start-up, before the records are reset: only notes that there is a switch.
void CheckCommandLine(const std::string& command_line);
// Start-up, once the tick runs: acts on the switch.
void ProcessCommandLine(const std::string& command_line);
