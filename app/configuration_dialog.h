// "Corvane Configuration": the console's options, saved in defaults.txt when
// confirmed. Some choices (protocol, transfer speed and mode, frequency
// polling, traffic console, log parameters, font) act at once.
#pragma once

#include "ui/window.h"

ui::Result ConfigurationCallBack(ui::Handle dialog, unsigned message, ui::WordParam word,
                                 ui::LongParam l);
void RunConfigurationDialog(ui::Handle owner);
