#include "app/log_parameters_dialog.h"

#include "records/device_records.h"
#include "app/wlog.h"
#include "config/defaults_file.h"
#include "config/log_parameters.h"
#include "resources/dialog_ids.h"
#include "resources/dialog_templates.h"
#include "ui/dialog.h"

namespace {

constexpr int row_count = sizeof log_parameter / sizeof log_parameter[0];
int enabled_at_open[row_count];

void OnOk(ui::Handle dialog) {
  bool changed = false;
  for (int row = 0; row < row_count; ++row) {
    log_parameter[row].enabled = ui::CheckStateOf(dialog, id_log_first_row + row) == ui::checked;
    changed = changed || log_parameter[row].enabled != enabled_at_open[row];
  }
  SaveConfig();
  // The columns that follow in an open log must match their titles.
  if (changed) {
    for (int address = 0; address < device_count; ++address)
      if (logfile[address]) LogColumnTitles(address);
  }
  ui::FinishDialog(dialog, ui::id_ok);
}

}  // namespace

ui::Result LogParametersCallBack(ui::Handle dialog, unsigned message, ui::WordParam word, ui::LongParam) {
  switch (message) {
    case ui::msg_init_dialog:
      for (int row = 0; row < row_count; ++row) {
        enabled_at_open[row] = log_parameter[row].enabled;
        ui::SetCheck(dialog, id_log_first_row + row, log_parameter[row].enabled ? ui::checked : ui::unchecked);
      }
      return 1;
    case ui::msg_command:
      if (ui::CommandId(word) == ui::id_ok) {
        OnOk(dialog);
        return 1;
      }
      if (ui::CommandId(word) == ui::id_cancel) {
        ui::FinishDialog(dialog, ui::id_cancel);
        return 1;
      }
      return 0;
    default:
      return 0;
  }
}

void RunLogParametersDialog(ui::Handle owner) { ui::RunModal(LogParametersDialogTemplate(), owner, LogParametersCallBack); }
