// The modeless transfer dialog: address, start, status line, and the
// teardown that hands the port back to polling.
#include "transfer/transfer_dialog.h"

#include <cstdio>
#include <string>

#include "link/capture.h"
#include "link/wserial.h"
#include "modelcfg/cfg_editor.h"
#include "records/poll_address.h"
#include "records/program_state.h"
#include "resources/modelcfg_dialogs.h"
#include "transfer/transfer_sequence.h"
#include "ui/dialog.h"
#include "ui/fd_watch.h"
#include "ui/message_box.h"

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
  transfer_dialog = ui::no_window;
  if (ui::IsLive(modelcfg_popup)) ui::SetFocusTo(modelcfg_popup);
}

void InitDialog(ui::Handle dialog, const char* parameter) {
  polling_enabled = 0;
  transfer_dialog = dialog;
  transfer_step = ts_unstarted;
  transfer_getfile = parameter[1] == 'G' ? 1 : 0;
  ui::SetTitle(dialog, transfer_getfile ? "Get Configuration" : "Send Configuration");
  ui::SetControlText(dialog, id_transfer_status, "");
  ui::SetControlText(dialog, id_transfer_address, std::string(1, parameter[0]));
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

}  // namespace

void StartSequenceDrivers() {
  if (!xmodem_timer)
    xmodem_timer = ui::StartTimer(transfer_dialog, sequence_timer_id, sequence_tick_msec);
  if (!port_watch && SerialPortIsOpen())
    port_watch = ui::WatchReadable(serial_device, transfer_dialog, msg_port_readable);
}

std::string TransferStatusText() {
  return ui::ControlText(transfer_dialog, id_transfer_status);
}

void ShowTransferStatus(const std::string& text) {
  ui::SetControlText(transfer_dialog, id_transfer_status, text);
}

void SequenceEnded(bool completed) {
  ui::SetCursorShape(ui::Cursor::arrow);
  if (completed) ui::SetControlText(transfer_dialog, ui::id_cancel, "Close");
  if (transfer_step == ts_unstarted) ui::EnableControl(transfer_dialog, ui::id_ok, true);
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
