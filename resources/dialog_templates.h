// Dialog templates of the console's own dialogs (the device panels and the
// later dialogs add theirs beside these).
#pragma once

#include "ui/dialog.h"

// "Serial Port Configuration" (template 3).
const ui::DialogTemplate& SerialPortDialogTemplate();
// "Parameters to Log" (template 19).
const ui::DialogTemplate& LogParametersDialogTemplate();
