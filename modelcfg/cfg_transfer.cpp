#include "modelcfg/cfg_transfer.h"

#include <string>

#include "config/program_directory.h"
#include "link/exchange.h"
#include "modelcfg/cfg_colours.h"
#include "modelcfg/cfg_editor.h"
#include "modelcfg/cfg_editor_commands.h"
#include "modelcfg/cfg_files.h"
#include "modelcfg/model_cfg.h"
#include "modelcfg/received_file.h"
#include "records/device_records.h"
#include "records/event_journal.h"
#include "records/program_state.h"
#include "ui/message_box.h"

namespace {

constexpr std::size_t max_body = 250;  // a frame's command body
constexpr const char* modified_mark = "(modified)";

// "Y1", the keyword and, for a line with options, two TABs and the options
// with the one in force marked.
std::string LineCommand(const model_cfg_struct& line) {
  std::string command = "Y1";
  command += line.keyword;
  if (line.num_options == 0) return command;
  const int chosen = line.new_selection != -1 ? line.new_selection : line.selected;
  command += "\t\t";
  for (int n = 0; n < line.num_options; ++n) {
    if (n) command += " / ";
    if (n == chosen) command += '*';
    command += line.option[n];
  }
  return command;
}

void MarkModified() {
  const std::string title = ModelCfgTitle();
  if (title.find(modified_mark) == std::string::npos) {
    SetModelCfgTitle((title + " " + modified_mark).c_str());
  }
  // After a change on the device, fetching the file back is the next step.
  getall_button.face_color = cfg_green;
  sendall_button.face_color = cfg_text_colour;
  ui::InvalidateArea(modelcfg_popup, getall_button.r);
  ui::InvalidateArea(modelcfg_popup, sendall_button.r);
}

}  // namespace

int GetConfigViaSerialProtocol() {
  ui::Invalidate(modelcfg_popup);
  ClosePollWindows();
  ui::SetCursorShape(ui::Cursor::wait);
  CopyField(transfer_filename, "Model.cfg");
  int fetched = 0;
  if (!ProgramFileName(transfer_filepath, sizeof transfer_filepath, transfer_filename)) {
    ui::ShowMessage(modelcfg_popup,
                    std::string("The program directory is too long for ") + transfer_filename +
                        ": " + save_directory,
                    "Error", ui::Buttons::ok, ui::Icon::error);
  } else if (transfer_device >= 0) {
    fetched = JournalResult(
        transfer_device, "config_get",
        GetModelCfg(modelcfg_popup, transfer_filepath, transfer_device) && ProcessReceivedFile(),
        std::string("Get configuration into ") + transfer_filepath);
  }
  ui::SetCursorShape(ui::Cursor::arrow);
  ManageModelCfgScrollBar(modelcfg_popup);
  return fetched;
}

void SendModelCfgLine(int line) {
  if (line < 0 || line >= total_cfg_lines || transfer_device < 0) return;
  model_cfg_struct& entry = configuration_line[line];
  const std::string command = LineCommand(entry);
  if (command.size() > max_body) {
    ui::ShowMessage(modelcfg_popup,
                    "Line " + std::to_string(line + 1) + " is " +
                        std::to_string(command.size() - 2) + " bytes long; at most " +
                        std::to_string(max_body - 2) + " go to the device in one line.",
                    "Error", ui::Buttons::ok, ui::Icon::warning);
    return;
  }
  MarkModified();
  if (JournalResult(
          transfer_device, "config_line_send",
          DoCommand(transfer_device, command.data(), static_cast<int>(command.size()), 1500, 4),
          "Send configuration line " + std::to_string(line + 1))) {
    entry.sent = modelcfg_status_sent;
    if (entry.new_selection != -1) entry.selected = entry.new_selection;
    entry.new_selection = -1;
  } else {
    ui::ShowMessage(modelcfg_popup, "Couldn't set the configuration", "Error", ui::Buttons::ok,
                    ui::Icon::warning);
    entry.sent = modelcfg_status_failed;
    entry.selected = -1;
  }
  ui::InvalidateArea(modelcfg_popup, entry.box);
}
