#include "link/device_setup.h"

// Replaced by the real dialog on the setup branch.
void RunDeviceSetupDialog(ui::Handle) {}
