#include "resources/bus_scan_dialogs.h"

using ui::ControlKind;

const ui::DialogTemplate& ScanningDialogTemplate() {
  constexpr unsigned tab = ui::style_tab_stop;
  static const ui::DialogTemplate dialog{
      "12",
      "Scanning",
      300,
      200,
      "MS Sans Serif",
      8,
      "",
      ui::style_popup | ui::style_caption | ui::style_system_menu,
      {
          {id_scanning_status, ControlKind::static_text, "Polling...", 7, 6, 286, 10,
           ui::style_centre, ""},
          {-1, ControlKind::static_text, "Address", 7, 22, 50, 10, 0, ""},
          {id_scanning_address, ControlKind::static_text, "A", 60, 22, 80, 10, 0, ""},
          {-1, ControlKind::static_text, "Baud Rate", 7, 34, 50, 10, 0, ""},
          {id_scanning_baud, ControlKind::static_text, "1200", 60, 34, 80, 10, 0, ""},
          {-1, ControlKind::static_text, "Parity", 7, 46, 50, 10, 0, ""},
          {id_scanning_parity, ControlKind::static_text, "N", 60, 46, 80, 10, 0, ""},
          {-1, ControlKind::static_text, "Data Bits", 7, 58, 50, 10, 0, ""},
          {id_scanning_data, ControlKind::static_text, "8", 60, 58, 80, 10, 0, ""},
          {-1, ControlKind::static_text, "Stop Bits", 7, 70, 50, 10, 0, ""},
          {id_scanning_stop, ControlKind::static_text, "1", 60, 70, 80, 10, 0, ""},
          {id_scanning_pause, ControlKind::push_button, "Pause", 203, 20, 90, 14,
           tab | ui::style_group, ""},
          {id_scanning_done, ControlKind::push_button, "Done", 203, 38, 90, 14, tab, ""},
          {ui::id_cancel, ControlKind::push_button, "Cancel", 203, 56, 90, 14, tab, ""},
          {id_scanning_progress, ControlKind::progress_bar, "", 7, 86, 286, 10, 0, ""},
          {id_scanning_position, ControlKind::static_text, "", 7, 99, 286, 10, 0, ""},
          {id_scanning_results, ControlKind::list_box, "", 7, 112, 286, 50, tab, ""},
          {id_scanning_summary, ControlKind::static_text, "", 7, 166, 286, 28, 0, ""},
      }};
  return dialog;
}
