// The modeless transfer dialog: address, start, status line, and the
// teardown that hands the port back to polling.
#include "transfer/transfer_dialog.h"

#include <cstdio>
#include <string>

#include "config/program_directory.h"
#include "link/capture.h"
#include "link/wserial.h"
#include "modelcfg/cfg_editor.h"
#include "modelcfg/received_file.h"
#include "records/event_journal.h"
#include "records/poll_address.h"
#include "records/program_state.h"
#include "resources/modelcfg_dialogs.h"
#include "transfer/sequence_host.h"
#include "transfer/transfer_sequence.h"
#include "ui/dialog.h"
#include "ui/fd_watch.h"
#include "ui/message_box.h"

ui::Handle transfer_dialog = ui::no_window;

namespace {

constexpr unsigned sequence_timer_id = 1;
constexpr int sequence_tick_msec = 56;
constexpr unsigned msg_port_readable = ui::msg_user + 1;

unsigned port_watch = 0;

// Empty, or not one character nor hexadecimal within 0 to 255: -1.
int AddressOf(const std::string& text) {
  return text.empty() ? -1 : ParsePollAddress(text);
}

// Runs a step for bytes that arrived. The watch goes on only when the step
// took some of them; bytes left unread (a step that is not reading, a full
// buffer) wait for the next tick, which re-arms it.
void OnPortReadable() {
  if (!SerialPortIsOpen()) return;
  const std::int32_t count_before = protocol_state[0].receive_count;
  const transfer_sequence_enum step_before = transfer_step;
  ModelCfgXmodemSequence();
  if (protocol_state[0].receive_count != count_before || transfer_step != step_before ||
      !SerialWaitReadable(0)) {
    ui::RearmWatch(port_watch);
  }
}

void OnTick() {
  if (!SerialPortIsOpen()) return;
  ModelCfgXmodemSequence();
  ui::RearmWatch(port_watch);
}

void StopSequenceDrivers(ui::Handle dialog) {
  ui::StopWatch(port_watch);
  port_watch = 0;
  if (xmodem_timer) ui::StopTimer(dialog, xmodem_timer);
  xmodem_timer = 0;
}

// The port goes back to the local settings with its normal RTS toggling
// (hence the timer is stopped first) and polling resumes. A sequence in
// progress simply stops.
void TearDown(ui::Handle dialog) {
  StopSequenceDrivers(dialog);
  if (target_file) {
    std::fclose(target_file);
    target_file = nullptr;
  }
  InitSerial();
  polling_enabled = 1;
  ui::SetCursorShape(ui::Cursor::arrow);
  transfer_dialog = ui::no_window;
  UseSequenceHost(nullptr);
  if (ui::IsLive(modelcfg_popup)) ui::SetFocusTo(modelcfg_popup);
}

// parameter: the address character, then 'G' (get) or 'S' (send).
void InitDialog(ui::Handle dialog, const char* parameter) {
  polling_enabled = 0;
  transfer_dialog = dialog;
  UseSequenceHost(&DialogSequenceHost());
  transfer_step = ts_unstarted;
  const char address = parameter && parameter[0] ? parameter[0] : 'A';
  transfer_getfile = parameter && parameter[0] && parameter[1] == 'G' ? 1 : 0;
  ui::SetTitle(dialog, transfer_getfile ? "Get Configuration" : "Send Configuration");
  ui::SetControlText(dialog, id_transfer_status, "");
  ui::SetControlText(dialog, id_transfer_address, std::string(1, address));
  transfer_device = AddressOf(ui::ControlText(dialog, id_transfer_address));
}

void OnOk(ui::Handle dialog) {
  if (transfer_device < 0 || transfer_device > 255) {
    ui::ShowMessage(dialog, "Enter Valid Device Address.", "Bad Address.", ui::Buttons::ok,
                    ui::Icon::error);
    ui::FocusControl(dialog, id_transfer_address);
    return;
  }
  ui::SetCursorShape(ui::Cursor::wait);
  ui::EnableControl(dialog, ui::id_ok, false);
  InitModelCfgXmodemSequence();
}

class dialog_host : public sequence_host {
 public:
  void StartDrivers() override {
    if (!xmodem_timer)
      xmodem_timer = ui::StartTimer(transfer_dialog, sequence_timer_id, sequence_tick_msec);
    if (!port_watch && SerialPortIsOpen())
      port_watch = ui::WatchReadable(serial_device, transfer_dialog, msg_port_readable);
  }

  std::string StatusText() override { return ui::ControlText(transfer_dialog, id_transfer_status); }

  void ShowStatus(const std::string& text) override {
    if (ui::IsLive(transfer_dialog)) ui::SetControlText(transfer_dialog, id_transfer_status, text);
  }

  // The wait cursor goes, and a completed sequence turns Cancel into Close.
  void Ended(bool completed) override {
    ui::SetCursorShape(ui::Cursor::arrow);
    JournalResult(
        transfer_device, transfer_getfile ? "config_get" : "config_send", completed,
        transfer_getfile ? "Get configuration by XMODEM" : "Send configuration by XMODEM");
    if (completed) ui::SetControlText(transfer_dialog, ui::id_cancel, "Close");
    if (transfer_step == ts_unstarted) ui::EnableControl(transfer_dialog, ui::id_ok, true);
  }

  // The program directory's copy, the one the editor shows.
  std::string LocalFile() override {
    char path[sizeof transfer_filepath];
    ProgramFileName(path, sizeof path, transfer_filename);
    return path;
  }

  void Problem(sequence_problem kind, const std::string& text) override {
    switch (kind) {
      case sequence_problem::unreadable_file:
        ui::ShowMessage(modelcfg_popup, text, "Error", ui::Buttons::ok, ui::Icon::warning);
        break;
      case sequence_problem::uncreatable_file:
        ui::ShowMessage(modelcfg_popup, text, "Error", ui::Buttons::ok, ui::Icon::error);
        break;
      case sequence_problem::port:
        ui::ShowMessage(transfer_dialog, text, "Can't proceed", ui::Buttons::ok, ui::Icon::error);
        break;
    }
  }

  // The editor shows what came.
  void FileReceived() override { ProcessReceivedFile(); }
};

}  // namespace

sequence_host& DialogSequenceHost() {
  static dialog_host host;
  return host;
}

ui::Result CfgXmodemCallBack(ui::Handle dialog, unsigned message, ui::WordParam word,
                             ui::LongParam l) {
  switch (message) {
    case ui::msg_init_dialog:
      InitDialog(dialog, reinterpret_cast<const char*>(l));
      return 1;
    case ui::msg_command:
      switch (ui::CommandId(word)) {
        case id_transfer_address:
          transfer_device = AddressOf(ui::ControlText(dialog, id_transfer_address));
          return 1;
        case ui::id_ok:
          OnOk(dialog);
          return 1;
        case ui::id_cancel:
          ui::FinishDialog(dialog, ui::id_cancel);
          return 1;
      }
      return 0;
    case ui::msg_timer:
      if (word == xmodem_timer) OnTick();
      return 1;
    case msg_port_readable:
      if (word == port_watch) OnPortReadable();
      return 1;
    case ui::msg_destroy:
      if (transfer_dialog == dialog) TearDown(dialog);
      return 0;
  }
  return 0;
}

ui::Handle OpenTransferDialog(ui::Handle owner, const char* parameter) {
  if (ui::IsLive(transfer_dialog)) ui::Destroy(transfer_dialog);
  const ui::Handle dialog = ui::CreateModeless(TransferDialogTemplate(), owner, CfgXmodemCallBack,
                                               reinterpret_cast<ui::LongParam>(parameter));
  ui::Show(dialog);
  return dialog;
}
