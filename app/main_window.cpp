#include "app/main_window.h"

#include "app/address_dialogs.h"
#include "app/configuration_dialog.h"
#include "app/events_alerts.h"
#include "app/events_window.h"
#include "app/polling.h"
#include "app/serial_settings_dialog.h"
#include "app/wlog.h"
#include "config/settings.h"
#include "link/capture.h"
#include "link/find_device_dialog.h"
#include "link/link_settings.h"
#include "link/scan_ip_dialog.h"
#include "link/wserial.h"
#include "link/wsocket.h"
#include "modelcfg/cfg_editor.h"
#include "modelcfg/cfg_files.h"
#include "records/device_records.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "resources/menu_ids.h"
#include "transfer/download.h"
#include "ui/keys.h"
#include "ui/menu.h"
#include "ui/message_box.h"

namespace {

void ExitConsole(ui::Handle window) {
  if (ui::ShowMessage(window, "Exit Corvane?", "Confirm", ui::Buttons::yes_no, ui::Icon::question) !=
      ui::answer_yes) {
    return;
  }
  for (int address = 0; address < device_count; ++address) {
    if (PanelLives(address)) {
      ui::Send(poll_dialog[address], ui::msg_close);
    } else {
      CloseLog(address);
    }
  }
  CloseSerial();
  CleanupSocketComm();
  ui::PostQuit(0);
}

void OnMenuCommand(ui::Handle window, int id) {
  switch (id) {
    case menu_poll_amplifier:
      if (use_ethernet) {
        RunScanIpDialog(window);
      } else if (logging_on) {
        RunAmpInformationDialog(window);
      } else {
        RunPollAddressDialog(window, twta_device);
      }
      break;
    case menu_poll_outdoor_controller:
      RunPollAddressDialog(window, ocontrol_device);
      break;
    case menu_configure_local_comm:
      RunSerialSettingsDialog(window);
      break;
    case menu_configure_device_port:
      RunFindDeviceDialog(window);
      break;
    case menu_configure_corvane:
      RunConfigurationDialog(window);
      break;
    case menu_edit_configuration:
      CreateModelCfgPopup();
      break;
    case menu_get_configuration:
      GetConfig();
      break;
    case menu_send_configuration:
      SendConfig(nullptr);
      break;
    case menu_update_firmware:
      DownloadCode();
      break;
    case menu_events:
      OpenEventsWindow(window);
      break;
    case menu_exit:
      ExitConsole(window);
      break;
    default:
      // The remaining commands belong to subsystems that are not part of
      // the console yet; they do nothing rather than pretend.
      break;
  }
}

}  // namespace

ui::Result MainCallBack(ui::Handle window, unsigned message, ui::WordParam word, ui::LongParam l) {
  switch (message) {
    case ui::msg_close:
      OnMenuCommand(window, menu_exit);
      return 0;
    case ui::msg_key_down:
      key_down[word & 0xFF] = 1;
      if (word == 'E' && ui::IsKeyHeld(ui::vk_control)) OpenEventsWindow(window);
      return 0;
    case ui::msg_key_up:
      key_down[word & 0xFF] = 0;
      return 0;
    case ui::msg_char:
      if (word == ui::vk_tab) NextWindow(-1, key_down[ui::vk_shift]);
      return 0;
    case ui::msg_timer:
      MainTick();
      return 0;
    case ui::msg_mouse_move:
      ui::SetWindowCursor(window, application_busy ? ui::Cursor::wait : ui::Cursor::arrow);
      return 0;
    case ui::msg_command:
      OnMenuCommand(window, ui::CommandId(word));
      return 0;
    case msg_events_file_problem:
      ShowEventsFileProblem(window);
      return 0;
    default:
      return ui::DefaultProcedure(window, message, word, l);
  }
}

void EnableOcontrolPolling() { ui::SetMenuItemEnabled(main_window, menu_poll_outdoor_controller, !use_ethernet); }

void NextWindow(int address, int shift) {
  if (shift && address < 0) address = device_count;
  ui::Handle found = ui::no_window;
  if (shift) {
    for (int a = address - 1; a >= 0 && !found; --a)
      if (PanelLives(a)) found = poll_dialog[a];
  } else {
    for (int a = address + 1; a < device_count && !found; ++a)
      if (PanelLives(a)) found = poll_dialog[a];
  }
  ui::BringToFront(found ? found : main_window);
}

