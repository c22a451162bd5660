#include "app/address_dialogs.h"

#include <cstdio>
#include <string>

#include "app/identity_entry.h"
#include "app/popup.h"
#include "app/wlog.h"
#include "records/window_seams.h"
#include "resources/device_dialog_ids.h"
#include "resources/device_dialogs.h"
#include "ui/dialog.h"

namespace {

device_enum kind_asked = twta_device;

// An address that has a panel keeps it, its kind and its identity: the panel
// is only raised. True when that was the case.
bool RaisedExisting(ui::Handle dialog, int address) {
  if (!PanelLives(address)) return false;
  ui::BringToFront(poll_dialog[address]);
  ui::FinishDialog(dialog, ui::id_ok);
  return true;
}

void OpenPanel(ui::Handle dialog) {
  int address = 0;
  if (!ReadAddressField(dialog, id_address, &address) || RaisedExisting(dialog, address)) return;
  device_type[address] = kind_asked;
  ZeroDeviceComments(address);
  if (kind_asked == ocontrol_device) {
    CreateOcontrolDialog(address);
  } else {
    CreatePollDialog(address);
  }
  ui::FinishDialog(dialog, ui::id_ok);
}

void InitInformation(ui::Handle dialog) {
  const int address = NextAvailablePollAddress();
  // With every address from 'A' up open, the proposal is a live panel's.
  if (!IsOpen(address)) ZeroDeviceComments(address);
  ui::SetControlText(dialog, id_address, AddressText(address));
  ui::SetControlText(dialog, id_part, "000-0000-000");
  char serial[16];
  std::snprintf(serial, sizeof serial, "00%02d", address);
  ui::SetControlText(dialog, id_serial, serial);
  ui::SetControlText(dialog, id_target_hours, "999999");
  ui::SetControlText(dialog, id_comments, "");
}

// Stores the identity only once every field and the log file are accepted.
void OpenLoggedPanel(ui::Handle dialog) {
  int address = 0;
  std::string part, serial;
  if (!ReadAddressField(dialog, id_address, &address) || RaisedExisting(dialog, address) ||
      !ReadPartField(dialog, id_part, &part) || !ReadSerialField(dialog, id_serial, &serial)) {
    return;
  }
  // Declining an existing log leaves part and serial open for correction.
  if (!PriorLogAccepted(part, serial)) return;
  device_struct& record = device_data[address];
  CopyField(record.part, part.c_str());
  CopyField(record.serial, serial.c_str());
  record.target_hours = ReadHoursField(dialog, id_target_hours);
  CopyField(record.comments, ReadCommentsField(dialog, id_comments).c_str());
  device_type[address] = twta_device;
  CreateLog(address, 0);
  CreatePollDialog(address);
  ui::FinishDialog(dialog, ui::id_ok);
}

}  // namespace

ui::Result GetAddressCallBack(ui::Handle dialog, unsigned message, ui::WordParam word,
                              ui::LongParam l) {
  switch (message) {
    case ui::msg_init_dialog:
      kind_asked = l == ocontrol_device ? ocontrol_device : twta_device;
      if (kind_asked == ocontrol_device) ui::SetTitle(dialog, "Poll Outdoor Controller");
      ui::SetControlText(dialog, id_address, AddressText(NextAvailablePollAddress()));
      return 1;
    case ui::msg_command:
      switch (ui::CommandId(word)) {
        case ui::id_ok:
          OpenPanel(dialog);
          return 1;
        case ui::id_cancel:
          ui::FinishDialog(dialog, ui::id_cancel);
          return 1;
        default:
          return 0;
      }
    default:
      return 0;
  }
}

ui::Result GetAddressPlusCallBack(ui::Handle dialog, unsigned message, ui::WordParam word,
                                  ui::LongParam) {
  switch (message) {
    case ui::msg_init_dialog:
      InitInformation(dialog);
      return 1;
    case ui::msg_command:
      switch (ui::CommandId(word)) {
        case ui::id_ok:
          OpenLoggedPanel(dialog);
          return 1;
        case ui::id_cancel:
          ui::FinishDialog(dialog, ui::id_cancel);
          return 1;
        default:
          return 0;
      }
    default:
      return 0;
  }
}

void RunPollAddressDialog(ui::Handle owner, device_enum kind) {
  ui::RunModal(PollAddressDialogTemplate(), owner, GetAddressCallBack, kind);
}

void RunAmpInformationDialog(ui::Handle owner) {
  ui::RunModal(AmpInformationDialogTemplate(), owner, GetAddressPlusCallBack);
}
