// "Replace Firmware" (template 4): the device, the status line and the
// progress of a firmware download.
#pragma once

#include "ui/dialog.h"

enum : int {
  id_firmware_progress = 101,
  id_firmware_address = 102,
  id_firmware_status = 103,
  id_firmware_percent = 104,
};

const ui::DialogTemplate& FirmwareDialogTemplate();
