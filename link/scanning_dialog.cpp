#include "link/scanning_dialog.h"

#include <cstdio>
#include <string>

#include "config/program_directory.h"
#include "link/bus_scan.h"
#include "link/capture.h"
#include "link/device_setup.h"
#include "link/device_setup_dialog.h"
#include "link/link_settings.h"
#include "link/scan_link.h"
#include "link/scan_settings.h"
#include "link/serial_defaults.h"
#include "link/wserial.h"
#include "platform/counter.h"
#include "records/device_records.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "resources/bus_scan_dialogs.h"
#include "ui/dialog.h"
#include "ui/message_box.h"

namespace {

constexpr unsigned scan_timer_id = 1;
constexpr int scan_tick_msec = 100;
// The next step, posted as soon as one ends so that steps follow back to back.
constexpr unsigned msg_next_step = ui::msg_user + 1;

struct LineSettings {
  std::int32_t baud;
  std::uint8_t data, stop, parity;
};

LineSettings at_open{};
bool port_at_open = false;
bool step_posted = false;
// The settings last adopted whose saving failed: a second Done keeps them unsaved.
int unsaved_row = -1;

LineSettings Current() {
  return {serial_baud, serial_data, serial_stop, serial_parity};
}

void Apply(const LineSettings& s) {
  serial_baud = s.baud;
  serial_data = s.data;
  serial_stop = s.stop;
  serial_parity = s.parity;
}

void ShowPortProblem(ui::Handle dialog) {
  char text[sizeof serial_port + 32];
  std::snprintf(text, sizeof text, "Can't open Com Port %s.", serial_port);
  ui::ShowMessage(dialog, std::string(text) + "\n" + SerialErrorText(), "Problem", ui::Buttons::ok,
                  ui::Icon::error);
}

// Why the port could not take a combination, naming the port.
std::string SetupProblem() {
  if (use_ethernet) return std::string("The link in use is Ethernet, not ") + serial_port + ".";
  if (!SerialPortIsOpen()) return std::string(serial_port) + " is not open.";
  return SerialErrorText();
}

// The row Done adopts: the one selected, else the newest.
int ChosenRow(ui::Handle dialog) {
  const int rows = static_cast<int>(ScanFinds().size());
  const int selected = ui::Selection(dialog, id_scanning_results);
  return selected >= 0 && selected < rows ? selected : rows - 1;
}

bool Configures() {
  return scan_configure && scan_success;
}

void ShowSummary(ui::Handle dialog, const std::string& extra = "") {
  if (!scan_paused) {
    ui::SetControlText(dialog, id_scanning_summary, "");
    return;
  }
  const int row = ChosenRow(dialog);
  std::string text;
  std::int32_t configured = found_address;
  if (row >= 0) {
    const ScanCombination& c = ScanFinds()[static_cast<std::size_t>(row)].combination;
    text = "Done sets " + FormatText(c) + " for " + AddressShown(c.address) + ".";
    configured = c.address;
  } else {
    text = "Done leaves the settings as they were.";
  }
  if (Configures()) text += " Configure addresses " + AddressShown(configured) + ".";
  if (!extra.empty()) text += "\n" + extra;
  ui::SetControlText(dialog, id_scanning_summary, text);
}

void ShowPosition(ui::Handle dialog) {
  ui::SetProgressRange(dialog, id_scanning_progress, 0, static_cast<int>(ScanTotal()));
  ui::SetProgress(dialog, id_scanning_progress, static_cast<int>(ScanTried()));
  ui::SetControlText(dialog, id_scanning_position,
                     std::to_string(ScanTried()) + " of " + std::to_string(ScanTotal()) + ", " +
                         ElapsedText(ScanMsecLeft()) + " left");
}

void ShowButtons(ui::Handle dialog) {
  const char* pause = scan_complete ? "Restart" : scan_paused ? "Continue Scan" : "Pause";
  ui::SetControlText(dialog, id_scanning_pause, pause);
  if (!scan_paused) ui::SetControlText(dialog, id_scanning_status, "Scanning");
  ui::EnableControl(dialog, id_scanning_done, scan_paused != 0);
  ui::SetControlText(dialog, id_scanning_done, Configures() ? "Configure" : "Done");
  ShowSummary(dialog);
  ShowPosition(dialog);
}

void ShowCombination(ui::Handle dialog) {
  const ScanCombination& c = CurrentCombination();
  ui::SetControlText(dialog, id_scanning_address, AddressShown(c.address));
  ui::SetControlText(dialog, id_scanning_baud, std::to_string(c.baud));
  ui::SetControlText(dialog, id_scanning_parity, ParityName(c.parity));
  ui::SetControlText(dialog, id_scanning_data, std::to_string(c.data));
  ui::SetControlText(dialog, id_scanning_stop, c.stop == two_stop_bits ? "2" : "1");
}

void ShowFound(ui::Handle dialog) {
  const ScanFind& find = ScanFinds().back();
  ui::SetControlText(dialog, id_scanning_status, find.line);
  ui::InformationBeep();
  if (find.combination.address != CurrentCombination().address)
    ui::SetControlText(dialog, id_scanning_address, AddressShown(find.combination.address));
  const int row = ui::AddItem(dialog, id_scanning_results,
                              AddressShown(find.combination.address) + "  " +
                                  FormatText(find.combination) + "  " + find.line);
  ui::Select(dialog, id_scanning_results, row);
}

void RunStep(ui::Handle dialog) {
  if (scan_paused) return;
  if (NextScan(dialog)) {
    ui::SetCursorShape(ui::Cursor::arrow);
    return;
  }
  step_posted = true;
  ui::Post(dialog, msg_next_step);
}

// Leaves the dialog with the settings it found the console with.
void Cancel(ui::Handle dialog) {
  Apply(at_open);
  if (port_at_open && !CurrentScanLink().Reopen()) ShowPortProblem(dialog);
  ui::FinishDialog(dialog, ui::id_cancel);
}

// The chosen device's settings become the console's: the port is reopened at
// them and they are saved. false keeps the dialog open (the problem shown).
bool Adopt(ui::Handle dialog) {
  const int row = ChosenRow(dialog);
  if (row < 0) {
    Apply(at_open);
    if (port_at_open && !CurrentScanLink().Reopen()) ShowPortProblem(dialog);
    return true;
  }
  const ScanCombination& c = ScanFinds()[static_cast<std::size_t>(row)].combination;
  Apply({c.baud, c.data, c.stop, c.parity});
  found_address = c.address;
  if (!CurrentScanLink().Reopen()) {
    ShowPortProblem(dialog);
    ShowSummary(dialog, std::string("The port is not open at ") + FormatText(c) + ".");
    return false;
  }
  if (SaveSerialDefaults() || unsaved_row == row) return true;
  unsaved_row = row;
  char name[1024] = "sdefault.txt";
  ProgramFileName(name, sizeof name, "sdefault.txt");
  ShowSummary(dialog, std::string("In use but not saved: ") + name +
                          " could not be written. Done again keeps them unsaved.");
  return false;
}

void Done(ui::Handle dialog) {
  if (!Adopt(dialog)) return;
  ui::StopTimer(dialog, scan_timer_id);
  if (Configures()) RunDeviceSetupDialog(main_window);
  ui::FinishDialog(dialog, ui::id_ok);
}

void Open(ui::Handle dialog) {
  ui::SetTitle(dialog, std::string(serial_port) + " Scan");
  ClosePollWindows();
  polling_enabled = 0;
  ui::SetCursorShape(ui::Cursor::wait);
  platform::SleepMsec(555);
  ScanLink& link = CurrentScanLink();
  port_at_open = link.Usable();
  // A poll answer still on its way must not pass for the first device's.
  if (port_at_open) TrapResponse(0);
  at_open = Current();
  step_posted = false;
  unsaved_row = -1;
  ClearScanFinds();
  NextScan(ui::no_window);
  ShowPosition(dialog);
  ui::StartTimer(dialog, scan_timer_id, scan_tick_msec);
}

}  // namespace

int NextScan(ui::Handle dialog) {
  if (dialog == ui::no_window) {
    StartScan();
    return 1;
  }
  const ScanStep step = StepScan();
  switch (step) {
    case ScanStep::idle:
      return 1;
    case ScanStep::complete:
      ui::SetControlText(dialog, id_scanning_status, CompleteText());
      ShowButtons(dialog);
      return 1;
    default:
      break;
  }
  ui::SetControlText(dialog, id_scanning_status, ProgressText());
  ShowCombination(dialog);
  ShowPosition(dialog);
  if (step == ScanStep::serial_error) {
    ui::ShowMessage(dialog, "Can't setup serial port.\n" + SetupProblem(), "Error", ui::Buttons::ok,
                    ui::Icon::error);
    return 1;
  }
  if (step == ScanStep::nothing) return 0;
  ShowFound(dialog);
  ShowButtons(dialog);
  return 1;
}

void ToggleScanPause(ui::Handle dialog) {
  FlipScanPause();
  ShowButtons(dialog);
}

ui::Result ScanCallBack(ui::Handle dialog, unsigned message, ui::WordParam word, ui::LongParam) {
  switch (message) {
    case ui::msg_init_dialog:
      Open(dialog);
      return 1;
    case ui::msg_timer:
      if (word == scan_timer_id && !step_posted) RunStep(dialog);
      return 1;
    case msg_next_step:
      step_posted = false;
      RunStep(dialog);
      return 1;
    case ui::msg_command:
      switch (ui::CommandId(word)) {
        case id_scanning_pause:
          ToggleScanPause(dialog);
          ui::SetCursorShape(scan_paused ? ui::Cursor::arrow : ui::Cursor::wait);
          return 1;
        case id_scanning_done:
          Done(dialog);
          return 1;
        case ui::id_cancel:
          Cancel(dialog);
          return 1;
        case id_scanning_results:
          if (ui::CommandNotification(word) == ui::notify_selection_change) ShowSummary(dialog);
          return 1;
        default:
          return 0;
      }
    case ui::msg_destroy:
      ui::StopTimer(dialog, scan_timer_id);
      polling_enabled = 1;
      ui::SetCursorShape(ui::Cursor::arrow);
      return 0;
    default:
      return 0;
  }
}

void RunScanningDialog(ui::Handle owner) {
  ui::RunModal(ScanningDialogTemplate(), owner, ScanCallBack);
}
