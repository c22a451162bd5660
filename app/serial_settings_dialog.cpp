#include "app/serial_settings_dialog.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>

#include "app/main_window.h"
#include "link/link_settings.h"
#include "link/scan_ip_dialog.h"
#include "link/serial_defaults.h"
#include "link/wserial.h"
#include "link/wsocket.h"
#include "link/wsocket_window.h"
#include "records/device_records.h"
#include "records/window_seams.h"
#include "resources/dialog_ids.h"
#include "resources/dialog_templates.h"
#include "ui/dialog.h"
#include "ui/message_box.h"

namespace {

// Names travel whole: into the settings, into sdefault.txt (where blanks
// separate the fields) and, for an address, into the connection.
constexpr std::size_t port_limit = sizeof serial_port - 1;
constexpr std::size_t address_limit =
    std::min(sizeof default_ipaddress, sizeof device_sock[0].address) - 1;
const char* const parity_names[] = {"NONE", "ODD", "EVEN"};

int ethernet_at_open = 0;
// The panels that this dialog's Connect opened: they belong to Ethernet; all
// others to the link in use when the dialog opened.
bool connected_here[device_count];
// Search opens the search dialog once this one has gone.
bool search_after_close = false;

bool SameText(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

void FillList(ui::Handle dialog, int id, std::initializer_list<const char*> items, const char* shown) {
  ui::ClearItems(dialog, id);
  for (const char* item : items) ui::AddItem(dialog, id, item);
  ui::Select(dialog, id, ui::FindItem(dialog, id, shown));
}

// The field's text when it can be kept whole; otherwise the operator is told
// why and the field takes the focus.
bool TakeName(ui::Handle dialog, int id, const char* label, std::size_t limit, std::string& name) {
  name = ui::ControlText(dialog, id);
  if (name.size() <= limit && name.find_first_of(" \t\n\v\f\r") == std::string::npos) return true;
  ui::ShowMessage(dialog,
                  std::string("Can't use ") + label + " " + name + ": at most " +
                      std::to_string(limit) + " characters and no blanks.",
                  "Problem", ui::Buttons::ok, ui::Icon::error);
  ui::FocusControl(dialog, id);
  return false;
}

bool ApplySerialFields(ui::Handle dialog) {
  std::string port;
  if (!TakeName(dialog, id_com_port, "Com Port", port_limit, port)) return false;
  CopyField(serial_port, port.c_str());
  const std::string rate = ui::ControlText(dialog, id_baud_rate);
  for (const baud_struct& entry : baud_table) {
    if (SameText(rate, entry.string)) {
      serial_baud = entry.baud;
      break;
    }
  }
  serial_data = ui::ControlText(dialog, id_data_bits) == "7" ? 7 : 8;
  serial_stop = ui::ControlText(dialog, id_stop_bits) == "2" ? two_stop_bits : one_stop_bit;
  const std::string parity = ui::ControlText(dialog, id_parity);
  serial_parity = SameText(parity, "EVEN") ? parity_even : SameText(parity, "ODD") ? parity_odd : parity_none;
  return true;
}

bool ApplyAddress(ui::Handle dialog) {
  std::string address;
  if (!TakeName(dialog, id_ip_address, "Ip Address", address_limit, address)) return false;
  CopyField(default_ipaddress, address.c_str());
  return true;
}

// Panels whose connections belong to the link no longer in use.
void ClosePanelsOfTheOtherLink() {
  for (int address = 0; address < device_count; ++address) {
    const int panel_link = connected_here[address] ? 1 : ethernet_at_open;
    if (PanelLives(address) && panel_link != use_ethernet) ui::Destroy(poll_dialog[address]);
  }
}

void OnOk(ui::Handle dialog) {
  EnableOcontrolPolling();
  if (use_ethernet) {
    if (!ApplyAddress(dialog)) return;
  } else {
    if (!ApplySerialFields(dialog)) return;
    if (!InitSerial()) {
      char text[sizeof serial_port + 32];
      std::snprintf(text, sizeof text, "Can't open Com Port %s.", serial_port);
      const std::string message = std::string(text) + "\n" + SerialErrorText();
      ui::ShowMessage(dialog, message, "Problem", ui::Buttons::ok, ui::Icon::error);
      ui::FocusControl(dialog, id_com_port);
      return;
    }
  }
  SaveSerialDefaults();
  ui::FinishDialog(dialog, ui::id_ok);
}

}  // namespace

void InitCommDialog(ui::Handle dialog) {
  ui::ClearItems(dialog, id_com_port);
  for (int n = 1; n <= 16; ++n) ui::AddItem(dialog, id_com_port, "COM" + std::to_string(n));
  ui::SetControlText(dialog, id_com_port, serial_port);

  ui::ClearItems(dialog, id_baud_rate);
  for (const baud_struct& entry : baud_table) {
    const int index = ui::AddItem(dialog, id_baud_rate, entry.string);
    if (entry.baud == serial_baud) ui::Select(dialog, id_baud_rate, index);
  }
  FillList(dialog, id_data_bits, {"7", "8"}, serial_data == 8 ? "8" : "7");
  FillList(dialog, id_stop_bits, {"1", "2"}, serial_stop == two_stop_bits ? "2" : "1");
  FillList(dialog, id_parity, {"NONE", "ODD", "EVEN"}, parity_names[serial_parity <= parity_even ? serial_parity : 0]);

  ui::SetCheck(dialog, id_use_ethernet, use_ethernet ? ui::checked : ui::unchecked);
  ui::SetControlText(dialog, id_ip_address, default_ipaddress);
  for (int id : {id_com_port, id_baud_rate, id_data_bits, id_stop_bits, id_parity})
    ui::EnableControl(dialog, id, !use_ethernet);
  for (int id : {id_ip_address, id_connect, id_search}) ui::EnableControl(dialog, id, use_ethernet != 0);
}

ui::Result GetSerialCallBack(ui::Handle dialog, unsigned message, ui::WordParam word, ui::LongParam) {
  switch (message) {
    case ui::msg_init_dialog:
      InitBaudTable();
      InitCommDialog(dialog);
      ethernet_at_open = use_ethernet;
      std::fill(std::begin(connected_here), std::end(connected_here), false);
      return 1;
    case ui::msg_command:
      switch (ui::CommandId(word)) {
        case id_use_ethernet:
          use_ethernet = ui::CheckStateOf(dialog, id_use_ethernet) == ui::checked;
          InitCommDialog(dialog);
          return 1;
        case ui::id_ok:
          OnOk(dialog);
          return 1;
        case ui::id_cancel:
          ui::FinishDialog(dialog, ui::id_cancel);
          return 1;
        case id_connect:
          if (ApplyAddress(dialog)) {
            const int connected = OpenSocketComm(dialog, 0);
            if (connected >= 0) connected_here[connected] = true;
          }
          return 1;
        case id_search:
          search_after_close = true;
          ui::FinishDialog(dialog, ui::id_cancel);
          return 1;
        default:
          return 0;
      }
    case ui::msg_destroy:
      ClosePanelsOfTheOtherLink();
      return 0;
    default:
      return 0;
  }
}

void RunSerialSettingsDialog(ui::Handle owner) {
  search_after_close = false;
  ui::RunModal(SerialPortDialogTemplate(), owner, GetSerialCallBack);
  if (search_after_close) {
    search_after_close = false;
    RunScanIpDialog(owner);
  }
}
