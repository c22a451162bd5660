#include "resources/dialog_ids.h"
#include "resources/dialog_templates.h"

using ui::ControlKind;

const ui::DialogTemplate& LogParametersDialogTemplate() {
  constexpr unsigned box = ui::style_tab_stop;
  static const ui::DialogTemplate dialog{
      "19",
      "Parameters to Log",
      186,
      178,
      "MS Sans Serif",
      8,
      "",
      ui::style_popup | ui::style_caption | ui::style_system_menu,
      {
          {id_log_general, ControlKind::group_box, "General", 7, 7, 118, 104, 0, ""},
          {id_log_first_row + 0, ControlKind::check_box, "&I - Helix/Body Current", 15, 20, 105, 12, box | ui::style_group, ""},
          {id_log_first_row + 1, ControlKind::check_box, "&J - Heater Voltage", 15, 35, 105, 12, box, ""},
          {id_log_first_row + 2, ControlKind::check_box, "&P - Forward Power", 15, 50, 105, 12, box, ""},
          {id_log_first_row + 3, ControlKind::check_box, "&Q - Reverse Power", 15, 65, 105, 12, box, ""},
          {id_log_first_row + 4, ControlKind::check_box, "&T - Temperature", 15, 80, 105, 12, box, ""},
          {id_log_first_row + 5, ControlKind::check_box, "&V - Helix/Beam Voltage", 15, 95, 105, 12, box, ""},
          {id_log_kpa_only, ControlKind::group_box, "Kpa only", 7, 115, 118, 58, 0, ""},
          {id_log_first_row + 6, ControlKind::check_box, "&t - Supply Temperature", 15, 128, 105, 12, box, ""},
          {id_log_first_row + 7, ControlKind::check_box, "&i - Beam Current", 15, 143, 105, 12, box, ""},
          {id_log_first_row + 8, ControlKind::check_box, "&j - Heater Current", 15, 158, 105, 12, box, ""},
          {ui::id_ok, ControlKind::default_button, "OK", 132, 10, 50, 14, box | ui::style_group, ""},
          {ui::id_cancel, ControlKind::push_button, "Cancel", 132, 28, 50, 14, box, ""},
      }};
  return dialog;
}
