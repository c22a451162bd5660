// "Configuring Device..." (template 16): the step under way, the device's
// settings before the change and the console's afterwards.
#pragma once

#include "ui/dialog.h"

enum : int {
  id_setup_status = 101,
  id_setup_port = 102,
  id_setup_baud = 103,
  id_setup_data = 104,
  id_setup_stop = 105,
  id_setup_parity = 106,
  id_setup_address = 107,
  id_setup_mode = 108,
  id_setup_terminations = 109,
  id_setup_console = 110,
};

const ui::DialogTemplate& DeviceSetupDialogTemplate();
