// "&Get" and "&Send": the operator picks a file and a device, and the
// Get/Send dialog runs the exchange.
#include "modelcfg/cfg_files.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "config/settings.h"
#include "link/discovery.h"
#include "link/link_settings.h"
#include "link/scan_ip_dialog.h"
#include "link/wsocket.h"
#include "records/device_records.h"
#include "records/event_journal.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "resources/modelcfg_dialogs.h"
#include "ui/dialog.h"
#include "ui/message_box.h"

namespace {

constexpr int notice_failed = 999;
constexpr int notice_done = 1000;

// The open dialog's device, mode ('G' or 'S') and local file.
int address;
char option;
char filename[1024];

bool FileExists(const char* path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

// Over Ethernet the operator picks the device and it is connected; 1 with its
// slot in *device. Over serial the device stays the one given.
int ChooseDevice(ethernet_action_enum action, int* device) {
  if (!use_ethernet) return 1;
  ethernet_action = action;
  if (RunScanIpDialog(main_window) != 1) return 0;
  if (use_device < 0) {
    // The search dialog connected without an owner, so nobody has said so yet.
    ui::ShowMessage(main_window, "Can't connect.", "No Device Found", ui::Buttons::ok,
                    ui::Icon::error);
    return 0;
  }
  *device = use_device;
  return 1;
}

int RunCfgDialog(int device, char mode, const char* path) {
  std::string parameter(1, static_cast<char>(device));
  parameter += mode;
  parameter += path;
  const ui::Result result = ui::RunModal(TransferDialogTemplate(), main_window, CfgGetCallBack,
                                         reinterpret_cast<ui::LongParam>(parameter.c_str()));
  // The connection was made for this one operation.
  if (use_ethernet) CloseDeviceSocket(device);
  return result == 1;
}

// Every way out of "&Get" and "&Send" comes through here.
void EndOperation() {
  polling_enabled = 1;
  ethernet_action = ETHERNET_DEFAULT;
}

[[gnu::format(printf, 1, 2)]] void Refuse(const char* format, ...) {
  char text[1200];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  ui::ShowMessage(main_window, text, "Error", ui::Buttons::ok, ui::Icon::error);
}

void InitCfgDialog(ui::Handle dialog, const char* parameter) {
  address = static_cast<unsigned char>(parameter[0]);
  option = parameter[1];
  CopyField(filename, parameter + 2);
  if (use_ethernet) {
    ui::SetControlText(dialog, id_transfer_address, default_ipaddress);
    ui::EnableControl(dialog, id_transfer_address, false);
  } else {
    ui::SetControlText(dialog, id_transfer_address, std::string(1, static_cast<char>(address)));
  }
  ui::SetControlText(dialog, id_transfer_status, "");
  ui::SetTitle(dialog, option == 'S' ? "Send Configuration" : "Get Configuration");
}

void RunExchange(ui::Handle dialog) {
  ui::SetCursorShape(ui::Cursor::wait);
  ui::EnableControl(dialog, ui::id_ok, false);
  if (option == 'S') {
    if (!JournalResult(address, "config_send", SendModelCfg(dialog, filename, address),
                       std::string("Send configuration ") + filename))
      return;
    ui::ShowMessage(main_window, "Configuration Sent", "Success", ui::Buttons::ok,
                    ui::Icon::information);
  } else {
    if (!JournalResult(address, "config_get", GetModelCfg(dialog, filename, address),
                       std::string("Get configuration into ") + filename))
      return;
    char text[1100];
    std::snprintf(text, sizeof text, "Configuration saved in %s.", filename);
    ui::ShowMessage(main_window, text, "Success", ui::Buttons::ok, ui::Icon::information);
  }
  ui::FinishDialog(dialog, 1);
}

}  // namespace

ui::Result CfgGetCallBack(ui::Handle dialog, unsigned message, ui::WordParam word,
                          ui::LongParam l) {
  switch (message) {
    case ui::msg_init_dialog:
      InitCfgDialog(dialog, reinterpret_cast<const char*>(l));
      return 1;
    case ui::msg_command:
      switch (ui::CommandId(word)) {
        case id_transfer_address:
          if (!use_ethernet && ui::CommandNotification(word) == ui::notify_edit_change) {
            const std::string text = ui::ControlText(dialog, id_transfer_address, 1);
            if (!text.empty()) address = static_cast<unsigned char>(text[0]);
          }
          return 1;
        case ui::id_ok:
          RunExchange(dialog);
          return 1;
        case ui::id_cancel:
          ui::FinishDialog(dialog, 0);
          return 1;
        case notice_failed:
          ui::EnableControl(dialog, ui::id_ok, true);
          ui::SetCursorShape(ui::Cursor::arrow);
          return 1;
        case notice_done:
          ui::SetCursorShape(ui::Cursor::arrow);
          return 1;
      }
      return 0;
    default:
      return 0;
  }
}

void GetConfig() {
  polling_enabled = 0;
  int device = ClosePollWindows();
  char path[1024];
  if (ConfigFileName(path, sizeof path, cfg_fileoption_retrieve, nullptr)) {
    bool go = true;
    if (FileExists(path)) {
      char text[1100];
      std::snprintf(text, sizeof text, "File %s exists.  Overwrite?", path);
      go = ui::ShowMessage(main_window, text, "Confirm", ui::Buttons::yes_no, ui::Icon::question) ==
           ui::answer_yes;
    }
    if (go && ChooseDevice(ETHERNET_GETMODEL, &device)) RunCfgDialog(device, 'G', path);
  }
  EndOperation();
}

int SendConfig(const char* usefile) {
  polling_enabled = 0;
  int device = ClosePollWindows();
  char path[1024];
  int sent = 0;
  if (usefile && std::strlen(usefile) >= sizeof path) {
    // A cut path would name another file.
    Refuse("The path of the configuration file is too long: %s", usefile);
  } else if (usefile || ConfigFileName(path, sizeof path, cfg_fileoption_send, nullptr)) {
    if (usefile) CopyField(path, usefile);
    if (!FileExists(path)) {
      char text[1100];
      std::snprintf(text, sizeof text, "File %s not found.", path);
      ui::ShowMessage(main_window, text, "Bad News", ui::Buttons::ok, ui::Icon::error);
    }
    if (ChooseDevice(ETHERNET_SENDMODEL, &device)) sent = RunCfgDialog(device, 'S', path);
  }
  EndOperation();
  return sent;
}
