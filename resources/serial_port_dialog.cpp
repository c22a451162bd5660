#include "resources/dialog_ids.h"
#include "resources/dialog_templates.h"

using ui::ControlKind;

const ui::DialogTemplate& SerialPortDialogTemplate() {
  static const ui::DialogTemplate dialog{
      "3",
      "Serial Port Configuration",
      229,
      175,
      "MS Sans Serif",
      10,
      "",
      ui::style_popup | ui::style_caption | ui::style_system_menu,
      {
          {-1, ControlKind::group_box, "Serial Port", 7, 5, 140, 112, 0, ""},
          {-1, ControlKind::static_text, "Com Port", 15, 20, 50, 10, 0, ""},
          {id_com_port, ControlKind::combo_edit, "", 70, 18, 70, 12, ui::style_tab_stop | ui::style_group, ""},
          {-1, ControlKind::static_text, "Baud Rate", 15, 39, 50, 10, 0, ""},
          {id_baud_rate, ControlKind::combo_edit, "", 70, 37, 70, 12, ui::style_tab_stop, ""},
          {-1, ControlKind::static_text, "Data Bits", 15, 58, 50, 10, 0, ""},
          {id_data_bits, ControlKind::combo_edit, "", 70, 56, 70, 12, ui::style_tab_stop, ""},
          {-1, ControlKind::static_text, "Stop Bits", 15, 77, 50, 10, 0, ""},
          {id_stop_bits, ControlKind::combo_edit, "", 70, 75, 70, 12, ui::style_tab_stop, ""},
          {-1, ControlKind::static_text, "Parity", 15, 96, 50, 10, 0, ""},
          {id_parity, ControlKind::combo_edit, "", 70, 94, 70, 12, ui::style_tab_stop, ""},
          {id_use_ethernet, ControlKind::check_box, "Use &Ethernet", 15, 124, 80, 12, ui::style_tab_stop | ui::style_group, ""},
          {-1, ControlKind::static_text, "Ip Address", 15, 142, 50, 10, 0, ""},
          {id_ip_address, ControlKind::edit, "", 70, 140, 80, 12, ui::style_tab_stop, ""},
          {id_connect, ControlKind::push_button, "Connect", 160, 139, 60, 14, ui::style_tab_stop, ""},
          {id_search, ControlKind::push_button, "Search", 160, 121, 60, 14, ui::style_tab_stop, ""},
          {ui::id_ok, ControlKind::default_button, "OK", 160, 10, 60, 14, ui::style_tab_stop | ui::style_group, ""},
          {ui::id_cancel, ControlKind::push_button, "Cancel", 160, 28, 60, 14, ui::style_tab_stop, ""},
      }};
  return dialog;
}
