#include "resources/device_setup_dialog.h"

using ui::ControlKind;

namespace {

constexpr int label_x = 12, value_x = 80, first_row = 24, row_step = 12;

ui::ControlTemplate Label(int row, const char* caption) {
  return {-1, ControlKind::static_text, caption, label_x, first_row + row * row_step, 64, 10, 0,
          ""};
}

ui::ControlTemplate Value(int row, int id) {
  return {id, ControlKind::static_text, "??", value_x, first_row + row * row_step, 48, 10, 0, ""};
}

}  // namespace

const ui::DialogTemplate& DeviceSetupDialogTemplate() {
  static const ui::DialogTemplate dialog{
      "16",
      "Configuring Device...",
      135,
      160,
      "MS Sans Serif",
      8,
      "",
      ui::style_popup | ui::style_caption | ui::style_system_menu,
      {
          {id_setup_status, ControlKind::static_text, "-- Verifying Configuration --", 4, 8, 127,
           10, ui::style_centre, ""},
          Label(0, "Device Port"),
          Value(0, id_setup_port),
          Label(1, "Old Baud"),
          Value(1, id_setup_baud),
          Label(2, "Old Data Bits"),
          Value(2, id_setup_data),
          Label(3, "Old Stop Bits"),
          Value(3, id_setup_stop),
          Label(4, "Old Parity"),
          Value(4, id_setup_parity),
          Label(5, "Old Address"),
          Value(5, id_setup_address),
          Label(6, "Old Mode"),
          Value(6, id_setup_mode),
          Label(7, "Old Terminations"),
          Value(7, id_setup_terminations),
          {id_setup_console, ControlKind::static_text, "", 4, 120, 127, 18, ui::style_centre, ""},
          {ui::id_ok, ControlKind::default_button, "OK", 42, 140, 50, 14, ui::style_tab_stop, ""},
      }};
  return dialog;
}
