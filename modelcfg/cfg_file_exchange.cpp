// "&Get" and "&Send" as the Get/Send dialog shows them: the line being sent
// in its status, a failure in a box, and the dialog told how it ended.
#include <string>

#include "modelcfg/cfg_exchange.h"
#include "modelcfg/cfg_files.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "resources/modelcfg_dialogs.h"
#include "ui/dialog.h"
#include "ui/message_box.h"

namespace {

constexpr int notice_failed = 999;  // re-enable OK, normal cursor
constexpr int notice_done = 1000;   // normal cursor

void Notify(ui::Handle dialog, int notice) {
  if (dialog) ui::Send(dialog, ui::msg_command, ui::MakeCommand(notice, ui::notify_clicked));
}

class dialog_report : public cfg_exchange_report {
 public:
  explicit dialog_report(ui::Handle dialog) : dialog_(dialog) {}
  void Sending(const std::string& line) override {
    ui::SetControlText(dialog_, id_transfer_status, line);
  }
  void Failed(const std::string& text, bool) override {
    // Whatever went wrong, the operator may try again: OK comes back.
    Notify(dialog_, notice_failed);
    ui::ShowMessage(dialog_ ? dialog_ : main_window, text, "Error", ui::Buttons::ok,
                    ui::Icon::error);
  }

 private:
  ui::Handle dialog_;
};

int Finished(ui::Handle dialog, bool done) {
  if (done) Notify(dialog, notice_done);
  return done ? 1 : 0;
}

}  // namespace

int GetModelCfg(ui::Handle dialog_handle, const char* filename, int device) {
  dialog_report report(dialog_handle);
  return Finished(dialog_handle, FetchModelCfg(filename, device, report));
}

int SendModelCfg(ui::Handle dialog_handle, const char* filename, int device) {
  dialog_report report(dialog_handle);
  return Finished(dialog_handle, PushModelCfg(filename, device, report));
}
