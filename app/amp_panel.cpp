// Amplifier panels: creation, placement, title and refresh from the record.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/amp_panel_lamps.h"
#include "app/amp_panel_shared.h"
#include "app/display_font.h"
#include "app/events_alerts.h"
#include "app/popup.h"
#include "config/settings.h"
#include "link/link_settings.h"
#include "records/device_records.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "resources/panel_ids.h"
#include "resources/panel_templates.h"
#include "ui/dialog.h"
#include "ui/system_menu.h"

namespace {

constexpr int panel_extra_bytes = 30;
constexpr int first_address = 'A';
// The bar runs over tenths of a dB; its left end is the highest attenuation.
constexpr int bar_minimum_top = 400;
constexpr int bar_page = 10;
// Keeps the bar's range inside what a scroll message can carry.
constexpr long largest_whole_db = 3000;

bool have_first_panel = false;
ui::Rect first_panel;

// Ten panels cascade down in steps of 25 pixels, then a column starts 100 to the right.
void PlacePanel(ui::Handle panel, int address) {
  if (!have_first_panel) {
    first_panel = ui::WindowRect(panel);
    have_first_panel = true;
    return;
  }
  const int n = address >= first_address ? address - first_address : address;
  ui::Move(panel, first_panel.left + (n / 10) * 100, first_panel.top + (n * 25) % 250,
           first_panel.Width(), first_panel.Height());
}

int ColourCode(int address) {
  const device_struct& d = device_data[address];
  if (last_response[address] == 0) return colour_normal;
  if (d.fault) return colour_fault;
  if (d.beam >= d.target_hours) return colour_target_reached;
  if (static_cast<long>(d.beam) >= static_cast<long>(d.target_hours) - 18)
    return colour_near_target;
  return colour_normal;
}

void ShowAttenuationBar(ui::Handle panel, const std::string& attenuation) {
  long whole_db = std::strtol(attenuation.c_str(), nullptr, 10);
  if (whole_db < 0) whole_db = 0;
  if (whole_db > largest_whole_db) whole_db = largest_whole_db;
  const int a = static_cast<int>(10 * whole_db);
  const int maximum = a > bar_minimum_top ? a : bar_minimum_top;
  ui::SetWindowData(panel, bar_maximum_slot, maximum);
  ui::SetScrollBarRange(panel, id_attenuation_bar, 0, maximum, bar_page);
  ui::SetScrollBarPosition(panel, id_attenuation_bar, maximum - a);
}

void UpdateAmplifier(int address, ui::Handle panel) {
  const device_struct& d = device_data[address];
  const int code = ColourCode(address);
  popup_color[address] = code;
  if (code != popup_color0[address]) {
    popup_color0[address] = code;
    // Background and static texts take the colour when they paint.
    ui::Invalidate(panel);
  }
  for (int row = 0; row < screen_rows; ++row) {
    ui::SetControlText(panel, id_display_row0 + row, FieldText(d.screen[row]));
  }
  ShowLamps(panel, address);
  ui::SetControlText(panel, id_power_out, FieldText(d.power_out));
  ui::SetControlText(panel, id_voltage, FieldText(d.voltage));
  ui::SetControlText(panel, id_attenuation, FieldText(d.attenuation));
  ShowAttenuationBar(panel, FieldText(d.attenuation));
}

void UpdateController(ui::Handle panel, const device_struct& d) {
  // The lamps take their colours from the record when they repaint.
  for (int id = id_oc_lamp_power; id <= id_oc_lamp_standby; ++id) {
    ui::SetControlText(panel, id, "");
    ui::Invalidate(ui::Control(panel, id));
  }
  ui::SetControlText(panel, id_oc_display, FieldText(d.screen[0]));
  ui::Show(panel);
}

}  // namespace

bool RegisterPanelClasses() {
  for (const char* name : {amp_panel_class, amp_frequency_panel_class}) {
    if (!ui::RegisterWindowClass(
            {name, PollCallBack, 2, ui::Background::button_face, panel_extra_bytes, 0}))
      return false;
  }
  const char* controller_class = mini_ocontrol ? mini_ocontrol_panel_class : ocontrol_panel_class;
  return ui::RegisterWindowClass({controller_class, oControlPollCallBack, 1,
                                  ui::Background::button_face, panel_extra_bytes, 0});
}

ui::Handle CreatePollDialog(int address) {
  if (address < 0 || address >= device_count) return ui::no_window;
  if (PanelLives(address)) {
    ui::BringToFront(poll_dialog[address]);
    return poll_dialog[address];
  }
  device_struct& d = device_data[address];
  d.poll_frequency = poll_frequency;
  ZeroDeviceData(address);
  const ui::DialogTemplate& panel_template =
      d.poll_frequency ? AmpFrequencyPanelTemplate() : AmpPanelTemplate();
  const ui::Handle panel = ui::CreateModeless(panel_template, main_window, nullptr);
  if (!panel) return ui::no_window;
  poll_dialog[address] = panel;
  for (int row = 0; row < screen_rows; ++row)
    ui::SetControlFont(panel, id_display_row0 + row, font_handle);
  SetPopupTitle(address);
  ui::AddSystemMenuItem(panel, id_amp_trends, "&Trends\tCtrl+T");
  PlacePanel(panel, address);
  d.redisplay = !d.redisplay;
  UpdatePopup(address);
  ui::Show(panel);
  popup_color[address] = popup_color0[address] = colour_normal;
  return panel;
}

void SetPopupTitle(int address) {
  if (!PanelLives(address)) return;
  const device_struct& d = device_data[address];
  char title[sizeof d.part + sizeof d.serial + sizeof d.comments + 16];
  if (logging_on) {
    const std::string part = FieldText(d.part);
    const std::string serial = FieldText(d.serial);
    const std::string comments = FieldText(d.comments);
    if (comments.empty()) {
      std::snprintf(title, sizeof title, "'%c': %s %s", address, part.c_str(), serial.c_str());
    } else {
      std::snprintf(title, sizeof title, "'%c': %s %s (%s)", address, part.c_str(), serial.c_str(),
                    comments.c_str());
    }
  } else if (use_ethernet) {
    std::snprintf(title, sizeof title, "Amplifier %s", FieldText(default_ipaddress).c_str());
  } else if (std::isprint(address)) {
    std::snprintf(title, sizeof title, "Amplifier '%c'", address);
  } else {
    std::snprintf(title, sizeof title, "Amplifier '%02Xh'", address);
  }
  ui::SetTitle(poll_dialog[address], AlertMark(address) + title);
}

void UpdatePopup(int address) {
  if (!PanelLives(address)) return;
  const device_struct& d = device_data[address];
  if (std::memcmp(&d, &device_prev[address], sizeof d) == 0) return;
  const ui::Handle panel = poll_dialog[address];
  if (device_type[address] == ocontrol_device) {
    UpdateController(panel, d);
  } else {
    UpdateAmplifier(address, panel);
  }
  std::memcpy(&device_prev[address], &d, sizeof d);
}
