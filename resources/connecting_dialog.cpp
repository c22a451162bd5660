#include "resources/connecting_dialog.h"

using ui::ControlKind;

const ui::DialogTemplate& ConnectingDialogTemplate() {
  static const ui::DialogTemplate dialog{
      "ConnectingDialog",
      "Corvane",
      120,
      40,
      "MS Sans Serif",
      8,
      "",
      ui::style_popup | ui::style_caption | ui::style_visible,
      {
          {id_connecting_text, ControlKind::static_text, "...Connecting...", 10, 15, 100, 10,
           ui::style_centre, ""},
      }};
  return dialog;
}
