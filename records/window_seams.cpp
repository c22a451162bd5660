#include "records/window_seams.h"

#include "records/operator_report.h"
#include "ui/dialog.h"
#include "ui/message_box.h"

ui::Handle poll_dialog[device_count];
ui::Handle main_window = ui::no_window;

namespace {

bool PanelWindowLives(int address) {
  return ui::IsLive(poll_dialog[address]);
}

// Window handles are never reused.
std::uint32_t PanelWindowIdentity(int address) {
  return poll_dialog[address];
}

void ClosePanelWindow(int address) {
  ui::Destroy(poll_dialog[address]);
}

// A box over a modal dialog belongs to it; otherwise it stands alone.
ui::Handle BoxOwner() {
  return ui::InnermostModalDialog();
}

ui::Icon IconOf(ReportTone tone) {
  switch (tone) {
    case ReportTone::error:
      return ui::Icon::error;
    case ReportTone::warning:
      return ui::Icon::warning;
    case ReportTone::information:
      break;
  }
  return ui::Icon::information;
}

void TellInBox(const std::string& text, const std::string& caption, ReportTone tone) {
  ui::ShowMessage(BoxOwner(), text, caption, ui::Buttons::ok, IconOf(tone));
}

bool AskInBox(const std::string& text, const std::string& caption, bool) {
  return ui::ShowMessage(BoxOwner(), text, caption, ui::Buttons::yes_no, ui::Icon::question) ==
         ui::answer_yes;
}

}  // namespace

void InstallWindowSeams() {
  SetPanelSeam({PanelWindowLives, PanelWindowIdentity, ClosePanelWindow});
  SetOperatorReporter({TellInBox, AskInBox});
}
