#include "resources/scan_ip_dialog.h"

using ui::ControlKind;

const ui::DialogTemplate& ScanIpDialogTemplate() {
  static const ui::DialogTemplate dialog{
      "ScanIp",
      "Find IP Address",
      316,
      103,
      "MS Sans Serif",
      8,
      "",
      ui::style_popup | ui::style_caption | ui::style_system_menu,
      {
          {id_scan_search, ControlKind::default_button, "Search", 259, 7, 50, 14,
           ui::style_tab_stop, ""},
          {ui::id_ok, ControlKind::push_button, "Connect", 259, 25, 50, 14, ui::style_tab_stop, ""},
          {id_scan_address, ControlKind::edit, "", 7, 7, 245, 14,
           ui::style_tab_stop | ui::style_centre, ""},
          {id_scan_devices, ControlKind::tree_view, "", 7, 25, 245, 71, ui::style_tab_stop, ""},
      }};
  return dialog;
}
