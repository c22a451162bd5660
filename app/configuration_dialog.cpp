#include "app/configuration_dialog.h"

#include <strings.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string>

#include "app/display_font.h"
#include "app/events_alerts.h"
#include "app/log_parameters_dialog.h"
#include "config/defaults_file.h"
#include "config/settings.h"
#include "link/console.h"
#include "link/wserial.h"
#include "resources/device_dialog_ids.h"
#include "resources/device_dialogs.h"
#include "ui/dialog.h"
#include "ui/message_box.h"

namespace {

constexpr int log_controls[] = {id_log_prompt,       id_log_parameters, id_record_every,
                                id_logging_interval, id_record_seconds, id_log_hours};
const char* const transfer_speeds[] = {"9600", "19200", "38400", "57600", "115200"};

constexpr std::uint32_t slowest_polling = 10000;
constexpr std::uint32_t fastest_polling = 100;
constexpr std::uint32_t shortest_logging = 10;

void EnableLogControls(ui::Handle dialog, bool enabled) {
  for (const int id : log_controls) ui::EnableControl(dialog, id, enabled);
}

void FillList(ui::Handle dialog, int id, std::initializer_list<const char*> items) {
  ui::ClearItems(dialog, id);
  for (const char* item : items) ui::AddItem(dialog, id, item);
}

// Frequency polling under the Quillon family shows in the third (grey) state.
void ShowPollFrequency(ui::Handle dialog) {
  const int state = !poll_frequency    ? ui::unchecked
                    : quillon_protocol ? ui::indeterminate
                                       : ui::checked;
  ui::SetCheck(dialog, id_poll_frequency, state);
}

void SetRadio(ui::Handle dialog, int on, int off) {
  ui::SetCheck(dialog, on, ui::checked);
  ui::SetCheck(dialog, off, ui::unchecked);
}

bool Ticked(ui::Handle dialog, int id) {
  return ui::CheckStateOf(dialog, id) == ui::checked;
}

// The value of the text's leading digits, held to 32 bits; 0 without digits.
std::uint32_t UnsignedValue(const std::string& text) {
  std::size_t at = 0;
  while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
  std::uint64_t value = 0;
  for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
    value = value * 10 + static_cast<unsigned>(text[at] - '0');
    if (value > UINT32_MAX) value = UINT32_MAX;
  }
  return static_cast<std::uint32_t>(value);
}

void SetUnsigned(ui::Handle dialog, int id, std::uint32_t value) {
  ui::SetControlText(dialog, id, std::to_string(value));
}

void ApplyProtocol(ui::Handle dialog) {
  quillon_protocol = ui::ControlText(dialog, id_protocol) == "Quillon";
  ShowPollFrequency(dialog);
}

void ApplyTransferSpeed(ui::Handle dialog) {
  const std::string speed = ui::ControlText(dialog, id_transfer_speed);
  for (const baud_struct& entry : baud_table) {
    if (strcasecmp(speed.c_str(), entry.string) == 0) {
      download_baud = entry.baud;
      break;
    }
  }
}

void ApplyTransferMode(ui::Handle dialog) {
  turbo_download = strcasecmp(ui::ControlText(dialog, id_transfer_mode).c_str(), "TURBO") == 0;
}

void Init(ui::Handle dialog) {
  InitBaudTable();
  FillList(dialog, id_protocol, {"Quillon", "Tessary"});
  ui::Select(dialog, id_protocol,
             ui::FindItem(dialog, id_protocol, quillon_protocol ? "Quillon" : "Tessary"));
  ui::ClearItems(dialog, id_transfer_speed);
  for (const char* speed : transfer_speeds) {
    const int index = ui::AddItem(dialog, id_transfer_speed, speed);
    if (std::to_string(download_baud) == speed) ui::Select(dialog, id_transfer_speed, index);
  }
  FillList(dialog, id_transfer_mode, {"Turbo", "Normal"});
  ui::Select(dialog, id_transfer_mode,
             ui::FindItem(dialog, id_transfer_mode, turbo_download ? "Turbo" : "Normal"));

  if (logging_on) {
    SetRadio(dialog, id_log_features, id_basic_interface);
  } else {
    SetRadio(dialog, id_basic_interface, id_log_features);
  }
  EnableLogControls(dialog, logging_on != 0);
  SetUnsigned(dialog, id_polling_rate, polling_interval);
  SetUnsigned(dialog, id_logging_interval, logging_interval);

  ui::SetCheck(dialog, id_two_wire, mode_2wire ? ui::checked : ui::unchecked);
  ui::SetCheck(dialog, id_log_prompt, log_prompt ? ui::checked : ui::unchecked);
  ui::SetCheck(dialog, id_log_hours, log_hours ? ui::checked : ui::unchecked);
  ui::SetCheck(dialog, id_show_traffic, debug_console ? ui::checked : ui::unchecked);
  ui::SetCheck(dialog, id_alert_sound, alert_sound ? ui::checked : ui::unchecked);
  if (bright_color) {
    SetRadio(dialog, id_bright_colors, id_default_colors);
  } else {
    SetRadio(dialog, id_default_colors, id_bright_colors);
  }
  ShowPollFrequency(dialog);
}

void ToggleTraffic(ui::Handle dialog) {
  if (debug_console) {
    CloseDebugConsole();
  } else {
    InitDebugConsole();
  }
  ui::SetCheck(dialog, id_show_traffic, debug_console ? ui::checked : ui::unchecked);
}

// What steps before a refused value applied stays applied; nothing is saved
// until every check passes.
void OnOk(ui::Handle dialog) {
  ApplyProtocol(dialog);
  ApplyTransferSpeed(dialog);
  ApplyTransferMode(dialog);
  logging_on = !Ticked(dialog, id_basic_interface);
  log_prompt = Ticked(dialog, id_log_prompt);
  bright_color = Ticked(dialog, id_bright_colors);
  log_hours = Ticked(dialog, id_log_hours);
  mode_2wire = Ticked(dialog, id_two_wire);

  const std::uint32_t rate = UnsignedValue(ui::ControlText(dialog, id_polling_rate));
  if (rate < fastest_polling || rate > slowest_polling) {
    ui::FocusControl(dialog, id_polling_rate);
    ui::ShowMessage(dialog, "Set Polling Rate between 100 and 10,000 msec.", "Error",
                    ui::Buttons::ok, ui::Icon::error);
    return;
  }
  polling_interval = rate;
  poll_timer.Reset(static_cast<std::int32_t>(rate));

  logging_interval = UnsignedValue(ui::ControlText(dialog, id_logging_interval));
  if (logging_interval < shortest_logging) {
    logging_interval = shortest_logging;
    // The field shows what is now in force.
    SetUnsigned(dialog, id_logging_interval, logging_interval);
    ui::FocusControl(dialog, id_logging_interval);
    ui::ShowMessage(dialog, "Minimum logging interval is 10 seconds.", "Error", ui::Buttons::ok,
                    ui::Icon::error);
    return;
  }
  alert_sound = Ticked(dialog, id_alert_sound);
  SaveConfig();
  SaveAlertSettings(dialog);
  ui::FinishDialog(dialog, ui::id_ok);
}

bool OnCommand(ui::Handle dialog, int id, unsigned notification) {
  switch (id) {
    case id_basic_interface:
    case id_log_features:
      if (notification == ui::notify_clicked) EnableLogControls(dialog, id == id_log_features);
      return true;
    case id_protocol:
      if (notification == ui::notify_selection_change) ApplyProtocol(dialog);
      return true;
    case id_transfer_speed:
      if (notification == ui::notify_selection_change) ApplyTransferSpeed(dialog);
      return true;
    case id_transfer_mode:
      if (notification == ui::notify_selection_change) ApplyTransferMode(dialog);
      return true;
    case id_poll_frequency:
      if (notification != ui::notify_clicked) return true;
      poll_frequency = !poll_frequency;
      ShowPollFrequency(dialog);
      return true;
    case id_log_parameters:
      if (notification == ui::notify_clicked) RunLogParametersDialog(dialog);
      return true;
    case id_display_font:
      if (notification == ui::notify_clicked) PickFont();
      return true;
    case id_show_traffic:
      if (notification == ui::notify_clicked) ToggleTraffic(dialog);
      return true;
    case ui::id_ok:
      OnOk(dialog);
      return true;
    case ui::id_cancel:
      ui::FinishDialog(dialog, ui::id_cancel);
      return true;
    default:
      return false;
  }
}

}  // namespace

ui::Result ConfigurationCallBack(ui::Handle dialog, unsigned message, ui::WordParam word,
                                 ui::LongParam) {
  switch (message) {
    case ui::msg_init_dialog:
      Init(dialog);
      return 1;
    case ui::msg_command:
      return OnCommand(dialog, ui::CommandId(word), ui::CommandNotification(word)) ? 1 : 0;
    default:
      return 0;
  }
}

void RunConfigurationDialog(ui::Handle owner) {
  ui::RunModal(ConfigurationDialogTemplate(), owner, ConfigurationCallBack);
}
