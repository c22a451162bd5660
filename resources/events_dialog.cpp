#include "resources/events_dialog.h"

using ui::ControlKind;

const ui::DialogTemplate& EventsDialogTemplate() {
  constexpr unsigned tab = ui::style_tab_stop;
  static const ui::DialogTemplate dialog{
      "Events",
      "Events",
      400,
      240,
      "MS Sans Serif",
      8,
      "",
      ui::style_popup | ui::style_caption | ui::style_system_menu,
      {
          {-1, ControlKind::static_text, "&Device", 7, 9, 28, 10, 0, ""},
          {id_events_device, ControlKind::combo_list, "", 36, 7, 130, 120, tab | ui::style_group, ""},
          {-1, ControlKind::static_text, "&Kind", 176, 9, 20, 10, 0, ""},
          {id_events_kind, ControlKind::combo_list, "", 198, 7, 110, 160, tab, ""},
          {id_events_list, ControlKind::list_box, "", 7, 26, 386, 176, tab, ""},
          {id_events_summary, ControlKind::static_text, "", 7, 208, 200, 10, 0, ""},
          {id_events_acknowledge, ControlKind::push_button, "&Acknowledge", 216, 220, 56, 14, tab, ""},
          {id_events_acknowledge_all, ControlKind::push_button, "Acknowledge A&ll", 276, 220, 60, 14, tab, ""},
          {ui::id_cancel, ControlKind::push_button, "Close", 340, 220, 53, 14, tab, ""},
      }};
  return dialog;
}
