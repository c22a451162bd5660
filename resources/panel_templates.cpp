#include "resources/panel_templates.h"

#include <string>
#include <vector>

#include "resources/panel_ids.h"

using ui::ControlKind;
using ui::ControlTemplate;

namespace {

constexpr unsigned panel_style = ui::style_popup | ui::style_caption | ui::style_system_menu;

ControlTemplate Button(int id, const char* caption, int x, int y, int width, int height,
                       unsigned style = 0) {
  return {id, ControlKind::push_button, caption, x, y, width, height, style, ""};
}

ControlTemplate Label(int id, const char* caption, int x, int y, int width, int height,
                      unsigned style = 0) {
  return {id, ControlKind::static_text, caption, x, y, width, height, style, ""};
}

std::vector<ControlTemplate> AmpControls() {
  std::vector<ControlTemplate> controls;
  // The front panel's display with its four soft keys to the right of it.
  for (int row = 0; row < 4; ++row) {
    controls.push_back(Label(id_display_row0 + row, "", 6, 6 + 10 * row, 120, 10));
    controls.push_back(Button(id_key_f1 + row, ("F" + std::to_string(row + 1)).c_str(), 128,
                              6 + 10 * row, 22, 10));
  }
  controls.push_back({id_lamp_power, ControlKind::check_box, "Power", 158, 4, 46, 10, 0, ""});
  controls.push_back(
      {id_lamp_ftd, ControlKind::radio_button, "FTD", 158, 14, 46, 10, ui::style_group, ""});
  controls.push_back(
      {id_lamp_standby, ControlKind::radio_button, "Standby", 158, 24, 46, 10, 0, ""});
  controls.push_back({id_lamp_hv_on, ControlKind::radio_button, "HV On", 158, 34, 46, 10, 0, ""});
  controls.push_back(
      {id_lamp_local, ControlKind::radio_button, "Local", 206, 4, 46, 10, ui::style_group, ""});
  controls.push_back({id_lamp_remote, ControlKind::radio_button, "Remote", 206, 14, 46, 10, 0, ""});
  controls.push_back(
      {id_lamp_alarm, ControlKind::check_box, "Alarm", 206, 24, 46, 10, ui::style_group, ""});
  controls.push_back({id_lamp_fault, ControlKind::check_box, "Fault", 206, 34, 46, 10, 0, ""});

  const char* const names[] = {"Power Out:", "Voltage:", "Attenuation:"};
  const char* const units[] = {"dBm", "kV", "dB"};
  for (int n = 0; n < 3; ++n) {
    controls.push_back(Label(-1, names[n], 6, 50 + 10 * n, 48, 9));
    controls.push_back(Label(id_power_out + n, "**.*", 56, 50 + 10 * n, 22, 9, ui::style_right));
    controls.push_back(Label(-1, units[n], 80, 50 + 10 * n, 16, 9));
  }
  controls.push_back(
      {id_attenuation_bar, ControlKind::horizontal_scroll, "", 6, 82, 144, 9, 0, ""});

  controls.push_back(Button(id_key_hv_on, "HV ON ", 6, 98, 27, 14));
  controls.push_back(Button(id_key_hv_off, "HV OFF", 35, 98, 27, 14));
  controls.push_back(Button(id_key_setup, "Setup", 64, 98, 27, 14));
  controls.push_back(Button(id_key_enable, "Enable", 93, 98, 27, 14, ui::style_disabled));
  controls.push_back(Button(id_amp_options, "Options", 122, 98, 28, 14));

  // Keypad: 7 8 9 / 4 5 6 / 1 2 3 / . 0 Clr, the keys beside and below it.
  for (int digit = 1; digit <= 9; ++digit) {
    const int column = (digit - 1) % 3;
    const int row = 2 - (digit - 1) / 3;
    controls.push_back(Button(id_key_digit0 + digit, std::to_string(digit).c_str(),
                              158 + 20 * column, 50 + 14 * row, 18, 12));
  }
  controls.push_back(Button(id_key_point, ".", 158, 92, 18, 12));
  controls.push_back(Button(id_key_digit0, "0", 178, 92, 18, 12));
  controls.push_back(Button(id_key_clear, "Clr", 198, 92, 18, 12));
  controls.push_back(Button(id_key_status1, "Status1", 220, 50, 32, 12));
  controls.push_back(Button(id_key_status2, "Status2", 220, 64, 32, 12));
  controls.push_back(Button(id_key_enter, "Enter", 220, 78, 32, 26));
  controls.push_back(Button(id_key_left, "<", 158, 106, 18, 12));
  controls.push_back(Button(id_key_right, ">", 178, 106, 18, 12));
  controls.push_back(Button(id_key_minus, "-", 198, 106, 18, 12));
  controls.push_back(Button(id_key_plus, "+", 220, 106, 32, 12));
  return controls;
}

std::vector<ControlTemplate> OcontrolControls(bool compact) {
  // One column per state: a lamp, its button (if it has one), its label.
  const int step = compact ? 31 : 38;
  const int button_width = compact ? 26 : 30;
  struct Column {
    int lamp;
    int key;  // 0: no key; -1: the disabled unnamed button
    const char* key_caption;
    const char* label;
  };
  const Column columns[] = {
      {id_oc_lamp_power, 0, "", "Power"},
      {id_oc_lamp_remote, -1, "", "Remote"},
      {id_oc_lamp_twta_power, id_oc_key_twta_power, "F5", "TWTA Power"},
      {id_oc_lamp_heater_standby, id_oc_key_heater_standby, "F6", "Heater Standby"},
      {id_oc_lamp_hv, id_oc_key_hv, "F8", "HV"},
      {id_oc_lamp_fault, id_oc_key_fault_reset, "F9", "Fault Reset"},
  };
  std::vector<ControlTemplate> controls;
  int x = 4;
  for (const Column& column : columns) {
    controls.push_back(Label(column.lamp, "", x + button_width / 2 - 6, 3, 12, 6));
    if (column.key > 0)
      controls.push_back(Button(column.key, column.key_caption, x, 11, button_width, 13));
    if (column.key < 0)
      controls.push_back(Button(-1, "", x, 11, button_width, 13, ui::style_disabled));
    controls.push_back(Label(-1, column.label, x - 3, 26, button_width + 6, 18, ui::style_centre));
    x += step;
  }
  controls.push_back(Label(id_oc_lamp_ftd, "", x, 12, 8, 6));
  controls.push_back(Label(-1, "FTD", x + 10, 11, 22, 9));
  controls.push_back(Label(id_oc_lamp_standby, "", x, 26, 8, 6));
  controls.push_back(Label(-1, "Stdby", x + 10, 25, 22, 9));
  x += compact ? 30 : 34;
  const int display_width = compact ? 78 : 86;
  controls.push_back(Label(id_oc_display, "", x, 8, display_width, 12, ui::style_sunken));
  controls.push_back(
      {id_oc_up_down, ControlKind::up_down, "", x + display_width + 2, 4, 10, 22, 0, ""});
  controls.push_back(Button(id_oc_key_enter, "Enter", x + display_width / 2 - 18, 26, 36, 14));
  return controls;
}

}  // namespace

const ui::DialogTemplate& AmpPanelTemplate() {
  static const ui::DialogTemplate dialog{
      "1", "Amplifier 'A'", 256, 120, "Terminal", 10, amp_panel_class, panel_style, AmpControls()};
  return dialog;
}

const ui::DialogTemplate& AmpFrequencyPanelTemplate() {
  static const ui::DialogTemplate dialog = [] {
    ui::DialogTemplate frequency{
        "13", "Amplifier 'A'",           257,         120,          "Terminal",
        10,   amp_frequency_panel_class, panel_style, AmpControls()};
    frequency.controls.push_back(Button(id_amp_frequency, "XX.XX Ghz", 100, 49, 50, 12));
    frequency.controls.push_back(Label(id_amp_offset, "+X.X", 104, 64, 24, 9, ui::style_right));
    frequency.controls.push_back(Label(-1, "dB", 130, 64, 16, 9));
    return frequency;
  }();
  return dialog;
}

const ui::DialogTemplate& OcontrolPanelTemplate() {
  static const ui::DialogTemplate dialog{
      "8",         "Outdoor Controller B", 370, 46, "Terminal", 10, ocontrol_panel_class,
      panel_style, OcontrolControls(false)};
  return dialog;
}

const ui::DialogTemplate& MiniOcontrolPanelTemplate() {
  static const ui::DialogTemplate dialog{
      "11",        "Outdoor Controller B", 312, 46, "Terminal", 10, mini_ocontrol_panel_class,
      panel_style, OcontrolControls(true)};
  return dialog;
}
