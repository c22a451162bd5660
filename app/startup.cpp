#include "app/startup.h"

#include <unistd.h>

#include <cstdio>

#include "app/command_line.h"
#include "app/display_font.h"
#include "app/events_alerts.h"
#include "app/main_window.h"
#include "app/popup.h"
#include "app/serial_settings_dialog.h"
#include "app/traffic_window.h"
#include "config/defaults_file.h"
#include "config/program_directory.h"
#include "config/settings.h"
#include "link/link_settings.h"
#include "link/scan_ip_dialog.h"
#include "link/serial_defaults.h"
#include "link/wserial.h"
#include "link/wsocket.h"
#include "link/wsocket_window.h"
#include "modelcfg/button.h"
#include "platform/link_clock.h"
#include "records/device_journal.h"
#include "records/device_records.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "resources/main_menu.h"
#include "resources/menu_ids.h"
#include "ui/measuring_context.h"
#include "ui/menu.h"
#include "ui/message_box.h"

namespace {

constexpr const char* main_class = "RemoteMainWindowClass";

std::string saved_command_line;

void ShowTimerWarning(const char* text, const char* caption) {
  ui::ShowMessage(ui::no_window, text, caption, ui::Buttons::ok, ui::Icon::error);
}

}  // namespace

void ConfirmPasswordFile() {
  char name[sizeof save_directory + 16];
  factory_mode = ProgramFileName(name, sizeof name, "mode.txt") && access(name, F_OK) == 0 ? 1 : 0;
}

ui::Handle InitMain() {
  screen_compatible_dc = &ui::ScreenMeasuringContext();
  LoadFont();
  ui::RegisterMenu(MainMenu());
  if (!ui::RegisterWindowClass({main_class, MainCallBack, 1, ui::Background::dark_grey, 0, main_menu_resource})) {
    return ui::no_window;
  }
  const ui::ScreenInfo screen = ui::Screen();
  main_window = ui::CreateWindowOf(main_class, "Tessary Remote Control",
                                   ui::style_overlapped | ui::style_control_parent, 0, 0, screen.full_width,
                                   screen.full_height, ui::no_window);
  if (!main_window) return ui::no_window;
  // Over Ethernet no port is opened: the search dialog follows instead.
  if (!use_ethernet && !SerialPortIsOpen()) RunSerialSettingsDialog(main_window);
  if (!factory_mode) ui::SetMenuItemEnabled(main_window, menu_send_configuration, false);
  mini_ocontrol = screen.horizontal_resolution < 800 ? 1 : 0;
  if (!RegisterPanelClasses()) return ui::no_window;
  // The panels are one kind of watcher: every device update refreshes its panel.
  AddDeviceUpdateListener(UpdatePopup);
  return main_window;
}

bool StartConsole(const std::string& command_line) {
  InstallWindowSeams();
  SetProgramDirectoryFromCurrent();
  ConfirmPasswordFile();
  saved_command_line = command_line;
  CheckCommandLine(command_line);
  for (int address = 0; address < device_count; ++address) ZeroDeviceData(address);
  for (int address = 0; address < device_count; ++address) ZeroDeviceComments(address);
  SetTimerWarningHandler(ShowTimerWarning);
  SetSocketPanelOpener(CreatePollDialog);
  AddDeviceUpdateListener(JournalTransitions);
  StartAlerts();
  LoadSerialDefaults();
  RegisterTrafficWindow();
  LoadConfig();
  InitSerial();
  if (!InitMain()) return false;
  ui::ShowMaximized(main_window);
  // A palette display cannot show the pale panel tints.
  const int colour_bits = ui::Screen().colour_bits;
  if (colour_bits >= 1 && colour_bits <= 8) good_color = 0;
  // With log features on the operator names the amplifier first; over Ethernet
  // the device is chosen from the search.
  if (!logging_on && !use_ethernet) CreatePollDialog('A');
  if (use_ethernet && !commandline_mode) RunScanIpDialog(main_window);
  EnableOcontrolPolling();
  timer_id1 = ui::StartTimer(main_window, 1, main_tick_ms);
  ProcessCommandLine(command_line);
  return true;
}

void StopConsole() {
  StopAlerts();
  RemoveDeviceUpdateListener(JournalTransitions);
  if (ui::IsLive(main_window)) ui::Destroy(main_window);
  main_window = ui::no_window;
}

int ConsoleMain(int argc, char** argv) {
  ui::InitApplication(argc, argv);
  std::string command_line;
  for (int n = 1; n < argc; ++n) {
    if (n > 1) command_line += ' ';
    command_line += argv[n];
  }
  if (StartConsole(command_line)) ui::RunMessageLoop();
  StopConsole();
  return 0;
}
