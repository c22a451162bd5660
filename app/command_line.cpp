#include "app/command_line.h"

#include <cstdio>

#include "config/settings.h"
#include "modelcfg/cfg_files.h"
#include "records/device_records.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "resources/menu_ids.h"

CommandLineSwitch FindSwitch(const std::string& command_line) {
  std::size_t at = 0;
  while (at < command_line.size()) {
    const std::size_t begin = command_line.find_first_not_of(" \t\r\n", at);
    if (begin == std::string::npos) break;
    std::size_t end = command_line.find_first_of(" \t\r\n", begin);
    if (end == std::string::npos) end = command_line.size();
    const std::string token = command_line.substr(begin, end - begin);
    if (token.size() >= 3 && token[0] == '/' && (token[1] == 'c' || token[1] == 'f')) {
      return {token[1], token.substr(2)};
    }
    at = end;
  }
  return {};
}

void CheckCommandLine(const std::string& command_line) {
  if (FindSwitch(command_line).letter != 0) commandline_mode = 1;
}

void ProcessCommandLine(const std::string& command_line) {
  const CommandLineSwitch found = FindSwitch(command_line);
  if (found.letter == 'c') {
    // A path that does not fit is refused by SendConfig, never cut here.
    if (found.path.size() < sizeof transfer_filepath) {
      CopyField(transfer_filepath, found.path.c_str());
    }
    // The editor shows "Send All" highlighted only after the file went out.
    if (SendConfig(found.path.c_str())) autoload_cfg = 1;
  } else if (found.letter == 'f') {
    CopyField(firmware_filename, found.path.c_str());
    autoload_fw = 1;
    ui::Send(main_window, ui::msg_command, ui::MakeCommand(menu_update_firmware, ui::notify_clicked));
  }
}
