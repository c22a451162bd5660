// "Parameters to Log": which readings the status logs record.
#pragma once

#include "ui/window.h"

ui::Result LogParametersCallBack(ui::Handle dialog, unsigned message, ui::WordParam word, ui::LongParam l);
void RunLogParametersDialog(ui::Handle owner);
