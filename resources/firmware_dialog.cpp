#include "resources/firmware_dialog.h"

using ui::ControlKind;

const ui::DialogTemplate& FirmwareDialogTemplate() {
  static const ui::DialogTemplate dialog{
      "4",
      "Replace Firmware",
      220,
      96,
      "MS Sans Serif",
      8,
      "",
      ui::style_popup | ui::style_caption | ui::style_system_menu,
      {
          {-1, ControlKind::static_text, "Device Address", 8, 10, 56, 10, 0, ""},
          // Wide enough for a device's IP address over Ethernet.
          {id_firmware_address, ControlKind::edit, "A", 66, 8, 76, 12,
           ui::style_tab_stop | ui::style_group, ""},
          {id_firmware_status, ControlKind::static_text, "Press Ok to Send Firmware", 8, 28, 204,
           10, 0, ""},
          {id_firmware_progress, ControlKind::progress_bar, "", 8, 42, 170, 10, 0, ""},
          {id_firmware_percent, ControlKind::static_text, "00.0%", 182, 43, 30, 10, ui::style_right,
           ""},
          {ui::id_ok, ControlKind::default_button, "Ok", 40, 72, 50, 14,
           ui::style_tab_stop | ui::style_group, ""},
          {ui::id_cancel, ControlKind::push_button, "Cancel", 130, 72, 50, 14, ui::style_tab_stop,
           ""},
      }};
  return dialog;
}
