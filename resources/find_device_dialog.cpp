#include "resources/bus_scan_dialogs.h"

using ui::ControlKind;

namespace {

constexpr unsigned tab = ui::style_tab_stop;
constexpr unsigned group = ui::style_tab_stop | ui::style_group;
const char* const rates[] = {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};

ui::ControlTemplate Label(const char* caption, int x, int y, int width) {
  return {-1, ControlKind::static_text, caption, x, y, width, 10, 0, ""};
}

ui::ControlTemplate Box(int id, ControlKind kind, const char* caption, int x, int y, int width,
                        unsigned style = tab) {
  return {id, kind, caption, x, y, width, 10, style, ""};
}

// Eight rate boxes in two rows of four.
void AddRates(std::vector<ui::ControlTemplate>& controls, int first_id, ControlKind kind, int x,
              int y, int width) {
  for (int n = 0; n < 8; ++n) {
    const unsigned style = n == 0 && kind == ControlKind::radio_button ? group : tab;
    controls.push_back(
        Box(first_id + n, kind, rates[n], x + (n % 4) * width, y + (n / 4) * 12, width - 2, style));
  }
}

std::vector<ui::ControlTemplate> Controls() {
  const ControlKind check = ControlKind::check_box;
  const ControlKind radio = ControlKind::radio_button;
  std::vector<ui::ControlTemplate> c = {
      {-1, ControlKind::group_box, "Scan Range", 7, 5, 226, 150, 0, ""},
      Label("&Address Range", 15, 19, 62),
      {id_scan_range, ControlKind::edit, "0-255", 80, 17, 140, 12, group, ""},
      Label("&Baud Rates", 15, 37, 62),
  };
  AddRates(c, id_scan_first_rate, check, 80, 37, 36);
  c.insert(c.end(),
           {
               Label("&Parity", 15, 65, 62),
               Box(id_scan_parity_none, check, "None", 80, 65, 34),
               Box(id_scan_parity_even, check, "Even", 116, 65, 34),
               Box(id_scan_parity_odd, check, "Odd", 152, 65, 34),
               Label("&Data Bits", 15, 79, 62),
               Box(id_scan_data_7, check, "7", 80, 79, 34),
               Box(id_scan_data_8, check, "8", 116, 79, 34),
               Label("&Stop Bits", 15, 93, 62),
               Box(id_scan_stop_1, check, "1", 80, 93, 34),
               Box(id_scan_stop_2, check, "2", 116, 93, 34),
               {id_scan_combinations, ControlKind::static_text, "", 15, 111, 210, 36, 0, ""},
               {-1, ControlKind::group_box, "Desired Configuration", 240, 5, 226, 150, 0, ""},
               Label("New &Address", 248, 19, 56),
               {id_target_address, ControlKind::edit, "255", 308, 17, 60, 12, group, ""},
               Label("New &Baud", 248, 37, 56),
           });
  AddRates(c, id_target_first_rate, radio, 308, 37, 38);
  c.insert(c.end(),
           {
               Label("New &Parity", 248, 65, 56),
               Box(id_target_parity_none, radio, "None", 308, 65, 36, group),
               Box(id_target_parity_even, radio, "Even", 346, 65, 36),
               Box(id_target_parity_odd, radio, "Odd", 384, 65, 36),
               Label("New &Data", 248, 79, 56),
               Box(id_target_data_7, radio, "7", 308, 79, 36, group),
               Box(id_target_data_8, radio, "8", 346, 79, 36),
               Label("New &Stop", 248, 93, 56),
               Box(id_target_stop_1, radio, "1", 308, 93, 36, group),
               Box(id_target_stop_2, radio, "2", 346, 93, 36),
               Box(id_port_default, radio, "Default Port", 248, 109, 70, group),
               Box(id_port_com1, radio, "Device COM1", 320, 109, 70),
               Box(id_port_com2, radio, "Device COM2", 392, 109, 70),
               Box(id_mode_default, radio, "Default Mode", 248, 123, 70, group),
               Box(id_mode_two_wire, radio, "2-Wire RS-485", 320, 123, 70),
               Box(id_mode_four_wire, radio, "4-Wire RS-485", 392, 123, 70),
               Box(id_terminations_default, radio, "Default Terminations", 248, 137, 72, group),
               Box(id_terminated, radio, "Terminated RS-485", 322, 137, 70),
               Box(id_unterminated, radio, "Unterminated RS-485", 394, 137, 70),
               {id_start_scan, ControlKind::default_button, "Scan", 7, 166, 60, 14, group, ""},
               {id_scan_and_configure, ControlKind::push_button, "Scan + Configure", 74, 166, 70,
                14, tab, ""},
               {id_configure, ControlKind::push_button, "Configure", 240, 166, 60, 14, tab, ""},
               {ui::id_cancel, ControlKind::push_button, "CANCEL", 406, 166, 60, 14, tab, ""},
           });
  return c;
}

}  // namespace

const ui::DialogTemplate& FindDeviceDialogTemplate() {
  static const ui::DialogTemplate dialog{
      "15",
      "Find/Configure Device",
      473,
      189,
      "MS Sans Serif",
      8,
      "",
      ui::style_popup | ui::style_caption | ui::style_system_menu,
      Controls()};
  return dialog;
}
