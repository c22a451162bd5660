#include "modelcfg/cfg_send_all.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>

#include "config/program_directory.h"
#include "link/exchange.h"
#include "link/link_settings.h"
#include "link/wsocket.h"
#include "link/wsocket_window.h"
#include "modelcfg/cfg_editor.h"
#include "modelcfg/cfg_undo.h"
#include "modelcfg/model_cfg.h"
#include "records/device_records.h"
#include "records/event_journal.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "resources/connecting_dialog.h"
#include "transfer/transfer_dialog.h"
#include "transfer/transfer_sequence.h"
#include "ui/dialog.h"
#include "ui/message_box.h"

namespace {

constexpr const char* cfg_name = "Model.cfg";
constexpr int command_slot = 0x5A;
constexpr int default_command_port = 2000;
constexpr auto reboot_wait = std::chrono::milliseconds(3000);

void ShowError(const std::string& text) {
  ui::ShowMessage(main_window, text, "Error", ui::Buttons::ok, ui::Icon::warning);
}

// transfer_filename and transfer_filepath name the program directory's Model.cfg.
bool AimAtWorkingCopy() {
  CopyField(transfer_filename, cfg_name);
  if (ProgramFileName(transfer_filepath, sizeof transfer_filepath, transfer_filename)) return true;
  ShowError(std::string("The program directory is too long for ") + cfg_name + ": " +
            save_directory);
  return false;
}

// The working copy whole, read before any connection is touched.
bool ReadWorkingCopy(std::string& content) {
  std::ifstream file(transfer_filepath, std::ios::binary);
  if (!file) {
    ShowError(std::string("Unable to determine file size.\n") + transfer_filepath);
    return false;
  }
  content.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  if (file.bad()) {
    ShowError(std::string("Can't read input file\n") + transfer_filepath);
    return false;
  }
  return true;
}

int CommandPort() {
  return use_default_port ? default_command_port : tcpip_port;
}

// The upload goes to the device's own port; the operator's port setting is
// left as it was for every later connection.
int OpenUploadConnection() {
  const int saved_default = use_default_port;
  const std::int32_t saved_port = tcpip_port;
  use_default_port = 0;
  tcpip_port = upload_port;
  const int slot = OpenSocketComm(ui::no_window, 0);
  use_default_port = saved_default;
  tcpip_port = saved_port;
  return slot;
}

ui::Result RebootBoxCallBack(ui::Handle box, unsigned message, ui::WordParam, ui::LongParam) {
  if (message != ui::msg_init_dialog) return 0;
  ui::SetControlText(box, id_connecting_text, "Rebooting unit");
  return 1;
}

// "~" restarts the firmware; the box stays up until the unit has had time to go down.
void RebootUnit() {
  ui::Handle box = ui::CreateModeless(ConnectingDialogTemplate(), main_window, RebootBoxCallBack);
  const auto start = std::chrono::steady_clock::now();
  DoCommand(transfer_device, "~", 0, 500, 4);
  for (;;) {
    const auto left = reboot_wait - (std::chrono::steady_clock::now() - start);
    const auto msec = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    if (msec <= 0) break;
    ui::RunFor(static_cast<int>(msec));
  }
  if (ui::IsLive(box)) ui::Destroy(box);
}

// The service console's dialog for the editor's device; "G" gets, "S" sends.
bool OpenConsoleTransfer(char mode) {
  const char parameter[3] = {static_cast<char>(transfer_device), mode, 0};
  return OpenTransferDialog(main_window, parameter) != ui::no_window;
}

}  // namespace

void SendConfigViaXmodem() {
  if (transfer_device < 0 || transfer_device >= device_count) return;
  if (!AimAtWorkingCopy() || !WriteModelCfgToFile()) return;
  ClosePollWindows();
  // The picks count as sent once the transfer is offered, even if the
  // operator then cancels it.
  if (OpenConsoleTransfer('S')) FlagCfgUnconfirmedSent();
}

void GetConfigViaXmodem() {
  if (transfer_device < 0 || transfer_device >= device_count) return;
  // The table waits empty for the file; undo brings it back if none comes.
  PushCfgUndo(TakeCfgSnapshot());
  total_cfg_lines = 0;
  cfg_popup_scroll_offset = 0;
  ui::Invalidate(modelcfg_popup);
  ClosePollWindows();
  if (AimAtWorkingCopy()) OpenConsoleTransfer('G');
  ManageModelCfgScrollBar(modelcfg_popup);
}

void SendAllConfigViaEthernet() {
  if (transfer_device < 0 || transfer_device >= device_count) return;
  // Nothing is disconnected until the file is known to be complete and readable.
  std::string content;
  if (!AimAtWorkingCopy() || !WriteModelCfgToFile() || !ReadWorkingCopy(content)) return;
  // The file goes to the device the editor talks to.
  if (device_sock[transfer_device].address[0])
    CopyField(default_ipaddress, device_sock[transfer_device].address);
  const std::string host = default_ipaddress;
  const std::string upload_end = EndpointText(host.c_str(), upload_port);

  CloseDeviceSocket(transfer_device);
  ui::SetCursorShape(ui::Cursor::wait);
  std::string failure;
  const int upload = OpenUploadConnection();
  if (upload < 0) {
    failure = "Unable to connect.\nNo connection to " + upload_end + "; nothing was sent.";
  } else {
    transfer_device = upload;
    failure = SendUpload(upload, content, upload_end);
  }
  if (failure.empty()) FlagCfgUnconfirmedSent();
  JournalResult(upload, "config_send", failure.empty(), "Send configuration to " + upload_end);

  // Frames must never go into an upload stream: commands get their own connection again.
  const std::string command_end = EndpointText(host.c_str(), CommandPort());
  const int command = OpenSocketComm(ui::no_window, command_slot);
  if (command >= 0) transfer_device = command;
  ui::SetCursorShape(ui::Cursor::arrow);
  ui::Invalidate(modelcfg_popup);

  if (!failure.empty()) {
    failure += command >= 0
                   ? "\nThe command connection to " + command_end + " is open again."
                   : "\nThe command connection to " + command_end + " could not be opened again.";
    ShowError(failure);
    return;
  }
  if (command < 0) {
    ShowError(std::string(cfg_name) + " sent, but the command connection to " + command_end +
              " could not be opened again; the unit was not rebooted.");
    return;
  }
  if (ui::ShowMessage(main_window, "Model.cfg sent.  Reboot now?", "Success", ui::Buttons::yes_no,
                      ui::Icon::question) != ui::answer_yes)
    return;
  RebootUnit();
}

void FlagCfgUnconfirmedSent() {
  for (int line = 0; line < total_cfg_lines; ++line) {
    model_cfg_struct& entry = configuration_line[line];
    if (entry.new_selection == -1) continue;
    entry.selected = entry.new_selection;
    entry.new_selection = -1;
    entry.sent = modelcfg_status_sent;
    ui::InvalidateArea(modelcfg_popup, entry.box);
  }
}
