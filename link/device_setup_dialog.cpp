// The "Configuring Device..." dialog: waits a moment for the line to fall
// quiet, runs the exchange once from its first timer tick and shows it.
#include "resources/device_setup_dialog.h"

#include <iterator>

#include "link/capture.h"
#include "link/device_setup.h"
#include "link/device_setup_dialog.h"
#include "platform/counter.h"
#include "records/program_state.h"
#include "ui/dialog.h"
#include "ui/message_box.h"

namespace {

constexpr unsigned start_timer_id = 1;
constexpr int start_tick_msec = 250;
// Long enough for an answer to the last poll to have come in whole.
constexpr unsigned settle_msec = 555;

// By setup_field.
constexpr int field_controls[] = {
    id_setup_status, id_setup_port,    id_setup_baud, id_setup_data,         id_setup_stop,
    id_setup_parity, id_setup_address, id_setup_mode, id_setup_terminations, id_setup_console,
};
static_assert(std::size(field_controls) == static_cast<int>(setup_field::console) + 1);

// The exchange runs once per opening, however many ticks come.
int started = 0;

class DialogView final : public DeviceSetupView {
 public:
  explicit DialogView(ui::Handle dialog) : dialog_(dialog) {}
  void Show(setup_field field, const std::string& text) override {
    ui::SetControlText(dialog_, field_controls[static_cast<int>(field)], text);
    // The exchange holds the loop: each line is painted as it changes.
    ui::Repaint(dialog_);
  }
  void Alert(const std::string& text, const std::string& caption) override {
    ui::ShowMessage(dialog_, text, caption, ui::Buttons::ok, ui::Icon::error);
  }

 private:
  ui::Handle dialog_;
};

void InitDialog(ui::Handle dialog) {
  ui::SetControlText(dialog, ui::id_ok, "ABORT");
  polling_enabled = 0;
  ui::SetCursorShape(ui::Cursor::wait);
  platform::SleepMsec(settle_msec);
  // Takes up an answer to a poll that was still on its way.
  TrapResponse(0);
  ui::StartTimer(dialog, start_timer_id, start_tick_msec);
  started = 0;
}

void OnTimer(ui::Handle dialog) {
  ui::StopTimer(dialog, start_timer_id);
  if (started) return;
  started = 1;
  DialogView view(dialog);
  SetupDeviceSerial(view);
  ui::SetControlText(dialog, ui::id_ok, "DONE");
  ui::SetCursorShape(ui::Cursor::arrow);
}

ui::Result DeviceSerialCallBack(ui::Handle dialog, unsigned message, ui::WordParam word,
                                ui::LongParam) {
  switch (message) {
    case ui::msg_init_dialog:
      InitDialog(dialog);
      return 1;
    case ui::msg_timer:
      if (word == start_timer_id) OnTimer(dialog);
      return 1;
    case ui::msg_command:
      switch (ui::CommandId(word)) {
        case ui::id_ok:
        case ui::id_cancel:
          ui::FinishDialog(dialog, ui::id_ok);
          return 1;
        default:
          return 0;
      }
    case ui::msg_destroy:
      ui::SetCursorShape(ui::Cursor::arrow);
      polling_enabled = 1;
      return 0;
    default:
      return 0;
  }
}

}  // namespace

void RunDeviceSetupDialog(ui::Handle owner) {
  ui::RunModal(DeviceSetupDialogTemplate(), owner, DeviceSerialCallBack);
}
