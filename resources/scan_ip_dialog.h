// "Find IP Address" (template "ScanIp"): the devices that answered a search
// and the address to connect to.
#pragma once

#include "ui/dialog.h"

enum : int {
  id_scan_address = 101,
  id_scan_search = 108,
  id_scan_devices = 109,
};

const ui::DialogTemplate& ScanIpDialogTemplate();
