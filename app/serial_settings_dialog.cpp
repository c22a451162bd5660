#include "app/serial_settings_dialog.h"

#include <strings.h>

#include <cstdio>
#include <string>

#include "app/main_window.h"
#include "records/device_records.h"
#include "app/scan_ip_dialog.h"
#include "link/link_settings.h"
#include "link/serial_defaults.h"
#include "link/wserial.h"
#include "link/wsocket.h"
#include "resources/dialog_ids.h"
#include "resources/dialog_templates.h"
#include "ui/dialog.h"
#include "ui/message_box.h"

namespace {

constexpr int address_limit = 19;
const char* const parity_names[] = {"NONE", "ODD", "EVEN"};

int ethernet_at_open = 0;
// Search opens the search dialog once this one has gone.
bool search_after_close = false;

bool SameText(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

void FillList(ui::Handle dialog, int id, std::initializer_list<const char*> items, const char* shown) {
  ui::ClearItems(dialog, id);
  for (const char* item : items) ui::AddItem(dialog, id, item);
  ui::Select(dialog, id, ui::FindItem(dialog, id, shown));
}

void ApplySerialFields(ui::Handle dialog) {
  CopyField(serial_port, ui::ControlText(dialog, id_com_port, sizeof serial_port - 1).c_str());
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
}

void OnOk(ui::Handle dialog) {
  EnableOcontrolPolling();
  if (use_ethernet) {
    CopyField(default_ipaddress, ui::ControlText(dialog, id_ip_address, address_limit).c_str());
  } else {
    ApplySerialFields(dialog);
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
          CopyField(default_ipaddress,
                    ui::ControlText(dialog, id_ip_address, address_limit).c_str());
          OpenSocketComm(dialog, 0);
          return 1;
        case id_search:
          search_after_close = true;
          ui::FinishDialog(dialog, ui::id_cancel);
          return 1;
        default:
          return 0;
      }
    case ui::msg_destroy:
      // Open panels belong to the link type they were opened on.
      if (use_ethernet != ethernet_at_open) ClosePollWindows();
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
