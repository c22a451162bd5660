#include "app/amp_info_dialog.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/identification.h"
#include "app/identity_entry.h"
#include "app/popup.h"
#include "app/wlog.h"
#include "config/settings.h"
#include "link/capture.h"
#include "link/command_set.h"
#include "link/exchange.h"
#include "modelcfg/wprint.h"
#include "records/device_records.h"
#include "resources/device_dialog_ids.h"
#include "resources/device_dialogs.h"
#include "ui/dialog.h"
#include "ui/message_box.h"

namespace {

int options_address = 'A';

enum change_kind { no_change = 0, part_changed = 1, serial_changed = 2 };

// A record text, never read past its field.
template <std::size_t size>
std::string FieldText(const char (&field)[size]) {
  return std::string(field, strnlen(field, size));
}

std::string Hours(std::int32_t hours) {
  char text[16];
  if (hours < 0) return "??????";
  std::snprintf(text, sizeof text, "%06ld", static_cast<long>(hours));
  return text;
}

void Fill(ui::Handle dialog, int address) {
  const device_struct& record = device_data[address];
  ui::SetControlText(dialog, id_part, FieldText(record.part));
  ui::SetControlText(dialog, id_serial, FieldText(record.serial));
  char target[16];
  std::snprintf(target, sizeof target, "%06ld", static_cast<long>(record.target_hours));
  ui::SetControlText(dialog, id_target_hours, target);
  ui::SetControlText(dialog, id_comments, FieldText(record.comments));
  ui::SetControlText(dialog, id_beam_hours, Hours(record.beam));
  ui::SetControlText(dialog, id_heater_hours, Hours(record.heater));
  ui::SetControlText(dialog, id_beam_start,
                     got_hours[address] ? Hours(beam_start[address]) : "??????");
  ui::SetControlText(dialog, id_heater_start,
                     got_hours[address] ? Hours(heater_start[address]) : "??????");
  ui::SetControlText(dialog, id_log_initiated, FieldText(record.log_zero));
}

// Stores the fields once every one is accepted; a changed part or serial
// moves to another log. Returns false, with nothing changed, when the dialog
// must stay open for a correction.
bool Apply(ui::Handle dialog, int address) {
  device_struct& record = device_data[address];
  std::string part, serial;
  if (!ReadPartField(dialog, id_part, &part) || !ReadSerialField(dialog, id_serial, &serial)) {
    return false;
  }
  change_kind change = no_change;
  if (part != FieldText(record.part)) change = part_changed;
  if (serial != FieldText(record.serial)) change = serial_changed;
  // Without log features no log is started: its values would never be filled.
  const bool new_log = change != no_change && logging_on;
  if (new_log) {
    ui::ShowMessage(dialog,
                    change == part_changed
                        ? "Because the Part Number changed, a different log file will be used."
                        : "Because the Serial Number changed, a different log file will be used.",
                    "Note!", ui::Buttons::ok, ui::Icon::information);
    // A No keeps the old identity logging into its own file.
    if (!PriorLogAccepted(part, serial)) return false;
  }
  record.target_hours = ReadHoursField(dialog, id_target_hours);
  const std::string comments = ReadCommentsField(dialog, id_comments);
  if (comments != FieldText(record.comments)) {
    CopyField(record.comments, comments.c_str());
    LogComments(address);
  }
  CopyField(record.part, part.c_str());
  CopyField(record.serial, serial.c_str());
  if (new_log) {
    CreateLog(address, 0);
  } else if (change != no_change) {
    // A log belongs to one amplifier: never the new identity into the old file.
    CloseLog(address);
    CopyField(record.log_zero, "Unavailable");
  }
  SetPopupTitle(address);
  return true;
}

void Verify(ui::Handle dialog, int address) {
  ui::SetCursorShape(ui::Cursor::wait);
  const device_command& identify = Command(command_id::identify_amplifier);
  std::string part, serial, message;
  if (!LoneCommand(address, identify.body, 0, identify.timeout, identify.tries) ||
      !ReadIdentification(ProtocolBuffer(address), &part, &serial, &message)) {
    ui::ShowMessage(dialog, "No response from amplifier.", "Error", ui::Buttons::ok,
                    ui::Icon::error);
  } else {
    ui::SetControlText(dialog, id_part, part);
    // The older format carries no serial number: the field keeps its text.
    if (!serial.empty()) ui::SetControlText(dialog, id_serial, serial);
    ui::ShowMessage(dialog, message, "Amplifier Response", ui::Buttons::ok, ui::Icon::information);
    Apply(dialog, address);
  }
  ui::SetCursorShape(ui::Cursor::arrow);
}

}  // namespace

ui::Result AmpInfoCallBack(ui::Handle dialog, unsigned message, ui::WordParam word,
                           ui::LongParam l) {
  switch (message) {
    case ui::msg_init_dialog:
      options_address = static_cast<int>(l);
      Fill(dialog, options_address);
      return 1;
    case ui::msg_command:
      switch (ui::CommandId(word)) {
        case ui::id_ok:
          if (Apply(dialog, options_address)) ui::FinishDialog(dialog, ui::id_ok);
          return 1;
        case ui::id_cancel:
          ui::FinishDialog(dialog, ui::id_cancel);
          return 1;
        case id_verify:
          Verify(dialog, options_address);
          return 1;
        case id_print_log:
          PrintLog(dialog, options_address);
          return 1;
        default:
          return 0;
      }
    default:
      return 0;
  }
}

void RunAmpInfoDialog(ui::Handle owner, int address) {
  if (address < 0 || address >= device_count) return;
  ui::RunModal(AmpOptionsDialogTemplate(), owner, AmpInfoCallBack, address);
}
