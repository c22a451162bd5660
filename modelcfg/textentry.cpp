#include "modelcfg/textentry.h"

#include <cstring>

#include "resources/modelcfg_dialogs.h"
#include "ui/dialog.h"

namespace {

// One text entry at a time: the dialog is modal.
textentry_struct* entry_data = nullptr;

// The edit text comes back through a 200-byte buffer.
constexpr int longest_entry = 199;

}  // namespace

ui::Result TextEntryDialog(ui::Handle dialog, unsigned message, ui::WordParam word,
                           ui::LongParam l) {
  switch (message) {
    case ui::msg_init_dialog:
      entry_data = reinterpret_cast<textentry_struct*>(l);
      if (!entry_data) return 1;
      ui::SetTitle(dialog, entry_data->popup_title);
      if (entry_data->style_flags & textentry_password)
        ui::SetPasswordCharacter(dialog, id_entry_text, '*');
      ui::SetControlText(dialog, id_entry_text, entry_data->entry_string);
      ui::FocusControl(dialog, id_entry_text);
      return 0;
    case ui::msg_command:
      if (ui::CommandId(word) == ui::id_ok) {
        if (!entry_data) {
          ui::FinishDialog(dialog, 0);
          return 1;
        }
        const std::string text = ui::ControlText(dialog, id_entry_text, longest_entry);
        std::memcpy(entry_data->entry_string, text.c_str(), text.size() + 1);
        ui::FinishDialog(dialog, 1);
        return 1;
      }
      if (ui::CommandId(word) == ui::id_cancel) {
        ui::FinishDialog(dialog, 0);
        return 1;
      }
      return 0;
    case ui::msg_close:
      ui::FinishDialog(dialog, 0);
      return 1;
  }
  return 0;
}

int RunTextEntryDialog(ui::Handle owner, textentry_struct* entry) {
  return ui::RunModal(TextEntryDialogTemplate(), owner, TextEntryDialog,
                      reinterpret_cast<ui::LongParam>(entry)) == 1
             ? 1
             : 0;
}
