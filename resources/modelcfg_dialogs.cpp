#include "resources/modelcfg_dialogs.h"

using ui::ControlKind;

namespace {

constexpr unsigned dialog_style = ui::style_popup | ui::style_caption | ui::style_system_menu;
constexpr unsigned tab = ui::style_tab_stop;
constexpr unsigned first = ui::style_tab_stop | ui::style_group;

}  // namespace

const ui::DialogTemplate& TextEntryDialogTemplate() {
  static const ui::DialogTemplate dialog{
      "18",
      "Enter New Value",
      207,
      59,
      "MS Sans Serif",
      10,
      "",
      dialog_style,
      {
          {id_entry_text, ControlKind::edit, "", 8, 12, 192, 12, first, ""},
          {ui::id_ok, ControlKind::push_button, "Ok", 8, 36, 40, 14, first, ""},
          {ui::id_cancel, ControlKind::push_button, "Cancel", 160, 36, 40, 14, tab, ""},
      }};
  return dialog;
}

const ui::DialogTemplate& LoadConfigDialogTemplate() {
  static const ui::DialogTemplate dialog{
      "17",
      "Load Configuration From File",
      114,
      82,
      "MS Sans Serif",
      10,
      "",
      dialog_style,
      {
          {-1, ControlKind::static_text, "807 #", 8, 14, 20, 8, 0, ""},
          {id_load_number, ControlKind::edit, "807-0000-000", 28, 12, 60, 12, first, ""},
          {id_load_browse, ControlKind::push_button, "Browse", 36, 36, 40, 14, first, ""},
          {ui::id_ok, ControlKind::push_button, "Ok", 8, 60, 40, 14, first, ""},
          {ui::id_cancel, ControlKind::push_button, "Cancel", 64, 60, 40, 14, tab, ""},
      }};
  return dialog;
}

const ui::DialogTemplate& TransferDialogTemplate() {
  static const ui::DialogTemplate dialog{
      "10",
      "Get Configuration",
      200,
      76,
      "MS Sans Serif",
      8,
      "",
      dialog_style,
      {
          {-1, ControlKind::static_text, "Device &Address:", 8, 10, 64, 10, 0, ""},
          {id_transfer_address, ControlKind::edit, "A", 76, 8, 76, 12, first, ""},
          {id_transfer_status, ControlKind::static_text, "", 8, 30, 184, 12, ui::style_sunken, ""},
          {ui::id_ok, ControlKind::default_button, "OK", 40, 54, 50, 14, first, ""},
          {ui::id_cancel, ControlKind::push_button, "Cancel", 110, 54, 50, 14, tab, ""},
      }};
  return dialog;
}
